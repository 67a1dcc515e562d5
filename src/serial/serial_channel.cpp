#include "serial/serial_channel.h"

#include <chrono>
#include <cstdint>

namespace vorta::serial {
namespace {

constexpr std::size_t kReadChunk = std::size_t{64} * 1024;
// Bytes read in one round before the monitor thread looks at shutdown and
// write requests again, so a flood cannot starve them.
constexpr std::size_t kReadRound = std::size_t{1024} * 1024;
// A read round smaller than this is followed by a gathering pause (see
// kGather). A busy line fills rounds far larger, so it never pauses: the
// driver's buffer (a pseudo-terminal's holds about 64 KB) would fill during
// a pause and hold the sender up.
constexpr std::size_t kGatherBelow = 512;

// Wall-clock time, for the time a chunk arrived as the user reads it.
std::int64_t NowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

SerialChannel::SerialChannel(base::EventLoop& loop, PortResolver resolver)
    : SerialChannel(loop, std::move(resolver), MakePlatformPort()) {}

SerialChannel::SerialChannel(base::EventLoop& loop, PortResolver resolver, std::unique_ptr<PortIo> port)
    : loop_(loop), resolver_(std::move(resolver)), port_(std::move(port)), mailbox_(std::make_shared<Mailbox>()) {
    mailbox_->loop = &loop_;
    mailbox_->owner = this;
}

SerialChannel::~SerialChannel() {
    close();
    mailbox_->owner = nullptr;
}

bool SerialChannel::open() {
    close();
    const std::string device = resolver_ ? resolver_(portNumber_) : std::string();
    if (device.empty() || !port_->open(device, settings_)) return false;
    monitorSession_ = mailbox_->session;
    try {
        monitor_ = std::jthread([this](std::stop_token stop) { monitor(std::move(stop)); });
    } catch (const std::system_error&) {
        port_->close();
        return false;
    }
    return true;
}

void SerialChannel::close() {
    if (monitor_.joinable()) {
        monitor_.request_stop();  // wakes the monitor thread (see monitor())
        monitor_.join();
    }
    port_->close();
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->queue.clear();
        mailbox_->queuedBytes = 0;
        mailbox_->takenChunks = mailbox_->queuedChunks;
    }
    ++mailbox_->session;
}

WriteResult SerialChannel::write(std::string_view bytes) {
    if (!isOpen()) return {};
    if (bytes.empty()) return {true, 0};
    WriteResult result;
    std::uint64_t mark = 0;
    {
        std::unique_lock lock(writeMutex_);
        writeBuffer_.assign(bytes);
        writeRequested_ = true;
        writeFinished_ = false;
        {
            std::lock_guard mailboxLock(mailbox_->mutex);
            writeWaiting_ = true;
        }
        mailbox_->space.notify_all();
        port_->wake();
        writeDone_.wait(lock, [this] { return writeFinished_; });
        result = {writeSent_ == bytes.size(), writeSent_};
        mark = writeMark_;
    }
    // What came in before the frame went out is shown before it. Inside a
    // handler the delivery under way keeps its order instead.
    const std::shared_ptr<Mailbox> mailbox = mailbox_;
    while (!mailbox->delivering) {
        const std::vector<Chunk> burst = takeBurst(*mailbox, mark);
        if (burst.empty() || !raise(mailbox, burst)) break;
    }
    return result;
}

void SerialChannel::monitor(std::stop_token stop) {
    stop_ = std::move(stop);
    // A stop requested wakes the port's wait and the waits for room and for the
    // end of a pause; taking the mutex first, so a wait that has just found no
    // stop cannot miss the wake.
    const std::stop_callback wake(stop_, [this] {
        { const std::lock_guard lock(mailbox_->mutex); }
        mailbox_->space.notify_all();
        port_->wake();
    });
    // No purge here: the port purged as the last step of opening, and a purge
    // now would race with bytes that arrive after open() has returned.
    std::vector<char>& buffer = readBuffer_;
    buffer.resize(kReadChunk);  // shared with serveWrite(), on this thread
    // The last pause gathered a few bytes: more are likely on the way, so the next
    // round pauses again at once instead of waking for the next byte first.
    bool trickle = false;
    for (;;) {
        const unsigned woke = trickle ? PortIo::kInput : port_->wait();
        if (stop_.stop_requested()) return;
        const bool wasTrickle = trickle;
        trickle = false;
        if ((woke & PortIo::kInput) && waitForRoom()) {
            // The first bytes after a silence are read at once.
            const std::size_t first = wasTrickle ? 0 : readAvailable(buffer);
            if (wasTrickle || (first > 0 && first < kGatherBelow)) {
                gather();
                const std::size_t gathered = readAvailable(buffer);
                trickle = gathered > 0 && gathered < kGatherBelow;
            }
        }
        serveWrite();
        postPortNotes();
    }
}

void SerialChannel::postPortNotes() {
    std::vector<std::string> notes = port_->takeNotes();
    if (notes.empty()) return;
    loop_.post([mailbox = mailbox_, session = monitorSession_, notes = std::move(notes)] {
        for (const std::string& note : notes) {
            if (!mailbox->owner || mailbox->session != session) return;
            const auto onNote = mailbox->owner->onPortNote_;  // a copy: the handler may close the channel
            if (onNote) onNote(note);
        }
    });
}

std::size_t SerialChannel::readAvailable(std::vector<char>& buffer) {
    std::size_t total = 0;
    while (total < kReadRound && waitForRoom()) {
        const long n = port_->read(buffer.data(), buffer.size());
        if (n <= 0) break;
        enqueue(buffer.data(), static_cast<std::size_t>(n));
        total += static_cast<std::size_t>(n);
    }
    return total;
}

void SerialChannel::gather() {
    std::unique_lock lock(mailbox_->mutex);
    mailbox_->space.wait_for(lock, kGather, [this] { return stop_.stop_requested() || writeWaiting_; });
}

void SerialChannel::serveWrite() {
    std::string bytes;
    {
        std::lock_guard lock(writeMutex_);
        if (!writeRequested_) return;
        writeRequested_ = false;
        bytes.swap(writeBuffer_);
    }
    // Whatever came in so far is read first, so that it is shown before the
    // frame. While the write waits, a full queue does not hold the monitor:
    // what finds no room stays in the driver and follows later.
    readAvailable(readBuffer_);
    std::uint64_t mark = 0;
    {
        std::lock_guard lock(mailbox_->mutex);
        writeWaiting_ = false;
        mark = mailbox_->queuedChunks;
    }
    const std::size_t sent = port_->write(bytes);
    {
        std::lock_guard lock(writeMutex_);
        writeSent_ = sent;
        writeMark_ = mark;
        writeFinished_ = true;
    }
    writeDone_.notify_all();
}

bool SerialChannel::waitForRoom() {
    std::unique_lock lock(mailbox_->mutex);
    mailbox_->space.wait(
        lock, [this] { return mailbox_->queuedBytes < kQueueBytes || stop_.stop_requested() || writeWaiting_; });
    return mailbox_->queuedBytes < kQueueBytes && !stop_.stop_requested();
}

void SerialChannel::enqueue(const char* bytes, std::size_t count) {
    bool post = false;
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->queue.push_back({std::string(bytes, count), NowMicros()});
        mailbox_->queuedBytes += count;
        ++mailbox_->queuedChunks;
        if (!mailbox_->deliveryPosted) {
            mailbox_->deliveryPosted = true;
            post = true;
        }
    }
    if (post) loop_.post([mailbox = mailbox_] { deliver(mailbox); });
}

