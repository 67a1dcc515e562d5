#pragma once
// The serial channel: one port, configured through properties, opened and
// closed and written to on the UI thread. A monitor thread reads the port and
// performs the writes; received bytes come back on the UI thread in order, in
// chunks. The queue between the
// threads is bounded: when the UI thread falls behind, the monitor thread stops
// reading until it catches up, so the driver and the sender wait and nothing is
// lost. Every member is called on the UI thread.
//
// A device that goes while the port is open (unplugged, hung up, its server's
// connection lost) leaves the channel open: one note says so, the device is
// released, and the port number is looked up again after growing pauses
// (kRetryDelaysMs) or at once when retryNow() says devices came or went. The
// monitor thread makes each attempt, so the UI thread never waits for one; a
// device found is opened with the settings of the last open() (and the output
// lines as last switched), and one note says it is back. Writes fail at once
// meanwhile.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "serial/line_settings.h"
#include "serial/modem_watcher.h"
#include "serial/port_io.h"
#include "serial/port_resolver.h"
#include "base/event_loop.h"

namespace vorta::serial {

// The outcome of a write: whether every byte went out, and how many did.
struct WriteResult {
    bool ok = false;
    std::size_t sent = 0;
    explicit operator bool() const { return ok; }
};

class SerialChannel {
public:
    SerialChannel(base::EventLoop& loop, PortResolver resolver);
    SerialChannel(base::EventLoop& loop, PortResolver resolver, std::unique_ptr<PortIo> port);
    // Closes the port; events still queued are dropped.
    ~SerialChannel();
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    // Properties. They are read by open(); changing them while open has no
    // effect until the next open().
    void setPortNumber(int n) { portNumber_ = n < 1 ? 1 : n; }
    int portNumber() const { return portNumber_; }
    void setBaudRate(int baud) { settings_.baudRate = baud < 0 ? 0 : baud; }
    int baudRate() const { return settings_.baudRate; }
    void setDataBits(int bits) { settings_.dataBits = bits; }
    int dataBits() const { return settings_.dataBits; }
    void setStopBitsCode(int code) { settings_.stopBits = StopBitsFromCode(code); }
    int stopBitsCode() const { return static_cast<int>(settings_.stopBits); }
    void setParityCode(int code) { settings_.parity = ParityFromCode(code); }
    int parityCode() const { return static_cast<int>(settings_.parity); }
    void setFlowControlCode(int code) { settings_.flow = FlowControlFromCode(code); }
    void setRs485(const Rs485& mode) { settings_.rs485 = mode; }
    void setOutputLines(bool dtr, bool rts) {
        settings_.dtr = dtr;
        settings_.rts = rts;
    }
    // The modem lines of the open port; false when closed, its device gone or it has none.
    bool modemLines(ModemLines& lines) const;
    // Switches DTR or RTS of the open port at once; false when closed, its
    // device gone or it has no such line. Kept for the device's return.
    bool setOutputLine(OutputLine line, bool on);
    // Starts or ends a break on the open port's line; false when closed, its device gone or it cannot.
    bool setBreak(bool on);
    // Raised on the UI thread with CTS, DSR, DCD and RI as they change while the
    // port is open (see ModemWatcher), and with Closed when it closes.
    void setOnModemLines(std::function<void(const ModemState&)> handler) {
        modemWatcher_.setOnChange(std::move(handler));
    }
    ModemWatcher::Mode modemWatchMode() const { return modemWatcher_.mode(); }
    // What the driver made of the settings at the last open.
    OpenReport openReport() const { return openReport_; }

