#include "capture/capture_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vorta::capture {
namespace {

// Writes all of `data`; the cause on failure.
std::string WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? std::strerror(errno) : "nothing written";
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

// The byte count of the record that starts at `at` (its header is whole).
std::size_t RecordLength(const std::string& data, std::size_t at) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < 4; ++i) length |= std::size_t{static_cast<unsigned char>(data[at + 9 + i])} << (8 * i);
    return length;
}

}  // namespace

std::int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string RotatedPath(const std::string& path, int n) {
    if (n <= 1) return path;
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    const std::size_t at = hasExtension ? dot : path.size();
    return path.substr(0, at) + "-" + std::to_string(n) + path.substr(at);
}

CaptureWriter::CaptureWriter(base::EventLoop& loop, std::string path, std::uint64_t rotateBytes, OnProgress onProgress)
    : loop_(loop), path_(std::move(path)), rotateBytes_(rotateBytes), onProgress_(std::move(onProgress)) {}

CaptureWriter::~CaptureWriter() {
    stop();
    *alive_ = false;
}

std::string CaptureWriter::start() {
    if (thread_.joinable()) return {};
    if (!openFile(1)) return error_;
    thread_ = std::thread(&CaptureWriter::run, this);
    return {};
}

bool CaptureWriter::openFile(int n) {
    if (fd_ && ::fsync(fd_.get()) != 0 && errno != EINVAL) {
        error_ = std::strerror(errno);
        return false;
    }
    if (!fd_.close()) {
        error_ = std::strerror(errno);
        return false;
    }
    currentPath_ = RotatedPath(path_, n);
    fd_.reset(::open(currentPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd_) {
        error_ = std::strerror(errno);
        return false;
    }
    fileNumber_ = n;
    fileBytes_ = 0;
    error_ = WriteAll(fd_.get(), kFileMagic);
    if (!error_.empty()) return false;
    fileBytes_ = kFileMagic.size();
    totalBytes_ += kFileMagic.size();
    return true;
}

void CaptureWriter::add(Direction direction, std::int64_t micros, std::string_view bytes) {
    if (bytes.empty()) return;
    std::unique_lock lock(mutex_);
    // A full buffer waits for the disk rather than dropping a byte.
    room_.wait(lock, [this] { return pending_.size() < kMaxPendingBytes || failed_ || stopping_; });
    if (failed_ || stopping_ || !thread_.joinable()) return;
    AppendRecord(pending_, direction, micros, bytes);
    if (pending_.size() >= kEarlyFlushBytes) wake_.notify_one();
}

void CaptureWriter::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    room_.notify_all();
    if (thread_.joinable()) thread_.join();
    fd_.reset();
}

bool CaptureWriter::writeRecords(const std::string& data) {
    // A file holding at least one record is full when the next would take it past the size.
    auto full = [this, &data](std::uint64_t size, std::size_t at) {
        return rotateBytes_ > 0 && size > kFileMagic.size() &&
               size + kRecordHeaderBytes + RecordLength(data, at) > rotateBytes_;
    };
    std::size_t at = 0;
    while (at < data.size()) {
        if (full(fileBytes_, at) && !openFile(fileNumber_ + 1)) return false;
        std::size_t end = at;
        std::uint64_t size = fileBytes_;
        do {
            const std::size_t length = kRecordHeaderBytes + RecordLength(data, end);
            end += length;
            size += length;
        } while (end < data.size() && !full(size, end));
        error_ = WriteAll(fd_.get(), std::string_view(data).substr(at, end - at));
        if (!error_.empty()) return false;
        fileBytes_ = size;
        totalBytes_ += end - at;
        at = end;
    }
    return true;
}

void CaptureWriter::run() {
    std::string batch;
    for (;;) {
        bool last = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, kFlushEvery, [this] { return stopping_ || pending_.size() >= kEarlyFlushBytes; });
            batch.swap(pending_);
            pending_.clear();
            last = stopping_;
        }
        room_.notify_all();
        bool ok = writeRecords(batch);
        batch.clear();
        // Synced every round, so at most the last second is lost when the
        // machine, not just the program, goes.
        if (ok && ::fsync(fd_.get()) != 0 && errno != EINVAL) {
            error_ = std::strerror(errno);
            ok = false;
        }
        if (ok && last && !fd_.close()) {
            error_ = std::strerror(errno);
            ok = false;
        }
        post({totalBytes_, currentPath_, ok ? std::string() : error_});
        if (!ok) {
            std::lock_guard lock(mutex_);
            failed_ = true;
            pending_.clear();
            room_.notify_all();
            return;
        }
        if (last) return;
    }
}

void CaptureWriter::post(Progress progress) {
    if (!onProgress_) return;
    loop_.post([alive = alive_, onProgress = onProgress_, progress = std::move(progress)] {
        if (*alive) onProgress(progress);
    });
}

}  // namespace vorta::capture
