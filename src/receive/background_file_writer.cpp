#include "receive/background_file_writer.h"

namespace vorta::receive {
namespace {

// The directory and the name of `path`.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

BackgroundFileWriter::~BackgroundFileWriter() {
    *alive_ = false;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();  // the thread finishes every queued job first
}

void BackgroundFileWriter::write(std::string nativePath, Content content, OnFailure onFailure) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(nativePath), std::move(content), std::move(onFailure)});
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void BackgroundFileWriter::waitUntilDone() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void BackgroundFileWriter::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, and nothing left to write
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        // What an earlier save of this file left when the program was killed during it.
        const auto [dir, name] = SplitPath(job.path);
        store::RemoveStaleTemporaryFiles(dir, {name});
        const store::WriteResult result = store::ReplaceFileWith(job.path, 0666, job.content);
        job.content = {};  // let the display's blocks go before saying done
        if (!result && job.onFailure)
            loop_.post([alive = alive_, onFailure = std::move(job.onFailure), result] {
                if (*alive) onFailure(result);
            });
        lock.lock();
        busy_ = false;
        done_.notify_all();
    }
}

}  // namespace vorta::receive
