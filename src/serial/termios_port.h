#pragma once
// A serial device on Linux: termios settings, an advisory lock plus TIOCEXCL
// for exclusive use, poll() on the device and an eventfd for wake-ups.
#include <pthread.h>

#include <cstdint>
#include <mutex>

#include "base/unique_fd.h"
#include "serial/port_io.h"

namespace vorta::serial {

// A pseudo-terminal (a socat pair, a terminal program's pty) has no hardware
// queue: bytes written wait in the far end's input until it reads them, while
// the output queue reads 0. Purging its output would throw those bytes away.
bool IsPseudoTerminal(int fd);

class TermiosPort : public PortIo {
public:
    TermiosPort();
    ~TermiosPort() override;
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    bool open(const std::string& devicePath, const LineSettings& settings) override;
    OpenReport report() const override { return report_; }
    bool modemLines(ModemLines& lines) const override;
    bool setOutputLine(OutputLine line, bool on) override;
    bool setBreak(bool on) override;
    // TIOCMIWAIT; interruptLineWait() ends it with a signal of its own (see termios_port.cpp).
    LineWait waitLineChange() override;
    void interruptLineWait() override;
    void close() override;
    unsigned wait() override;
    void wake() override;
    long read(char* buffer, std::size_t capacity) override;
    std::size_t write(std::string_view bytes) override;

    // The open device's descriptor, or -1.
    int fd() const { return fd_.get(); }
    // True while the open device is a pseudo-terminal.
    bool pseudoTerminal() const { return pseudoTerminal_; }
    // True once the device has hung up (unplugged, far end of a pseudo-terminal closed).
    bool gone() const override { return gone_; }

private:
    bool waitWritable(std::int64_t deadlineMs);
    // Waits until the output queue is empty; returns what is still queued at the deadline.
    int waitDrained(std::int64_t deadlineMs);
    std::int64_t lineTimeMs(std::size_t bytes) const;

    // Set by open() once the device is set up, cleared by close(): both under
    // fdMutex_, which the line follower takes to use it (waitLineChange(),
    // modemLines()) while the monitor thread closes and reopens the port.
    base::UniqueFd fd_;
    mutable std::mutex fdMutex_;
    base::UniqueFd wakeFd_;
    bool gone_ = false;
    bool pseudoTerminal_ = false;
    bool exclusive_ = false;  // this descriptor set TIOCEXCL
    bool hangup_ = false;     // poll reported HUP/ERR: the next empty read means gone
    LineSettings settings_;
    OpenReport report_;
    // The thread in waitLineChange(), if any; the lock keeps it from leaving while it is signalled.
    std::mutex lineWaitMutex_;
    bool lineWaiting_ = false;
    pthread_t lineWaiter_{};
};

}  // namespace vorta::serial
