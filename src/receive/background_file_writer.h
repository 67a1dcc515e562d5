#pragma once
// Writes files off the UI thread (base::Worker), one after another in the order
// they were asked for, so that saving a display of hundreds of megabytes does not
// hold up the user interface. A later write to the same file therefore never
// interleaves with an earlier one: it replaces it once the earlier one is
// complete. Each file is replaced whole or not at all (store/atomic_file.h).
// Destroying the writer abandons the write under way (its temporary file goes,
// the old file stays as it was) and drops the writes not begun; a program that
// must keep every save the user asked for calls waitUntilDone() first.
#include <functional>
#include <string>

#include "base/event_loop.h"
#include "base/worker.h"
#include "store/atomic_file.h"

namespace vorta::receive {

class BackgroundFileWriter {
public:
    // Hands a file's content to the sink, piece by piece; runs on the writer's thread.
    using Content = std::function<void(const store::PieceSink&)>;
    // Told on the UI thread, with the cause, that a file was left as it was.
    using OnFailure = std::function<void(const store::WriteResult& result)>;

    explicit BackgroundFileWriter(base::EventLoop& loop) : worker_(loop) {}

    // Creates (mode 0666 less the umask) or replaces the file `nativePath` with the
    // content. When that fails, `onFailure` runs on the loop's thread, unless this
    // writer is gone by then.
    void write(std::string nativePath, Content content, OnFailure onFailure);
    // Returns when every write asked for so far is complete (failures posted).
    void waitUntilDone() { worker_.waitUntilIdle(); }

private:
    base::Worker worker_;
};

}  // namespace vorta::receive