    // Closes, then opens the device of the port number with the current
    // properties. True when the port is open and the monitor thread runs.
    bool open();
    // Stops the monitor thread, releases the device and drops undelivered
    // events, including the rest of a burst being delivered. Safe when closed.
    void close();
    // Sends the bytes as they are. Blocks until written, or until the time-out
    // plus the bytes' line time; not ok when closed, on time-out or when the
    // device has gone (at once while waiting for it to come back), with the
    // count of bytes that did go out. No bytes: ok,
    // nothing sent. Bytes received before the frame went out are never
    // discarded: they are raised before write() returns (unless it is called
    // from a data handler, whose delivery then goes on after it).
    WriteResult write(std::string_view bytes);
    bool isOpen() const { return monitor_.joinable(); }
    // True while the open port's device has gone and the channel looks for it.
    bool waitingForDevice() const { return reconnect_.waiting; }
    // Devices may have come or gone: while waiting for the device, try it now
    // rather than after the pause. Does nothing otherwise.
    void retryNow();
    // Microseconds since 1970 UTC at which the monitor thread read the bytes
    // last raised (0 before any).
    std::int64_t arrivalMicros() const { return arrivalMicros_; }

    // Raised on the UI thread with received bytes in order, up to kBurstBytes at a time.
    // While it runs, arrivalMicros() is when the monitor thread read those bytes.
    void setOnBytesArrived(std::function<void(std::string_view bytes)> handler) {
        onBytesArrived_ = std::move(handler);
    }
    // Raised on the UI thread with each GBK note the port has for the user
    // while it is open (a server that did not confirm a setting, a lost
    // connection), after the bytes that came before it.
    void setOnPortNote(std::function<void(const std::string& note)> handler) { onPortNote_ = std::move(handler); }
    // The port's notes now, on the UI thread: right after open() they say why
    // it failed or what the user should know about the port.
    std::vector<std::string> takePortNotes() { return port_->takeNotes(); }

    // Bytes delivered per turn of the event loop at most; the rest follow in later turns.
    static constexpr std::size_t kBurstBytes = 16384;
    // Bytes read but not yet delivered at most; past this the monitor thread stops reading.
    static constexpr std::size_t kQueueBytes = std::size_t{256} * 1024;
    // After a small read the monitor thread lets bytes gather in the driver this
    // long before it reads again, so a slow trickle (a USB adapter or a
    // pseudo-terminal passing on a few bytes every millisecond) wakes both
    // threads a hundred times a second rather than a thousand. While the trickle
    // lasts, the monitor pauses and reads in turn, without waking for each byte
    // in between. The first bytes after a silence are read at once; a write or
    // close cuts the pause short.
    static constexpr std::chrono::milliseconds kGather{8};
    // The pauses before the attempts to take a gone device up again; the last repeats.
    static constexpr int kRetryDelaysMs[] = {1000, 2000, 4000, 5000};

private:
    struct Chunk {
        std::string bytes;
        std::int64_t arrivalMicros = 0;
    };
    // Shared with the delivery tasks posted to the event loop, which may run
    // after the channel is gone.
    struct Mailbox {
        std::mutex mutex;
        std::condition_variable space;  // the monitor thread waits here while the queue is full
        std::deque<Chunk> queue;        // received bytes, in the chunks they were read in
        std::size_t queuedBytes = 0;
        bool deliveryPosted = false;
        base::EventLoop* loop = nullptr;  // where deliveries are posted
        // UI thread only: the channel (null once destroyed) and a count of
        // close() calls, so a burst from before a close is not delivered.
        SerialChannel* owner = nullptr;
        std::uint64_t session = 0;
        bool delivering = false;  // a handler is being raised
        // Chunks ever queued and ever taken, counting a split one when its last part is taken.
        std::uint64_t queuedChunks = 0;
        std::uint64_t takenChunks = 0;
    };

    // The search for a gone device, on the UI thread.
    struct Reconnect {
        bool waiting = false;     // the device has gone; attempts go on
        bool attempting = false;  // the monitor thread is trying a device
        std::size_t delayIndex = 0;
        base::EventLoop::TimerId timer = 0;
    };

