#pragma once
// A port that opens whatever it is asked, takes every write and never
// receives: the monitor thread sleeps in wait() until the channel wakes it.
#include <condition_variable>
#include <mutex>

#include "serial/port_io.h"

namespace vorta::test {

class IdlePort : public serial::PortIo {
public:
    bool open(const std::string&, const serial::LineSettings&) override { return true; }
    void close() override {}
    unsigned wait() override {
        std::unique_lock lock(wakeMutex_);
        woken_.wait(lock, [this] { return wakes_ > 0; });
        --wakes_;
        return kWoken;
    }
    void wake() override {
        const std::lock_guard lock(wakeMutex_);
        ++wakes_;
        woken_.notify_all();
    }
    long read(char*, std::size_t) override { return 0; }
    std::size_t write(std::string_view bytes) override { return bytes.size(); }

private:
    std::mutex wakeMutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
};

}  // namespace vorta::test
