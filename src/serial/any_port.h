#pragma once
// The port the channel opens: whichever kind the device path names, a local
// device (termios) or a serial device server's port (network_port.h).
#include <atomic>

#include "serial/network_port.h"
#include "serial/termios_port.h"

namespace vorta::serial {

class AnyPort : public PortIo {
public:
    bool open(const std::string& devicePath, const LineSettings& settings) override;
    OpenReport report() const override { return current_.load()->report(); }
    bool modemLines(ModemLines& lines) const override { return current_.load()->modemLines(lines); }
    bool setOutputLine(OutputLine line, bool on) override { return current_.load()->setOutputLine(line, on); }
    bool setBreak(bool on) override { return current_.load()->setBreak(on); }
    LineWait waitLineChange() override { return current_.load()->waitLineChange(); }
    // Both, like wake(): a reopen may pick the other kind while the follower waits.
    void interruptLineWait() override {
        local_.interruptLineWait();
        network_.interruptLineWait();
    }
    void close() override { current_.load()->close(); }
    bool gone() const override { return current_.load()->gone(); }
    bool ready() const override { return current_.load()->ready(); }
    unsigned wait() override { return current_.load()->wait(); }
    // Both: wake() may come from another thread while open() picks a kind.
    void wake() override {
        local_.wake();
        network_.wake();
    }
    long read(char* buffer, std::size_t capacity) override { return current_.load()->read(buffer, capacity); }
    std::size_t write(std::string_view bytes) override { return current_.load()->write(bytes); }
    std::vector<std::string> takeNotes() override { return network_.takeNotes(); }

private:
    TermiosPort local_;
    NetworkPort network_;
    // Atomic: a reconnect's open() sets it on the monitor thread while the
    // modem-line follower calls through it.
    std::atomic<PortIo*> current_{&local_};
};

}  // namespace vorta::serial
