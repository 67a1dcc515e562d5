#pragma once
// Writes the capture file on a thread of its own. The UI thread hands over each
// chunk as it crosses the wire; the writer thread writes what has gathered at
// least once a second and syncs it to the disk, so a killed program leaves the
// file whole up to the last second, and a removed stick or a full disk loses at
// most that second. At most kMaxPendingBytes wait in memory: past that, add()
// waits for the disk (and the serial channel's own queue holds the rest).
// With a rotation size, a new file is begun once the current one has reached
// it; a record is never split between two files.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/event_loop.h"
#include "base/unique_fd.h"
#include "capture/capture_record.h"

namespace vorta::capture {

// The name of the n-th file of a rotated capture: the first is `path` itself,
// later ones have "-n" before the extension ("cap.bin", "cap-2.bin", ...).
std::string RotatedPath(const std::string& path, int n);

class CaptureWriter {
public:
    struct Progress {
        std::uint64_t bytesWritten = 0;  // into all files of this capture, headers included
        std::string path;                // the file being written
        std::string error;               // set once, when the capture ends on a failure
    };
    // Runs on the loop's thread after each flush, unless the writer is gone.
    using OnProgress = std::function<void(const Progress&)>;

    static constexpr std::size_t kMaxPendingBytes = 1 << 20;
    static constexpr std::size_t kEarlyFlushBytes = std::size_t{256} * 1024;
    static constexpr std::chrono::milliseconds kFlushEvery{1000};

    // rotateBytes 0: one file however large it grows.
    CaptureWriter(base::EventLoop& loop, std::string path, std::uint64_t rotateBytes, OnProgress onProgress);
    ~CaptureWriter();  // stop()
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Creates the first file and starts the thread; the cause when the file cannot be created.
    std::string start();
    // Hands over one chunk; dropped once the capture has failed or stopped.
    void add(Direction direction, std::int64_t micros, std::string_view bytes);
    // Writes what is left, syncs and closes the file; returns when done.
    void stop();

private:
    void run();
    // Writes out `data` (whole records), rotating first when the file is full; false on failure.
    bool writeRecords(const std::string& data);
    bool openFile(int n);
    void post(Progress progress);

    base::EventLoop& loop_;
    const std::string path_;
    const std::uint64_t rotateBytes_;
    OnProgress onProgress_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // read on the loop's thread

    std::mutex mutex_;
    std::condition_variable wake_, room_;
    std::string pending_;
    bool stopping_ = false;
    bool failed_ = false;
    std::thread thread_;

    // The writer thread's own.
    base::UniqueFd fd_;
    int fileNumber_ = 0;
    std::uint64_t fileBytes_ = 0;
    std::uint64_t totalBytes_ = 0;
    std::string currentPath_;
    std::string error_;
};

// Microseconds since 1970 UTC, now.
std::int64_t NowMicros();

}  // namespace vorta::capture
