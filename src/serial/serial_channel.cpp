#include "serial/serial_channel.h"

#include <chrono>
#include <cstdint>

#include "codec/gbk_literal.h"

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
    modemWatcher_.setOnChange(nullptr);  // no Closed for a listener that may be gone
    close();
    mailbox_->owner = nullptr;
}

bool SerialChannel::open() {
    close();
    const std::string device = resolver_ ? resolver_(portNumber_) : std::string();
    if (device.empty() || !port_->open(device, settings_)) return false;
    monitorSession_ = mailbox_->session;
    openNumber_ = portNumber_;
    openReport_ = port_->report();
    {
        std::lock_guard lock(portMutex_);
        openSettings_ = settings_;
        portUp_ = true;
    }
    down_ = backPending_ = false;
    try {
        monitor_ = std::jthread([this](std::stop_token stop) { monitor(std::move(stop)); });
    } catch (const std::system_error&) {
        port_->close();
        return false;
    }
    modemWatcher_.start(*port_);
    return true;
}

void SerialChannel::close() {
    stopAttempts();
    reconnect_ = {};
    modemWatcher_.stop();  // before the port goes: it may sit in the port's wait
    if (monitor_.joinable()) {
        monitor_.request_stop();  // wakes the monitor thread (see monitor())
        monitor_.join();
    }
    {
        std::lock_guard lock(portMutex_);
        portUp_ = false;
    }
    port_->close();
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->queue.clear();
        mailbox_->queuedBytes = 0;
        mailbox_->takenChunks = mailbox_->queuedChunks;
        attemptDevice_.clear();
    }
    ++mailbox_->session;
}

bool SerialChannel::modemLines(ModemLines& lines) const {
    if (!isOpen()) return false;
    std::lock_guard lock(portMutex_);
    return portUp_ && port_->modemLines(lines);
}

bool SerialChannel::setOutputLine(OutputLine line, bool on) {
    if (!isOpen()) return false;
    std::lock_guard lock(portMutex_);
    (line == OutputLine::Dtr ? openSettings_.dtr : openSettings_.rts) = on;
    return portUp_ && port_->setOutputLine(line, on);
}

bool SerialChannel::setBreak(bool on) {
    if (!isOpen()) return false;
    std::lock_guard lock(portMutex_);
    return portUp_ && port_->setBreak(on);
}

WriteResult SerialChannel::write(std::string_view bytes) {
    if (!isOpen() || reconnect_.waiting) return {};
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
        if (down_) {
            if (!waitForDevice()) return;
            continue;
        }
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
        if (port_->gone()) {
            trickle = false;
            loseDevice();
            continue;
        }
        if (backPending_ && port_->ready()) {
            backPending_ = false;
            postInOrder([](SerialChannel& channel) { channel.deviceBack(); });
        }
        postPortNotes();
    }
}

void SerialChannel::postInOrder(std::function<void(SerialChannel&)> task) {
    std::uint64_t mark = 0;
    {
        std::lock_guard lock(mailbox_->mutex);
        mark = mailbox_->queuedChunks;
    }
    loop_.post([mailbox = mailbox_, session = monitorSession_, mark, task = std::move(task)] {
        const auto current = [&] { return mailbox->owner && mailbox->session == session; };
        // Inside a handler the delivery under way keeps its order instead.
        while (current() && !mailbox->delivering) {
            const std::vector<Chunk> burst = takeBurst(*mailbox, mark);
            if (burst.empty() || !raise(mailbox, burst)) break;
        }
        if (current()) task(*mailbox->owner);
    });
}

void SerialChannel::postPortNotes() {
    std::vector<std::string> notes = port_->takeNotes();
    if (notes.empty()) return;
    postInOrder([notes = std::move(notes)](SerialChannel& channel) { channel.raiseNotes(notes); });
}

void SerialChannel::raiseNote(const std::string& note) {
    const auto onNote = onPortNote_;  // a copy: the handler may close the channel
    if (onNote) onNote(note);
}

bool SerialChannel::raiseNotes(const std::vector<std::string>& notes) {
    // A handler may close or destroy the channel; nothing more is raised then.
    const std::shared_ptr<Mailbox> mailbox = mailbox_;
    const std::uint64_t session = mailbox->session;
    const auto current = [&] { return mailbox->owner && mailbox->session == session; };
    for (const std::string& note : notes) {
        if (!current()) return false;
        mailbox->owner->raiseNote(note);
    }
    return current();
}