    void monitor(std::stop_token stop);
    // Posts the port's notes to the UI thread, for the session under way.
    void postPortNotes();
    // Runs `task` on the UI thread for the session under way, once the bytes
    // read before it have been raised.
    void postInOrder(std::function<void(SerialChannel&)> task);
    // Monitor thread: the device has gone; release it and tell the UI thread.
    void loseDevice();
    // Monitor thread, while the device is gone: serves writes (they fail) and
    // the attempts the UI thread hands over. False once stopped.
    bool waitForDevice();
    // UI thread: the steps of the search.
    void deviceLost(const std::string& note);
    void deviceBack();
    void attemptFailed();
    void scheduleAttempt();
    void attempt();
    void stopAttempts();
    void raiseNote(const std::string& note);
    // Raises the notes in order; false once a handler closed or destroyed the channel.
    bool raiseNotes(const std::vector<std::string>& notes);
    // Reads and queues what the driver holds, up to one round; returns the bytes read.
    std::size_t readAvailable(std::vector<char>& buffer);
    void serveWrite();
    // The pause after a small read; returns early for a write or close.
    void gather();
    // Appends under the mailbox lock; posts one delivery unless one is pending.
    void enqueue(const char* bytes, std::size_t count);
    // Blocks while the queue is full, unless a write or the shutdown is waiting. True when there is room.
    bool waitForRoom();
    static void deliver(const std::shared_ptr<Mailbox>& mailbox);
    // Takes up to kBurstBytes from the front of the queue, none past chunk number `through`.
    static std::vector<Chunk> takeBurst(Mailbox& mailbox, std::uint64_t through);
    // Raises the chunks on the UI thread; false once the channel was closed or destroyed.
    static bool raise(const std::shared_ptr<Mailbox>& mailbox, const std::vector<Chunk>& burst);

    base::EventLoop& loop_;
    PortResolver resolver_;
    std::unique_ptr<PortIo> port_;
    int portNumber_ = 1;
    LineSettings settings_;
    std::function<void(std::string_view)> onBytesArrived_;
    std::function<void(const std::string&)> onPortNote_;
    std::int64_t arrivalMicros_ = 0;    // of the chunk last raised
    std::uint64_t monitorSession_ = 0;  // the mailbox's session the monitor thread serves

    std::shared_ptr<Mailbox> mailbox_;
    // Blocks in the port's wait, so it is a thread of its own rather than a
    // base::Worker job; stopped the same way, through its stop token, which wakes
    // the port's wait and the mailbox's waits.
    std::jthread monitor_;
    std::stop_token stop_;  // the monitor thread's, read there only

    // The write handed to the monitor thread.
    std::mutex writeMutex_;
    std::condition_variable writeDone_;
    std::string writeBuffer_;
    bool writeRequested_ = false;
    std::atomic<bool> writeWaiting_{false};  // wakes a monitor thread held by a full queue
    bool writeFinished_ = false;
    std::size_t writeSent_ = 0;
    std::uint64_t writeMark_ = 0;   // chunks queued when the write went out
    std::vector<char> readBuffer_;  // monitor thread only

    // Between the UI thread's line calls and the monitor thread taking the
    // device down or up again: whether the port has its device, and the
    // settings a reconnect applies (those of open(), lines as last switched).
    mutable std::mutex portMutex_;
    bool portUp_ = false;
    LineSettings openSettings_;
    int openNumber_ = 1;     // the port number open() looked up
    OpenReport openReport_;  // taken at open(): a reopen replaces the port's own
    // Monitor thread only: the device has gone; a reopened port has yet to say it is back.
    bool down_ = false;
    bool backPending_ = false;
    std::string attemptDevice_;  // under the mailbox's mutex: a device to try, handed over
    Reconnect reconnect_;        // UI thread only
    // Follows the modem lines on a thread of its own while the port is open.
    ModemWatcher modemWatcher_{loop_};
};

}  // namespace vorta::serial
