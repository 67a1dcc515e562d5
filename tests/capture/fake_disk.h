#pragma once
// Files in memory for the capture writer, which a test can make fail at one
// step, hang (a disk that stops answering without failing) or crawl.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "capture/capture_writer.h"

namespace vorta::capture::fakes {

struct FakeDisk {
    std::mutex mutex;
    std::condition_variable released;
    std::map<std::string, std::string> files;
    // A step of the files whose names end in failSuffix fails: "create", "data" (a
    // write after the first one to that file) or "sync".
    std::string failSuffix, failStep;
    int writesBeforeHang = -1;  // >= 0: every write after that many hangs until release()
    int writes = 0;
    bool hanging = false;
    std::chrono::milliseconds crawl{0};  // each write takes this long

    void release() {
        {
            std::lock_guard lock(mutex);
            writesBeforeHang = -1;
        }
        released.notify_all();
    }
    std::string file(const std::string& path) {
        std::lock_guard lock(mutex);
        return files[path];
    }
    bool isHanging() {
        std::lock_guard lock(mutex);
        return hanging;
    }
    static MakeSink Sinks(const std::shared_ptr<FakeDisk>& disk);
};

class FakeFile : public FileSink {
public:
    explicit FakeFile(std::shared_ptr<FakeDisk> disk) : disk_(std::move(disk)) {}
    std::string create(const std::string& path) override {
        path_ = path;
        std::lock_guard lock(disk_->mutex);
        if (fails("create")) return "Input/output error";
        disk_->files[path].clear();
        return {};
    }
    std::string write(std::string_view bytes) override {
        std::unique_lock lock(disk_->mutex);
        if (fails("data") && (!disk_->files[path_].empty() || path_.ends_with(".txt"))) return "Input/output error";
        const int n = ++disk_->writes;
        auto hangs = [this, n] { return disk_->writesBeforeHang >= 0 && n > disk_->writesBeforeHang; };
        disk_->hanging = hangs();
        disk_->released.wait(lock, [&] { return !hangs(); });
        disk_->hanging = false;
        if (disk_->crawl.count() > 0) {
            lock.unlock();
            std::this_thread::sleep_for(disk_->crawl);
            lock.lock();
        }
        disk_->files[path_].append(bytes);
        return {};
    }
    std::string sync() override {
        std::lock_guard lock(disk_->mutex);
        return fails("sync") ? "Input/output error" : "";
    }
    std::string close() override { return {}; }

private:
    bool fails(const char* step) const {
        return disk_->failStep == step && !disk_->failSuffix.empty() && path_.ends_with(disk_->failSuffix);
    }
    std::shared_ptr<FakeDisk> disk_;
    std::string path_;
};

inline MakeSink FakeDisk::Sinks(const std::shared_ptr<FakeDisk>& disk) {
    return [disk] { return std::make_unique<FakeFile>(disk); };
}

}  // namespace vorta::capture::fakes
