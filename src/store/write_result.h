#pragma once
// What became of a write of the settings file, the list file or a saved
// display, so that the user can be told why it was not kept.
#include <cstdint>

namespace vorta::store {

enum class WriteCause : std::uint8_t {
    Written,
    // Left alone on purpose, with nothing more to tell: a file the user made
    // read-only, a link that is not followed (said once on standard error),
    // no usable settings folder (said at start-up).
    Declined,
    DiskFull,       // no space or quota left
    FolderMissing,  // the folder has gone
    NoPermission,   // the folder or file may not be written
    ReadOnlyDisk,   // the file system is mounted read-only
    OthersFile,     // the file belongs to another user
    NotAFile,       // a folder, a FIFO or a device stands in its place
    Unreadable,     // the file is there but cannot be read, so it cannot be edited
    BadItem,        // a name or a value the file cannot hold (empty, line break)
    Failed,         // any other error; `error` holds its errno
};

struct [[nodiscard]] WriteResult {
    WriteCause cause = WriteCause::Written;
    // errno, when a system call failed; for Declined, the errno the refusal
    // stands for (a saved display, which the user asked for, says why).
    int error = 0;

    explicit operator bool() const { return cause == WriteCause::Written; }
};

// The result of a system call that failed with `error` (an errno value).
WriteResult FailureFromErrno(int error);

}  // namespace vorta::store
