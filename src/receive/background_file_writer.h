#pragma once
// Writes snapshots of bytes to files on a thread of its own, one file after
// another in the order they were asked for, so that saving a display of
// hundreds of megabytes does not hold up the user interface. A later write to
// the same file therefore never interleaves with an earlier one: it replaces
// it once the earlier one is complete. Destroying the writer (at program exit)
// waits until every file asked for is complete.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "ui/text_snapshot.h"

namespace vorta::receive {

class BackgroundFileWriter {
public:
    BackgroundFileWriter() = default;
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    // Creates or replaces the file `nativePath` with `bytes`. A failed write is not reported.
    void write(std::string nativePath, ui::TextSnapshot bytes);
    // Returns when every write asked for so far is complete.
    void waitUntilDone();

private:
    struct Job {
        std::string path;
        ui::TextSnapshot bytes;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;  // started by the first write
};

}  // namespace vorta::receive