void SerialChannel::loseDevice() {
    std::vector<std::string> notes = port_->takeNotes();
    {
        std::lock_guard lock(portMutex_);
        portUp_ = false;
    }
    // Released at once: an adapter plugged in again gets its old node only
    // once no one holds the old one.
    port_->close();
    down_ = true;
    if (backPending_) {
        // A reopened port that did not come up (a connection that failed
        // after all): one more failed attempt, no note.
        backPending_ = false;
        postInOrder([](SerialChannel& channel) { channel.attemptFailed(); });
        return;
    }
    // The port's last note says why (a server that closed the connection);
    // the ones before are its own.
    std::string note = "设备已断开，等待重新连接……"_gbk;
    if (!notes.empty()) {
        std::string why = std::move(notes.back());
        notes.pop_back();
        const std::string stop = "。"_gbk;
        if (why.ends_with(stop)) why.erase(why.size() - stop.size());
        note = "设备已断开（"_gbk + why + "），等待重新连接……"_gbk;
    }
    postInOrder([notes = std::move(notes), note = std::move(note)](SerialChannel& channel) {
        if (channel.raiseNotes(notes)) channel.deviceLost(note);
    });
}

bool SerialChannel::waitForDevice() {
    std::string device;
    {
        std::unique_lock lock(mailbox_->mutex);
        mailbox_->space.wait(lock,
                             [this] { return stop_.stop_requested() || writeWaiting_ || !attemptDevice_.empty(); });
        if (stop_.stop_requested()) return false;
        device.swap(attemptDevice_);
    }
    serveWrite();  // fails: there is nothing to write to
    if (device.empty()) return true;
    LineSettings settings;
    {
        std::lock_guard lock(portMutex_);
        settings = openSettings_;
    }
    const bool opened = port_->open(device, settings);
    // Why an attempt failed, or what the port says at every open, would
    // otherwise repeat at every attempt.
    port_->takeNotes();
    // A stop that came during the open may have had its wake taken by it.
    if (stop_.stop_requested()) return false;
    if (!opened) {
        postInOrder([](SerialChannel& channel) { channel.attemptFailed(); });
        return true;
    }
    {
        std::lock_guard lock(portMutex_);
        portUp_ = true;
    }
    down_ = false;
    // A connection still under way is back once it is up (see monitor()).
    backPending_ = !port_->ready();
    if (!backPending_) postInOrder([](SerialChannel& channel) { channel.deviceBack(); });
    return true;
}

void SerialChannel::deviceLost(const std::string& note) {
    stopAttempts();
    reconnect_ = {};
    reconnect_.waiting = true;
    scheduleAttempt();
    raiseNote(note);
}

void SerialChannel::deviceBack() {
    stopAttempts();
    reconnect_ = {};
    raiseNote("设备已重新连接。"_gbk);
}

void SerialChannel::attemptFailed() {
    reconnect_.attempting = false;
    if (reconnect_.waiting) scheduleAttempt();
}

void SerialChannel::scheduleAttempt() {
    stopAttempts();
    constexpr std::size_t kLast = std::size(kRetryDelaysMs) - 1;
    const int delay = kRetryDelaysMs[std::min(reconnect_.delayIndex, kLast)];
    ++reconnect_.delayIndex;
    reconnect_.timer = loop_.startTimer(delay, [this] { attempt(); });
}

void SerialChannel::stopAttempts() {
    if (reconnect_.timer != 0) loop_.stopTimer(reconnect_.timer);
    reconnect_.timer = 0;
}

void SerialChannel::retryNow() {
    if (reconnect_.waiting && !reconnect_.attempting) attempt();
}

void SerialChannel::attempt() {
    stopAttempts();
    if (!reconnect_.waiting || reconnect_.attempting) return;
    // Looked up afresh: the device may come back under another node (a new
    // pseudo-terminal behind the same ports-folder link).
    const std::string device = resolver_ ? resolver_(openNumber_) : std::string();
    if (device.empty()) {
        scheduleAttempt();
        return;
    }
    reconnect_.attempting = true;
    {
        std::lock_guard lock(mailbox_->mutex);
        attemptDevice_ = device;
    }
    mailbox_->space.notify_all();
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
    if (!down_) readAvailable(readBuffer_);
    std::uint64_t mark = 0;
    {
        std::lock_guard lock(mailbox_->mutex);
        writeWaiting_ = false;
        mark = mailbox_->queuedChunks;
    }
    const std::size_t sent = down_ ? 0 : port_->write(bytes);
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
