#pragma once
// The port the channel opens: whichever kind the device path names, a local
// device (termios) or a serial device server's port (network_port.h).
#include "serial/network_port.h"
#include "serial/termios_port.h"

namespace vorta::serial {

class AnyPort : public PortIo {
public:
    bool open(const std::string& devicePath, const LineSettings& settings) override;
    OpenReport report() const override { return current_->report(); }
    bool modemLines(ModemLines& lines) const override { return current_->modemLines(lines); }
    bool setOutputLine(OutputLine line, bool on) override { return current_->setOutputLine(line, on); }
    bool setBreak(bool on) override { return current_->setBreak(on); }
    LineWait waitLineChange() override { return current_->waitLineChange(); }
    void interruptLineWait() override { current_->interruptLineWait(); }
    void close() override { current_->close(); }
    bool gone() const override { return current_->gone(); }
    bool ready() const override { return current_->ready(); }
    unsigned wait() override { return current_->wait(); }
    // Both: wake() may come from another thread while open() picks a kind.
    void wake() override {
        local_.wake();
        network_.wake();
    }
    long read(char* buffer, std::size_t capacity) override { return current_->read(buffer, capacity); }
    std::size_t write(std::string_view bytes) override { return current_->write(bytes); }
    std::vector<std::string> takeNotes() override { return network_.takeNotes(); }

private:
    TermiosPort local_;
    NetworkPort network_;
    PortIo* current_ = &local_;
};

}  // namespace vorta::serial