std::vector<SerialChannel::Chunk> SerialChannel::takeBurst(Mailbox& mailbox, std::uint64_t through) {
    std::vector<Chunk> burst;
    bool wasFull = false;
    {
        std::lock_guard lock(mailbox.mutex);
        auto& queue = mailbox.queue;
        std::size_t taken = 0;
        while (!queue.empty() && taken < kBurstBytes && mailbox.takenChunks < through) {
            std::string& chunk = queue.front().bytes;
            if (taken + chunk.size() > kBurstBytes) {
                const std::size_t n = kBurstBytes - taken;
                burst.push_back({chunk.substr(0, n), queue.front().arrivalMicros});
                chunk.erase(0, n);
                taken += n;
                break;
            }
            taken += chunk.size();
            burst.push_back(std::move(queue.front()));
            queue.pop_front();
            ++mailbox.takenChunks;
        }
        // Only a monitor thread held up by a full queue waits for the room made here.
        wasFull = mailbox.queuedBytes >= kQueueBytes;
        mailbox.queuedBytes -= taken;
    }
    if (wasFull && !burst.empty()) mailbox.space.notify_all();
    return burst;
}

bool SerialChannel::raise(const std::shared_ptr<Mailbox>& mailbox, const std::vector<Chunk>& burst) {
    if (!mailbox->owner) return false;
    const std::uint64_t session = mailbox->session;
    // A copy, so a handler may replace the handler or destroy the channel.
    const auto onBytes = mailbox->owner->onBytesArrived_;
    // A handler may close or destroy the channel; nothing more is raised then.
    auto gone = [&] { return !mailbox->owner || mailbox->session != session; };
    const bool outer = !mailbox->delivering;
    mailbox->delivering = true;
    for (const Chunk& chunk : burst) {
        if (gone()) break;
        mailbox->owner->arrivalMicros_ = chunk.arrivalMicros;
        if (onBytes) onBytes(chunk.bytes);
    }
    if (outer) mailbox->delivering = false;
    return !gone();
}

void SerialChannel::deliver(const std::shared_ptr<Mailbox>& mailbox) {
    // At most kBurstBytes per turn of the event loop: a flood must not keep the
    // user's clicks, the timers and the display waiting.
    const std::vector<Chunk> burst = takeBurst(*mailbox, UINT64_MAX);
    bool more = false;
    {
        std::lock_guard lock(mailbox->mutex);
        more = !mailbox->queue.empty();
        mailbox->deliveryPosted = more;
    }
    if (more) mailbox->loop->post([mailbox] { deliver(mailbox); });
    raise(mailbox, burst);
}

}  // namespace vorta::serial
