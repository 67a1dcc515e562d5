#pragma once
// Writes files on a thread of its own, one after another in the order they were
// asked for, so that saving a display of hundreds of megabytes does not hold up
// the user interface. A later write to the same file therefore never interleaves
// with an earlier one: it replaces it once the earlier one is complete. Each file
// is replaced whole or not at all (store/atomic_file.h). Destroying the writer (at
// program exit) waits until every file asked for is complete.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/event_loop.h"
#include "store/atomic_file.h"

namespace vorta::receive {

class BackgroundFileWriter {
public:
    // Hands a file's content to the sink, piece by piece; runs on the writer's thread.
    using Content = std::function<void(const store::PieceSink&)>;
    // Told on the UI thread, with the cause, that a file was left as it was.
    using OnFailure = std::function<void(const store::WriteResult& result)>;

    explicit BackgroundFileWriter(base::EventLoop& loop) : loop_(loop) {}
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    // Creates (mode 0666 less the umask) or replaces the file `nativePath` with the
    // content. When that fails, `onFailure` runs on the loop's thread, unless this
    // writer is gone by then.
    void write(std::string nativePath, Content content, OnFailure onFailure);
    // Returns when every write asked for so far is complete (failures posted).
    void waitUntilDone();

private:
    struct Job {
        std::string path;
        Content content;
        OnFailure onFailure;
    };
    void run();

    base::EventLoop& loop_;
    // Read and cleared on the loop's thread only, where the failures are told.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;  // started by the first write
};

}  // namespace vorta::receive
