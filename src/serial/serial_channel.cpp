#include "serial/serial_channel.h"

#include <cstring>

namespace vorta::serial {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Bytes read in one round before the monitor thread looks at shutdown and
// write requests again, so a flood cannot starve them.
constexpr std::size_t kReadRound = 1024 * 1024;
// A read round smaller than this is followed by a gathering pause (see
// kGather). A busy line fills rounds far larger, so it never pauses: the
// driver's buffer (a pseudo-terminal's holds about 64 KB) would fill during
// a pause and hold the sender up.
constexpr std::size_t kGatherBelow = 512;

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
    eventChar_ = settings_.eventCharacter.empty() ? -1 : static_cast<unsigned char>(settings_.eventCharacter[0]);
    stop_ = false;
    try {
        monitor_ = std::thread(&SerialChannel::monitor, this);
    } catch (const std::system_error&) {
        port_->close();
        return false;
    }
    return true;
}

void SerialChannel::close() {
    if (monitor_.joinable()) {
        {
            std::lock_guard lock(mailbox_->mutex);
            stop_ = true;
        }
        mailbox_->space.notify_all();
        port_->wake();
        monitor_.join();
    }
    port_->close();
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->queue.clear();
        mailbox_->queuedBytes = 0;
    }
    ++mailbox_->session;
}

bool SerialChannel::write(std::string_view bytes) {
    if (!isOpen()) return false;
    if (bytes.empty()) return true;
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
    return writeOk_;
}

void SerialChannel::monitor() {
    // No purge here: the port purged as the last step of opening, and a purge
    // now would race with bytes that arrive after open() has returned.
    std::vector<char> buffer(kReadChunk);
    std::vector<LineEvent> lines;
    // The last pause gathered a few bytes: more are likely on the way, so the next
    // round pauses again at once instead of waking for the next byte first.
    bool trickle = false;
    for (;;) {
        const unsigned woke = trickle ? PortIo::kInput : port_->wait();
        if (stop_) return;
        lines.clear();
        port_->lineEvents(lines);
        if (!lines.empty()) enqueue(lines, nullptr, 0);
        const bool wasTrickle = trickle;
        trickle = false;
        if ((woke & PortIo::kInput) && waitForRoom()) {
            // The first bytes after a silence are read at once.
            const std::size_t first = wasTrickle ? 0 : readAvailable(buffer);
            if (wasTrickle || (first > 0 && first < kGatherBelow)) {
                gather();
                // Read what came meanwhile before a write's purge could discard it:
                // the pause must not lose bytes a monitor that never paused would show.
                const std::size_t gathered = readAvailable(buffer);
                trickle = gathered > 0 && gathered < kGatherBelow;
            }
        }
        serveWrite();
    }
}

std::size_t SerialChannel::readAvailable(std::vector<char>& buffer) {
    std::size_t total = 0;
    while (total < kReadRound && waitForRoom()) {
        const long n = port_->read(buffer.data(), buffer.size());
        if (n <= 0) break;
        enqueue({}, buffer.data(), static_cast<std::size_t>(n));
        total += static_cast<std::size_t>(n);
    }
    return total;
}

void SerialChannel::gather() {
    std::unique_lock lock(mailbox_->mutex);
    mailbox_->space.wait_for(lock, kGather, [this] { return stop_ || writeWaiting_; });
}

void SerialChannel::serveWrite() {
    std::string bytes;
    {
        std::lock_guard lock(writeMutex_);
        if (!writeRequested_) return;
        writeRequested_ = false;
        writeWaiting_ = false;
        bytes.swap(writeBuffer_);
    }
    // Bytes received but not yet read, and anything not yet sent, go first
    // (except on a pseudo-terminal, whose far end may not have read it yet).
    port_->purge();
    const bool ok = port_->write(bytes);
    {
        std::lock_guard lock(writeMutex_);
        writeOk_ = ok;
        writeFinished_ = true;
    }
    writeDone_.notify_all();
}

bool SerialChannel::waitForRoom() {
    std::unique_lock lock(mailbox_->mutex);
    mailbox_->space.wait(lock, [this] { return mailbox_->queuedBytes < kQueueBytes || stop_ || writeWaiting_; });
    return mailbox_->queuedBytes < kQueueBytes && !stop_;
}

void SerialChannel::enqueue(const std::vector<LineEvent>& lines, const char* bytes, std::size_t count) {
    bool post = false;
    {
        std::lock_guard lock(mailbox_->mutex);
        auto& queue = mailbox_->queue;
        for (LineEvent line : lines) queue.push_back({line, {}});
        if (eventChar_ >= 0 && count > 0 && std::memchr(bytes, eventChar_, count))
            queue.push_back({LineEvent::EventCharacter, {}});
        if (count > 0) {
            queue.push_back({std::nullopt, std::string(bytes, count)});
            mailbox_->queuedBytes += count;
        }
        if (!mailbox_->deliveryPosted) {
            mailbox_->deliveryPosted = true;
            post = true;
        }
    }
    if (post) loop_.post([mailbox = mailbox_] { Deliver(mailbox); });
}

void SerialChannel::Deliver(const std::shared_ptr<Mailbox>& mailbox) {
    // At most kBurstBytes per turn of the event loop: a flood must not keep the
    // user's clicks, the timers and the display waiting.
    std::vector<Event> burst;
    bool more = false, wasFull = false;
    {
        std::lock_guard lock(mailbox->mutex);
        auto& queue = mailbox->queue;
        std::size_t taken = 0;
        while (!queue.empty() && taken < kBurstBytes) {
            Event& e = queue.front();
            if (!e.line && taken + e.bytes.size() > kBurstBytes) {
                const std::size_t n = kBurstBytes - taken;
                burst.push_back({std::nullopt, e.bytes.substr(0, n)});
                e.bytes.erase(0, n);
                taken += n;
                break;
            }
            taken += e.bytes.size();
            burst.push_back(std::move(e));
            queue.pop_front();
        }
        // Only a monitor thread held up by a full queue waits for the room made here.
        wasFull = mailbox->queuedBytes >= kQueueBytes;
        mailbox->queuedBytes -= taken;
        more = !queue.empty();
        mailbox->deliveryPosted = more;
    }
    if (wasFull) mailbox->space.notify_all();
    if (more) mailbox->loop->post([mailbox] { Deliver(mailbox); });
    if (!mailbox->owner) return;
    const std::uint64_t session = mailbox->session;
    // Copies, so a handler may replace the handlers or destroy the channel.
    const auto onBytes = mailbox->owner->onBytesArrived_;
    const auto onData = mailbox->owner->onDataArrived_;
    const auto onLine = mailbox->owner->onLineEvent_;
    // A handler may close or destroy the channel; nothing more is raised then.
    auto gone = [&] { return !mailbox->owner || mailbox->session != session; };
    for (const Event& e : burst) {
        if (gone()) return;
        if (e.line) {
            if (onLine) onLine(*e.line);
        } else if (onBytes) {
            onBytes(e.bytes);
        } else if (onData) {
            for (char b : e.bytes) {
                if (gone()) return;
                onData(static_cast<unsigned char>(b));
            }
        }
    }
}

}  // namespace vorta::serial
