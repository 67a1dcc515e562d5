#include "receive/background_file_writer.h"

#include <fstream>

namespace vorta::receive {

BackgroundFileWriter::~BackgroundFileWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();  // the thread finishes every queued job first
}

void BackgroundFileWriter::write(std::string nativePath, ui::TextSnapshot bytes) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(nativePath), std::move(bytes)});
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
        {
            std::ofstream out(job.path, std::ios::binary | std::ios::trunc);
            job.bytes.forEachPiece(
                [&out](std::string_view piece) { out.write(piece.data(), static_cast<std::streamsize>(piece.size())); });
        }
        job.bytes = {};  // let the display's blocks go before saying done
        lock.lock();
        busy_ = false;
        done_.notify_all();
    }
}

}  // namespace vorta::receive
