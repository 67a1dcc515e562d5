#pragma once
// A port on a serial device server, reached over TCP: RFC 2217 (Telnet with
// the COM port option, so the line settings travel to the server) or raw TCP
// (the bytes alone, the server's own line settings). The device path it opens
// is the address (network_address.h).
//
// Opening never holds the caller long: the connection is given Timeouts::openWait; a
// server that refuses or a host that is unknown fails the open, a connection
// still under way then goes on in the background until Timeouts::connect and,
// should it fail, the port is gone, as an unplugged device is. The server's
// answers to the line settings are awaited the same way: one that does not
// answer in Timeouts::confirm gets a note, never a hang.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "serial/network_address.h"
#include "serial/port_io.h"
#include "serial/telnet_codec.h"

namespace vorta::serial {

class NetworkPort : public PortIo {
public:
    struct Timeouts {
        std::chrono::milliseconds openWait{300};  // what open() waits for the connection at most
        std::chrono::milliseconds resolve{2000};  // a host name's lookup
        std::chrono::milliseconds connect{5000};  // the connection, from open()
        std::chrono::milliseconds confirm{3000};  // the server's answers to the line settings
    };

    NetworkPort();
    explicit NetworkPort(Timeouts timeouts);
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    bool open(const std::string& address, const LineSettings& settings) override;
    void close() override;
    unsigned wait() override;
    void wake() override;
    long read(char* buffer, std::size_t capacity) override;
    std::size_t write(std::string_view bytes) override;

    // GBK notes for the user since the last call: why an open failed, a
    // setting the server did not confirm, a connection lost. Any thread.
    std::vector<std::string> takeNotes() override;
    // RFC 2217 only: DTR, RTS and break go to the server as SET-CONTROL
    // commands (sent by the monitor thread), and the lines come from its
    // NOTIFY-MODEMSTATE; false on raw TCP, before the first notification or
    // once the port is closed. Safe from the UI thread.
    bool modemLines(ModemLines& lines) const override;
    bool setOutputLine(OutputLine line, bool on) override;
    bool setBreak(bool on) override;
    // True once connected, until closed or gone.
    bool connected() const { return stage_ == Stage::kOpen; }
    bool gone() const override { return stage_ == Stage::kGone; }
    bool ready() const override { return connected(); }
    // True while the server has yet to confirm some line setting.
    bool awaitingConfirmation() const { return !unconfirmed_.empty(); }

private:
    enum class Stage { kClosed, kConnecting, kOpen, kGone };
    using Clock = std::chrono::steady_clock;

    bool startConnect(const std::string& host, const std::string& port);
    // The connect under way completed: true when it succeeded. A failure
    // during open() leaves the port closed, a later one leaves it gone.
    bool finishConnect(bool duringOpen);
    void becomeGone(const std::string& note);
    void flushPending();
    void handle(const telnet::Event& event);
    // Takes in what the socket holds: data into inbox_, commands handled. False when it has gone.
    bool receive(std::size_t capacity);
    void awaitConfirmation(Clock::time_point deadline);
    void checkDeadlines();
    std::int64_t lineTimeMs(std::size_t bytes) const;
    void note(std::string text);

    Timeouts timeouts_;
    base::UniqueFd socket_;
    base::UniqueFd wakeFd_;
    Stage stage_ = Stage::kClosed;
    NetworkAddress address_;
    LineSettings settings_;
    telnet::Decoder decoder_;
    std::string pending_;  // commands (and the tail of a cut-off write) waiting to go out
    Clock::time_point connectDeadline_;
    Clock::time_point confirmDeadline_;
    std::vector<rfc2217::SettingCommand> unconfirmed_;
    bool comPortRefused_ = false;
    std::string scratch_;
    std::string inbox_;  // data that came in while a write waited for confirmations

    bool queueControl(unsigned char value);
    void takeControls();  // on the monitor thread: the queued commands into pending_

    // Commands queued by the UI thread, the lines last heard of (-1: none yet).
    mutable std::mutex controlMutex_;
    std::string controls_;
    bool controlsAccepted_ = false;  // an RFC 2217 port is open
    int modemState_ = -1;
    bool dtr_ = true, rts_ = true;

    std::mutex notesMutex_;
    std::vector<std::string> notes_;
};

}  // namespace vorta::serial
