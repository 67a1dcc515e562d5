#pragma once
// Whole-file reads and crash-safe whole-file replacement, on native (UTF-8)
// file names. A replacement writes a temporary file in the same directory and
// renames it over the old file, so a crash, a kill or a full disk at any
// moment leaves either the old or the new complete content.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vorta::store {

// The whole content; nullopt when the file is missing or cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& nativePath);

// Replaces the content of `nativePath` by `bytes`, creating the file when it
// is missing (mode 0600) and keeping the mode of an existing one. Refuses
// (false) when the path is a symbolic link, not a regular file, or a file
// owned by another user, so nothing is ever written through a planted link.
bool ReplaceFileBytes(const std::string& nativePath, std::string_view bytes);

// For tests: called with the temporary file's name after it has been written
// completely and before it is renamed over the target (the window in which a
// crash must lose nothing). Pass an empty function to remove it.
void SetBeforeRenameHookForTest(std::function<void(const std::string& tempPath)> hook);

}  // namespace vorta::store
