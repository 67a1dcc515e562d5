#pragma once
// Writes the capture file on a thread of its own. The UI thread hands over each
// chunk as it crosses the wire; the writer thread writes what has gathered at
// least once a second and syncs it to the disk, so a killed program leaves the
// file whole up to the last second, and a removed stick or a full disk loses at
// most that second. At most kMaxPendingBytes wait in memory: past that, add()
// waits for a disk that is writing (and the serial channel's own queue holds the
// rest), but not for one that has written nothing for kStallAfter: that ends the
// capture, and the writer thread, stuck in the disk, is left behind.
// With a rotation size, a new file is begun once the current one has reached
// it; a record is never split between two files.
// Optionally the display's text as shown goes, in the order it was written,
// into a text file beside each capture file (its name with ".txt" added), with
// every line end "\r\n" as a saved display has it; it rotates with its file.
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
#include "capture/capture_record.h"

namespace vorta::capture {

// The name of the n-th file of a rotated capture: the first is `path` itself,
// later ones have "-n" before the extension ("cap.bin", "cap-2.bin", ...).
std::string RotatedPath(const std::string& path, int n);
// The display text file beside capture file `capturePath`.
inline std::string ShownTextPath(const std::string& capturePath) { return capturePath + ".txt"; }

// One file the capture writes: on the disk, or a test's stand-in. Each call
// returns the cause of a failure, empty when it worked.
class FileSink {
public:
    virtual ~FileSink() = default;
    virtual std::string create(const std::string& path) = 0;  // created, or emptied, for writing
    virtual std::string write(std::string_view bytes) = 0;    // all of them
    virtual std::string sync() = 0;
    virtual std::string close() = 0;
};
using MakeSink = std::function<std::unique_ptr<FileSink>()>;
std::unique_ptr<FileSink> DiskFile();

class CaptureWriter {
public:
    struct Progress {
        std::uint64_t bytesWritten = 0;  // into all files of this capture, headers and text included
        std::string path;                // the file being written (the failing one on a failure)
        std::string error;               // set once, when the capture ends on a failure (GBK)
    };
    // Runs on the loop's thread after each flush, unless the writer is gone.
    using OnProgress = std::function<void(const Progress&)>;

    static constexpr std::size_t kMaxPendingBytes = 1 << 20;
    static constexpr std::size_t kEarlyFlushBytes = std::size_t{256} * 1024;
    static constexpr std::size_t kPieceBytes = std::size_t{64} * 1024;  // one write at most: a slow disk shows progress
    static constexpr std::chrono::milliseconds kFlushEvery{1000};
    static constexpr std::chrono::milliseconds kStallAfter{3000};

    // rotateBytes 0: one file however large it grows. shownText: the text file too.
    CaptureWriter(base::EventLoop& loop, std::string path, std::uint64_t rotateBytes, bool shownText,
                  OnProgress onProgress, MakeSink makeSink = DiskFile);
    ~CaptureWriter();  // stop()
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Creates the first file(s) and starts the thread; the cause when a file cannot be created.
    std::string start();
    // Hands over one chunk; dropped once the capture has failed or stopped.
    void add(Direction direction, std::int64_t micros, std::string_view bytes);
    // Hands over text as the display shows it (ignored without the text file).
    void addShown(std::string_view text);
    // Writes what is left, syncs and closes the files; returns when done, or
    // once the disk has written nothing for kStallAfter (the files stay as they are).
    void stop();

private:
    struct Job;
    void hand(char tag, std::int64_t micros, std::string_view bytes);

    std::shared_ptr<Job> job_;  // shared with the thread, which may outlive this writer when stuck
    std::thread thread_;
};

// Microseconds since 1970 UTC, now.
std::int64_t NowMicros();

}  // namespace vorta::capture
