#include "capture/capture_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/unique_fd.h"
#include "codec/gbk_literal.h"

namespace vorta::capture {
namespace {

using Clock = std::chrono::steady_clock;

// The display's text travels in the pending buffer as records of its own, in
// order with the chunks; this tag never reaches a capture file.
constexpr char kShownTag = 'S';

class DiskFileSink : public FileSink {
public:
    std::string create(const std::string& path) override {
        fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        return fd_ ? std::string() : std::strerror(errno);
    }
    std::string write(std::string_view data) override {
        while (!data.empty()) {
            const ssize_t n = ::write(fd_.get(), data.data(), data.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n < 0 ? std::strerror(errno) : "nothing written";
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return {};
    }
    std::string sync() override {
        return ::fsync(fd_.get()) != 0 && errno != EINVAL ? std::strerror(errno) : std::string();
    }
    std::string close() override { return fd_.close() ? std::string() : std::strerror(errno); }

private:
    base::UniqueFd fd_;
};

// The byte count of the record that starts at `at` (its header is whole).
std::size_t RecordLength(const std::string& data, std::size_t at) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < 4; ++i) length |= std::size_t{static_cast<unsigned char>(data[at + 9 + i])} << (8 * i);
    return length;
}

// The display's text as a saved display has it: "\r\n", a lone "\r" and a lone
// "\n" all become "\r\n". `skipLf` carries a "\r" at the end of one piece over to the next.
void AppendSavedForm(std::string& out, std::string_view text, bool& skipLf) {
    for (const char c : text) {
        if (skipLf) {
            skipLf = false;
            if (c == '\n') continue;
        }
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            skipLf = c == '\r';
        } else {
            out += c;
        }
    }
}

}  // namespace

std::unique_ptr<FileSink> DiskFile() { return std::make_unique<DiskFileSink>(); }

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

// Everything the writer thread touches: shared with it, so that a thread stuck
// in a disk that does not answer can be left behind with what it needs.
struct CaptureWriter::Job {
    Job(base::EventLoop& l, std::string p, std::uint64_t rotate, bool withText, OnProgress on, MakeSink make)
        : loop(l),
          path(std::move(p)),
          rotateBytes(rotate),
          shownText(withText),
          onProgress(std::move(on)),
          makeSink(std::move(make)) {}

    base::EventLoop& loop;
    const std::string path;
    const std::uint64_t rotateBytes;
    const bool shownText;
    const OnProgress onProgress;
    const MakeSink makeSink;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);  // read and cleared on the loop's thread

    std::mutex mutex;
    std::condition_variable wake;  // the writer thread waits here for a round
    std::condition_variable room;  // add() and stop() wait here for progress
    std::string pending;
    bool started = false, stopping = false, failed = false, finished = false;
    bool stalled = false;    // failed because the disk wrote nothing for kStallAfter
    bool abandoned = false;  // the thread was left behind: it posts nothing more
    Clock::time_point lastProgress;
    std::string pathNow;  // the capture file being written, for a note about a stall

    // The writer thread's own (start()'s, before the thread runs).
    std::unique_ptr<FileSink> raw, text;
    std::string rawPath, textPath;
    int fileNumber = 0;
    std::uint64_t fileBytes = 0, totalBytes = 0;
    std::string textOut;
    bool skipLf = false;
    std::string error, errorPath;
    bool cancelled = false;  // the UI gave up on the thread while it was stuck

    void run();
    bool openFiles(int n);
    bool writeBatch(const std::string& batch);
    bool flushText();
    bool closeFile(std::unique_ptr<FileSink>& sink, const std::string& sinkPath);
    // One sink call's result; false on failure (cause kept) or once the UI gave up.
    bool check(const std::string& result, const std::string& sinkPath);
    bool put(FileSink& sink, std::string_view bytes, const std::string& sinkPath);
    void post(const Progress& progress);
};

