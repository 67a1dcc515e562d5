#pragma once
// The platform part of a serial channel: one open device and the calls the
// monitor thread makes on it. Everything but wake() runs on the thread that
// owns the port at the time (the UI thread to open and close, the monitor
// thread in between).
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/line_settings.h"

namespace vorta::serial {

class PortIo {
public:
    // What made wait() return; several may be set.
    enum WaitResult : unsigned {
        kInput = 1,  // bytes to read, or the device reported a hang-up
        kWoken = 2,  // wake() was called
    };

    virtual ~PortIo() = default;

    // Opens `devicePath` exclusively and applies `settings`. False on any
    // failure, with nothing left open.
    virtual bool open(const std::string& devicePath, const LineSettings& settings) = 0;
    // What the driver made of the settings at the last successful open.
    virtual OpenReport report() const { return {}; }
    // The modem lines now; false when the port has none (a pseudo-terminal,
    // a network port) or is closed. Safe from the UI thread while the monitor
    // thread works on the port: the driver serialises these calls.
    virtual bool modemLines(ModemLines& lines) const {
        (void)lines;
        return false;
    }
    // Raises or drops DTR or RTS; false when the port has no such line. Safe as modemLines().
    virtual bool setOutputLine(OutputLine line, bool on) {
        (void)line;
        (void)on;
        return false;
    }
    // Starts (true) or ends a break on the line; false when the port cannot. Safe as modemLines().
    virtual bool setBreak(bool on) {
        (void)on;
        return false;
    }
    // How waitLineChange() ended.
    enum class LineWait {
        Changed,      // CTS, DSR, DCD or RI changed
        Interrupted,  // interruptLineWait() ended it
        NoWait,       // the driver cannot wait for a change: read the lines now and then
        NoLines,      // the port has no modem lines at all
        Failed,       // the wait failed (device gone); it may work again later
    };
    // Blocks until CTS, DSR, DCD or RI changes or interruptLineWait() is
    // called. Runs on a thread of its own beside the monitor thread, while the
    // port is open.
    virtual LineWait waitLineChange() { return LineWait::NoWait; }
    // Ends a waitLineChange() under way. One that is just about to begin may
    // miss it: the caller repeats this until the waiting thread has left. Any thread.
    virtual void interruptLineWait() {}
    // Releases the device. Safe when closed.
    virtual void close() = 0;
    // True once the open device has gone (unplugged, hung up, its server's
    // connection lost), until the port is closed or opened again.
    virtual bool gone() const { return false; }
    // False while an open port is still on its way up (a connection under
    // way) and bytes cannot pass yet.
    virtual bool ready() const { return true; }

    // Blocks until one of WaitResult happens. Once the device has gone it
    // waits for wake() alone, so a dead device costs no CPU.
    virtual unsigned wait() = 0;
    // Makes the current or next wait() return. Safe from any thread.
    virtual void wake() = 0;

    // Reads what the driver holds, up to `capacity` bytes. Returns the count,
    // 0 when nothing is waiting, -1 when the device has gone.
    virtual long read(char* buffer, std::size_t capacity) = 0;
    // Sends the bytes and waits until the driver has passed them on. Returns
    // how many went out: all of them, or fewer when the time-out passed or the
    // device has gone. What a cut-off write left in the driver is discarded,
    // so the next frame is not sent behind it. Received bytes are untouched.
    virtual std::size_t write(std::string_view bytes) = 0;

    // GBK notes for the user that came up since the last call (why an open
    // failed, a setting a server did not confirm, a lost connection). Any thread.
    virtual std::vector<std::string> takeNotes() { return {}; }
};

// The port of this platform: a local device through termios, or a serial
// device server's port when the device path is a network address.
std::unique_ptr<PortIo> MakePlatformPort();

}  // namespace vorta::serial
