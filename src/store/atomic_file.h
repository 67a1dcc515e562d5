#pragma once
// Whole-file reads and crash-safe whole-file replacement, on native (UTF-8)
// file names. A replacement writes a temporary file in the same directory and
// renames it over the old file, so a crash, a kill or a full disk at any
// moment leaves either the old or the new complete content.
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "store/write_result.h"

namespace vorta::store {

// Larger files are not read: a settings or list file never comes near it.
inline constexpr std::size_t kMaxFileBytes = std::size_t{16} * 1024 * 1024;

// The whole content of a regular file of at most kMaxFileBytes; nullopt when
// the file is missing, unreadable, larger, or not a regular file (a FIFO, a
// device, a directory). Never blocks: a FIFO is not waited on.
std::optional<std::string> ReadFileBytes(const std::string& nativePath);

// Replaces the content of `nativePath` by `bytes`, creating the file when it
// is missing (mode 0600) and keeping the mode of an existing one.
// - A symbolic link is followed when every link on the way belongs to the
//   user and the final target is a regular file of the user's own; the
//   target is then replaced in its own directory and the link stays.
// - A link that leads anywhere else is refused with one warning on standard
//   error (the first time for that path), so a planted link never redirects a
//   write and a user's own link is never ignored silently.
// - A file the user made read-only (no owner write bit) is left alone
//   (Declined); a file of another user and anything that is not a regular
//   file are refused with their own causes.
// - A Declined result holds the errno the refusal stands for (EACCES for the
//   read-only file, EPERM for a link of or to another user, ENOENT, EISDIR,
//   EINVAL or ELOOP for the other links), for a caller that must say why.
WriteResult ReplaceFileBytes(const std::string& nativePath, std::string_view bytes);

// Takes one piece of a file's new content; false once the file cannot take more.
using PieceSink = std::function<bool(std::string_view)>;

// The same replacement for content made piece by piece (a large snapshot that is
// never one string): `produce` hands the content to the sink, in order, and may
// stop when the sink says false. The pieces are written in large writes. A new
// file gets `newFileMode` less the umask; an existing one keeps its mode, and the
// same files and links as above are refused, with the same causes. When it fails,
// the old content is untouched. Once `stop` is requested the sink takes no more
// and the write is abandoned like a failed one (Failed, ECANCELED).
WriteResult ReplaceFileWith(const std::string& nativePath, mode_t newFileMode,
                            const std::function<void(const PieceSink&)>& produce, const std::stop_token& stop = {});

// What ReplaceFileBytes would find in the way of writing `nativePath` (or the
// file its links lead to), with the same warning when a link is refused;
// nothing is written. Written when nothing is in the way so far.
WriteResult CanReplace(const std::string& nativePath);

// Removes the temporary files that writes to `baseNames` in `nativeDir` left
// behind when they were interrupted (".<name>.XXXXXX"): only the user's own,
// and only when no writer holds them any more. Returns how many went.
int RemoveStaleTemporaryFiles(const std::string& nativeDir, std::initializer_list<std::string_view> baseNames);

// For tests: called with the temporary file's name after it has been written
// completely and before it is renamed over the target (the window in which a
// crash must lose nothing). Pass an empty function to remove it.
void SetBeforeRenameHookForTest(std::function<void(const std::string& tempPath)> hook);

// For tests: every replacement from now on fails like a full disk would, with
// `error` (ENOSPC), once `bytes` bytes of its new content are written. Pass
// std::nullopt to remove it.
void SetWriteLimitForTest(std::optional<std::size_t> bytes, int error);

}  // namespace vorta::store