bool CaptureWriter::Job::check(const std::string& result, const std::string& sinkPath) {
    {
        std::lock_guard lock(mutex);
        lastProgress = Clock::now();
        cancelled = abandoned || stalled;
    }
    room.notify_all();
    if (!result.empty()) {
        error = result;
        errorPath = sinkPath;
        return false;
    }
    return !cancelled;
}

bool CaptureWriter::Job::put(FileSink& sink, std::string_view bytes, const std::string& sinkPath) {
    while (!bytes.empty()) {
        const std::string_view piece = bytes.substr(0, kPieceBytes);
        if (!check(sink.write(piece), sinkPath)) return false;
        totalBytes += piece.size();
        bytes.remove_prefix(piece.size());
    }
    return true;
}

bool CaptureWriter::Job::closeFile(std::unique_ptr<FileSink>& sink, const std::string& sinkPath) {
    if (!sink) return true;
    const bool ok = check(sink->sync(), sinkPath) && check(sink->close(), sinkPath);
    sink.reset();
    return ok;
}

bool CaptureWriter::Job::openFiles(int n) {
    if (!flushText() || !closeFile(raw, rawPath) || !closeFile(text, textPath)) return false;
    rawPath = RotatedPath(path, n);
    {
        std::lock_guard lock(mutex);
        pathNow = rawPath;
    }
    raw = makeSink();
    if (!check(raw->create(rawPath), rawPath) || !put(*raw, kFileMagic, rawPath)) return false;
    fileNumber = n;
    fileBytes = kFileMagic.size();
    if (shownText) {
        textPath = ShownTextPath(rawPath);
        text = makeSink();
        if (!check(text->create(textPath), textPath)) return false;
    }
    return true;
}

bool CaptureWriter::Job::flushText() {
    if (!text || textOut.empty()) return true;
    const bool ok = put(*text, textOut, textPath);
    textOut.clear();
    return ok;
}

bool CaptureWriter::Job::writeBatch(const std::string& batch) {
    std::size_t at = 0, rawFrom = 0;  // the records from rawFrom to at go to the capture file together
    auto flushRaw = [&] {
        const bool ok = rawFrom == at || put(*raw, std::string_view(batch).substr(rawFrom, at - rawFrom), rawPath);
        rawFrom = at;
        return ok;
    };
    while (at < batch.size()) {
        const std::size_t length = kRecordHeaderBytes + RecordLength(batch, at);
        if (batch[at] == kShownTag) {
            if (!flushRaw()) return false;
            if (text)
                AppendSavedForm(textOut,
                                std::string_view(batch).substr(at + kRecordHeaderBytes, length - kRecordHeaderBytes),
                                skipLf);
            at += length;
            rawFrom = at;
            if (textOut.size() >= kPieceBytes && !flushText()) return false;
            continue;
        }
        // A file holding at least one record is full when the next would take it past the size.
        if (rotateBytes > 0 && fileBytes > kFileMagic.size() && fileBytes + length > rotateBytes) {
            if (!flushRaw() || !openFiles(fileNumber + 1)) return false;
        }
        fileBytes += length;
        at += length;
    }
    return flushRaw() && flushText();
}

void CaptureWriter::Job::run() {
    std::string batch;
    for (;;) {
        bool last = false;
        {
            std::unique_lock lock(mutex);
            wake.wait_for(lock, kFlushEvery, [this] { return stopping || pending.size() >= kEarlyFlushBytes; });
            batch.swap(pending);
            pending.clear();
            last = stopping;
            lastProgress = Clock::now();
        }
        room.notify_all();
        // Synced every round, so at most the last second is lost when the
        // machine, not just the program, goes.
        bool ok = writeBatch(batch) && check(raw->sync(), rawPath) && (!text || check(text->sync(), textPath));
        if (ok && last) ok = closeFile(raw, rawPath) && closeFile(text, textPath);
        batch.clear();
        if (!cancelled) post({totalBytes, ok ? rawPath : errorPath, ok ? std::string() : error});
        if (!ok || last) {
            std::lock_guard lock(mutex);
            failed = failed || !ok;
            finished = true;
            pending.clear();
            room.notify_all();
            return;
        }
    }
}

void CaptureWriter::Job::post(const Progress& progress) {
    if (!onProgress) return;
    std::lock_guard lock(mutex);  // a writer that was left behind posts nothing
    if (abandoned) return;
    loop.post([alive = alive, onProgress = onProgress, progress] {
        if (*alive) onProgress(progress);
    });
}

CaptureWriter::CaptureWriter(base::EventLoop& loop, std::string path, std::uint64_t rotateBytes, bool shownText,
                             OnProgress onProgress, MakeSink makeSink)
    : job_(std::make_shared<Job>(loop, std::move(path), rotateBytes, shownText, std::move(onProgress),
                                 std::move(makeSink))) {}

CaptureWriter::~CaptureWriter() {
    stop();
    *job_->alive = false;
}

std::string CaptureWriter::start() {
    if (thread_.joinable()) return {};
    if (!job_->openFiles(1)) {
        job_->raw.reset();
        job_->text.reset();
        return job_->error;
    }
    {
        std::lock_guard lock(job_->mutex);
        job_->started = true;
        job_->lastProgress = Clock::now();
    }
    thread_ = std::thread([job = job_] { job->run(); });
    return {};
}

void CaptureWriter::add(Direction direction, std::int64_t micros, std::string_view bytes) {
    hand(static_cast<char>(direction), micros, bytes);
}

void CaptureWriter::addShown(std::string_view text) {
    if (job_->shownText) hand(kShownTag, 0, text);
}

void CaptureWriter::hand(char tag, std::int64_t micros, std::string_view bytes) {
    if (bytes.empty()) return;
    Job& j = *job_;
    std::unique_lock lock(j.mutex);
    if (!j.started || j.failed || j.stopping) return;
    static_assert(kStallAfter == std::chrono::seconds(3), "the note below says 3 s");
    // A full buffer waits for a disk that writes, rather than dropping a byte;
    // a disk that has written nothing for kStallAfter ends the capture instead.
    const Clock::time_point since = Clock::now();
    while (j.pending.size() >= kMaxPendingBytes && !j.failed) {
        const Clock::time_point deadline = std::max(since, j.lastProgress) + kStallAfter;
        if (j.room.wait_until(lock, deadline) == std::cv_status::timeout && j.pending.size() >= kMaxPendingBytes &&
            Clock::now() >= std::max(since, j.lastProgress) + kStallAfter) {
            j.failed = j.stalled = true;
            j.pending.clear();
            if (j.onProgress)
                j.loop.post([alive = j.alive, onProgress = j.onProgress, path = j.pathNow] {
                    if (*alive) onProgress({0, path, "磁盘 3 秒没有写入任何数据"_gbk});
                });
            return;
        }
    }
    if (j.failed) return;
    AppendRecord(j.pending, static_cast<Direction>(tag), micros, bytes);
    if (j.pending.size() >= kEarlyFlushBytes) j.wake.notify_one();
}

void CaptureWriter::stop() {
    Job& j = *job_;
    std::unique_lock lock(j.mutex);
    j.stopping = true;
    j.wake.notify_one();
    if (!thread_.joinable()) return;
    // The rest is written and the files closed, unless the disk stops answering.
    const Clock::time_point since = Clock::now();
    while (!j.finished && !j.stalled) {
        const Clock::time_point deadline = std::max(since, j.lastProgress) + kStallAfter;
        if (j.room.wait_until(lock, deadline) == std::cv_status::timeout && !j.finished &&
            Clock::now() >= std::max(since, j.lastProgress) + kStallAfter)
            break;
    }
    if (j.finished) {
        lock.unlock();
        thread_.join();
        return;
    }
    j.abandoned = true;
    lock.unlock();
    thread_.detach();  // it keeps the job; whatever it wrote stays a valid file up to its last whole record
}

}  // namespace vorta::capture
