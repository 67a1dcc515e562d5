#include "serial/network_port.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "codec/gbk_literal.h"

namespace vorta::serial {
namespace {

using namespace std::chrono;
using telnet::kComPort;

// A name lookup that gives up at its deadline. A lookup glibc cannot cancel
// goes on by itself; its request is kept until it ends and freed then.
struct Lookup {
    gaicb request{};
    addrinfo hints{};
    std::string host, port;
};
std::mutex abandonedMutex;
std::vector<std::unique_ptr<Lookup>> abandoned;

void FreeFinishedLookups() {
    std::lock_guard lock(abandonedMutex);
    std::erase_if(abandoned, [](const std::unique_ptr<Lookup>& l) {
        if (gai_error(&l->request) == EAI_INPROGRESS) return false;
        if (l->request.ar_result) freeaddrinfo(l->request.ar_result);
        return true;
    });
}

// The addresses of host:port; nullptr with `error` set when there are none in time.
addrinfo* Resolve(const std::string& host, const std::string& port, milliseconds timeout, int& error) {
    FreeFinishedLookups();
    auto lookup = std::make_unique<Lookup>();
    lookup->host = host;
    lookup->port = port;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = AI_NUMERICSERV;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->port.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->request};
    error = getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr);
    if (error != 0) return nullptr;
    const timespec wait{static_cast<time_t>(timeout.count() / 1000),
                        static_cast<long>(timeout.count() % 1000) * 1000000};
    const auto end = steady_clock::now() + timeout;
    while (gai_error(&lookup->request) == EAI_INPROGRESS && steady_clock::now() < end) {
        const gaicb* const pending[] = {&lookup->request};
        if (gai_suspend(pending, 1, &wait) == EAI_AGAIN) break;
    }
    error = gai_error(&lookup->request);
    if (error == EAI_INPROGRESS) {
        if (gai_cancel(&lookup->request) != EAI_CANCELED) {
            std::lock_guard lock(abandonedMutex);
            abandoned.push_back(std::move(lookup));
        }
        error = EAI_AGAIN;
        return nullptr;
    }
    return error == 0 ? lookup->request.ar_result : nullptr;
}

std::int64_t MsUntil(steady_clock::time_point t) {
    return std::max<std::int64_t>(0, duration_cast<milliseconds>(t - steady_clock::now()).count());
}

const char* SettingName(unsigned char command) {
    switch (command) {
    case rfc2217::kSetBaudRate: return "波特率"_gbk;
    case rfc2217::kSetDataSize: return "数据位"_gbk;
    case rfc2217::kSetParity: return "校验位"_gbk;
    default: return "停止位"_gbk;
    }
}

}  // namespace

NetworkPort::NetworkPort() : NetworkPort(Timeouts{}) {}

NetworkPort::NetworkPort(Timeouts timeouts) : timeouts_(timeouts), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NetworkPort::~NetworkPort() { close(); }

void NetworkPort::note(std::string text) {
    std::lock_guard lock(notesMutex_);
    notes_.push_back(std::move(text));
}

std::vector<std::string> NetworkPort::takeNotes() {
    std::lock_guard lock(notesMutex_);
    return std::exchange(notes_, {});
}

bool NetworkPort::queueControl(unsigned char value) {
    {
        std::lock_guard lock(controlMutex_);
        if (!controlsAccepted_) return false;
        controls_ += rfc2217::ComPortCommand(rfc2217::kSetControl, value);
    }
    wake();
    return true;
}

void NetworkPort::takeControls() {
    std::lock_guard lock(controlMutex_);
    pending_ += std::exchange(controls_, {});
}

bool NetworkPort::setOutputLine(OutputLine line, bool on) {
    using namespace rfc2217;
    const bool dtr = line == OutputLine::Dtr;
    if (!queueControl(dtr ? (on ? kDtrOn : kDtrOff) : (on ? kRtsOn : kRtsOff))) return false;
    std::lock_guard lock(controlMutex_);
    (dtr ? dtr_ : rts_) = on;
    return true;
}

bool NetworkPort::setBreak(bool on) { return queueControl(on ? rfc2217::kBreakOn : rfc2217::kBreakOff); }

bool NetworkPort::modemLines(ModemLines& lines) const {
    std::lock_guard lock(controlMutex_);
    if (!controlsAccepted_ || modemState_ < 0) return false;
    // RFC 2217's modem state: CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80.
    lines.cts = modemState_ & 0x10;
    lines.dsr = modemState_ & 0x20;
    lines.ri = modemState_ & 0x40;
    lines.dcd = modemState_ & 0x80;
    lines.dtr = dtr_;
    lines.rts = rts_;
    return true;
}

bool NetworkPort::open(const std::string& text, const LineSettings& settings) {
    close();
    const auto address = ParseNetworkAddress(text);
    if (!address) {
        note("网络端口地址无效："_gbk + text);
        return false;
    }
    address_ = *address;
    settings_ = settings;
    if (!startConnect(address_.host, address_.port)) return false;

    decoder_ = {};
    inbox_.clear();
    pending_.clear();
    unconfirmed_.clear();
    comPortRefused_ = false;
    if (address_.protocol == NetworkAddress::Protocol::kRfc2217) {
        using namespace telnet;
        pending_ = Negotiation(kWill, kComPort) + Negotiation(kWill, kBinary) + Negotiation(kDo, kBinary) +
                   Negotiation(kWill, kSuppressGoAhead) + Negotiation(kDo, kSuppressGoAhead);
        unconfirmed_ = rfc2217::LineSettingCommands(settings_);
        for (const auto& c : unconfirmed_) pending_ += rfc2217::ComPortCommand(c.command, c.value);
        using namespace rfc2217;
        const unsigned char flow = settings_.flow == FlowControl::RtsCts    ? kHardwareFlowControl
                                   : settings_.flow == FlowControl::XonXoff ? kXonXoff
                                                                            : kNoFlowControl;
        pending_ += ComPortCommand(kSetControl, flow);
        // The output lines as the settings have them, as a local port sets them at open
        // (RTS left to the handshake when it drives it): a reconnect keeps what was switched.
        pending_ += ComPortCommand(kSetControl, settings_.dtr ? kDtrOn : kDtrOff);
        const bool rtsFree = settings_.flow != FlowControl::RtsCts;
        if (rtsFree) pending_ += ComPortCommand(kSetControl, settings_.rts ? kRtsOn : kRtsOff);
        confirmDeadline_ = Clock::now() + timeouts_.confirm;
        std::lock_guard lock(controlMutex_);
        controlsAccepted_ = true;
        modemState_ = -1;
        dtr_ = settings_.dtr;
        rts_ = !rtsFree || settings_.rts;
    } else {
        note("TCP 端口只传数据：波特率等线路设置由服务器决定。"_gbk);
    }

    // Most servers answer at once; the caller waits Timeouts::openWait at most.
    pollfd p{socket_.get(), POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(timeouts_.openWait.count())) > 0 && !finishConnect(true)) return false;
    return true;
}

bool NetworkPort::startConnect(const std::string& host, const std::string& port) {
    int error = 0;
    addrinfo* found = Resolve(host, port, timeouts_.resolve, error);
    if (!found) {
        note((error == EAI_AGAIN ? "找不到主机（查询超时）："_gbk : "找不到主机："_gbk) + host);
        return false;
    }
    int lastErrno = 0;
    for (addrinfo* a = found; a; a = a->ai_next) {
        base::UniqueFd s(socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!s) continue;
        const int one = 1;
        setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(s.get(), SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
        if (connect(s.get(), a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) {
            socket_ = std::move(s);
            break;
        }
        lastErrno = errno;
    }
    freeaddrinfo(found);
    if (!socket_) {
        note("无法连接 "_gbk + host + ":" + port + "："_gbk + std::strerror(lastErrno));
        return false;
    }
    stage_ = Stage::kConnecting;
    connectDeadline_ = Clock::now() + timeouts_.connect;
    return true;
}

bool NetworkPort::finishConnect(bool duringOpen) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error == EINPROGRESS || error == EALREADY) return true;
    if (error != 0) {
        note("无法连接 "_gbk + address_.host + ":" + address_.port + "："_gbk + std::strerror(error));
        socket_.reset();
        stage_ = duringOpen ? Stage::kClosed : Stage::kGone;
        return false;
    }
    stage_ = Stage::kOpen;
    flushPending();
    return true;
}

void NetworkPort::becomeGone(const std::string& text) {
    if (stage_ == Stage::kGone) return;
    {
        std::lock_guard lock(controlMutex_);
        controlsAccepted_ = false;
    }
    note(text);
    socket_.reset();
    stage_ = Stage::kGone;
    unconfirmed_.clear();
}

void NetworkPort::close() {
    {
        std::lock_guard lock(controlMutex_);
        controlsAccepted_ = false;
        controls_.clear();
    }
    socket_.reset();
    stage_ = Stage::kClosed;
    pending_.clear();
    unconfirmed_.clear();
}

void NetworkPort::flushPending() {
    while (!pending_.empty() && stage_ == Stage::kOpen) {
        const ssize_t n = send(socket_.get(), pending_.data(), pending_.size(), MSG_NOSIGNAL);
        if (n > 0) {
            pending_.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // the rest goes when the socket has room
        } else {
            becomeGone(std::string("与服务器的连接已断开："_gbk) + std::strerror(errno));
        }
    }
}

void NetworkPort::checkDeadlines() {
    const auto now = Clock::now();
    if (stage_ == Stage::kConnecting && now >= connectDeadline_) {
        stage_ = Stage::kGone;
        socket_.reset();
        note("连接 "_gbk + address_.host + ":" + address_.port + " 超时。"_gbk);
    }
    if (stage_ == Stage::kOpen && !unconfirmed_.empty() && now >= confirmDeadline_) {
        std::string names;
        for (const auto& c : unconfirmed_)
            names += (names.empty() ? "" : "、"_gbk) + std::string(SettingName(c.command));
        unconfirmed_.clear();
        note("服务器未确认"_gbk + names + "，线路可能仍是服务器自己的设置。"_gbk);
    }
}

unsigned NetworkPort::wait() {
    if (!inbox_.empty()) return kInput;
    takeControls();
    if (stage_ == Stage::kOpen) flushPending();
    checkDeadlines();
    pollfd fds[2] = {{wakeFd_.get(), POLLIN, 0}, {socket_.get(), POLLIN, 0}};
    const bool watch = socket_ && (stage_ == Stage::kConnecting || stage_ == Stage::kOpen);
    if (stage_ == Stage::kConnecting || !pending_.empty()) fds[1].events |= POLLOUT;
    int timeout = -1;
    if (stage_ == Stage::kConnecting)
        timeout = static_cast<int>(MsUntil(connectDeadline_));
    else if (stage_ == Stage::kOpen && !unconfirmed_.empty())
        timeout = static_cast<int>(MsUntil(confirmDeadline_));
    const int ready = poll(fds, watch ? 2 : 1, timeout);
    if (ready < 0) return 0;
    unsigned result = 0;
    if (fds[0].revents & POLLIN) {
        eventfd_t count;
        eventfd_read(wakeFd_.get(), &count);
        result |= kWoken;
    }
    if (watch && fds[1].revents) {
        if (stage_ == Stage::kConnecting) {
            if (!finishConnect(false)) return result | kInput;  // read() then reports the port gone
        } else if (fds[1].revents & POLLOUT) {
            flushPending();
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) result |= kInput;
    }
    checkDeadlines();
    return result;
}

void NetworkPort::wake() {
    if (wakeFd_) eventfd_write(wakeFd_.get(), 1);
}

bool NetworkPort::receive(std::size_t capacity) {
    scratch_.resize(capacity);
    ssize_t n;
    do {
        n = recv(socket_.get(), scratch_.data(), capacity, 0);
    } while (n < 0 && errno == EINTR);
    if (n == 0) {
        becomeGone("服务器关闭了连接。"_gbk);
        return false;
    }
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
        becomeGone(std::string("与服务器的连接已断开："_gbk) + std::strerror(errno));
        return false;
    }
    const std::string_view wire(scratch_.data(), static_cast<std::size_t>(n));
    if (address_.protocol == NetworkAddress::Protocol::kRawTcp) {
        inbox_.append(wire);
        return true;
    }
    std::vector<telnet::Event> events;
    decoder_.feed(wire, inbox_, events);
    for (const auto& e : events) handle(e);
    flushPending();
    return true;
}

long NetworkPort::read(char* buffer, std::size_t capacity) {
    if (inbox_.empty()) {
        if (stage_ == Stage::kGone || stage_ == Stage::kClosed) return -1;
        if (stage_ == Stage::kConnecting) return 0;
        // Decoding never makes data longer than what came in, so it fits.
        if (!receive(capacity) && inbox_.empty()) return -1;
    }
    const std::size_t n = std::min(capacity, inbox_.size());
    std::copy_n(inbox_.begin(), n, buffer);
    inbox_.erase(0, n);
    return static_cast<long>(n);
}

void NetworkPort::awaitConfirmation(Clock::time_point deadline) {
    // A frame goes out at the line settings the user chose: the server's
    // answers come first, as long as it gives them in time.
    while (stage_ == Stage::kOpen && !unconfirmed_.empty() && Clock::now() < std::min(deadline, confirmDeadline_)) {
        pollfd p{socket_.get(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(MsUntil(std::min(deadline, confirmDeadline_)))) > 0) receive(4096);
    }
    checkDeadlines();
}

void NetworkPort::handle(const telnet::Event& event) {
    using namespace telnet;
    if (event.kind == Event::Kind::kNegotiation) {
        const bool ours = event.option == kBinary || event.option == kSuppressGoAhead || event.option == kComPort;
        // Our own requests went out at open; a server's answer to them needs
        // no reply, a request of its own for something else is refused.
        if (event.verb == kDo && !ours) pending_ += Negotiation(kWont, event.option);
        if (event.verb == kWill && !ours) pending_ += Negotiation(kDont, event.option);
        if (event.verb == kDont && event.option == kComPort && !comPortRefused_) {
            comPortRefused_ = true;
            unconfirmed_.clear();
            note("服务器不支持 RFC 2217：线路设置未能发送，由服务器决定。"_gbk);
        }
        return;
    }
    if (event.option != kComPort || event.payload.empty()) return;
    const auto code = static_cast<unsigned char>(event.payload[0]);
    if (code <= rfc2217::kServerOffset) return;
    const auto command = static_cast<unsigned char>(code - rfc2217::kServerOffset);
    const std::string value = event.payload.substr(1);
    if (command == rfc2217::kNotifyModemState && value.size() == 1) {
        std::lock_guard lock(controlMutex_);
        modemState_ = static_cast<unsigned char>(value[0]);
        return;
    }
    const auto it = std::find_if(unconfirmed_.begin(), unconfirmed_.end(),
                                 [&](const rfc2217::SettingCommand& c) { return c.command == command; });
    if (it == unconfirmed_.end()) return;
    if (value != it->value) {
        std::string shown;
        if (command == rfc2217::kSetBaudRate && value.size() == 4) {
            std::uint32_t baud = 0;
            for (const char c : value) baud = baud << 8 | static_cast<unsigned char>(c);
            shown = std::to_string(baud);
        } else if (!value.empty()) {
            shown = std::to_string(static_cast<unsigned char>(value[0]));
        }
        note(std::string("服务器未按要求设置"_gbk) + SettingName(command) + "，回答为 "_gbk + shown + "。"_gbk);
    }
    unconfirmed_.erase(it);
}

std::int64_t NetworkPort::lineTimeMs(std::size_t bytes) const {
    const std::int64_t baud = settings_.baudRate > 0 ? settings_.baudRate : 1;
    return static_cast<std::int64_t>(bytes) * 11 * 1000 / baud;
}

std::size_t NetworkPort::write(std::string_view bytes) {
    const auto deadline = Clock::now() + milliseconds(lineTimeMs(bytes.size()) + 3000);
    while (stage_ == Stage::kConnecting && Clock::now() < deadline) {
        pollfd p{socket_.get(), POLLOUT, 0};
        if (poll(&p, 1, static_cast<int>(MsUntil(std::min(deadline, connectDeadline_)))) > 0) finishConnect(false);
        checkDeadlines();
    }
    awaitConfirmation(deadline);
    if (stage_ != Stage::kOpen) return 0;
    flushPending();
    const bool telnet = address_.protocol == NetworkAddress::Protocol::kRfc2217;
    const std::string wire = telnet ? telnet::EscapeData(bytes) : std::string(bytes);
    std::size_t sent = 0;
    while (sent < wire.size() && stage_ == Stage::kOpen) {
        if (!pending_.empty()) {
            flushPending();
        } else {
            const ssize_t n = send(socket_.get(), wire.data() + sent, wire.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                becomeGone(std::string("与服务器的连接已断开："_gbk) + std::strerror(errno));
                break;
            }
        }
        if (Clock::now() >= deadline) break;
        pollfd p{socket_.get(), POLLOUT, 0};
        poll(&p, 1, static_cast<int>(std::min<std::int64_t>(MsUntil(deadline), 100)));
    }
    // How many of the caller's bytes went out whole. A doubled 0xFF cut in two
    // is completed, so the stream stays in step; the byte then counts as sent.
    std::size_t count = 0;
    std::size_t wireAt = 0;
    while (count < bytes.size()) {
        const std::size_t width = telnet && static_cast<unsigned char>(bytes[count]) == telnet::kIac ? 2 : 1;
        if (wireAt + width > sent) {
            if (wireAt < sent && stage_ == Stage::kOpen) {
                pending_.insert(0, wire.substr(sent, wireAt + width - sent));
                flushPending();
                ++count;
            }
            break;
        }
        wireAt += width;
        ++count;
    }
    return count;
}

}  // namespace vorta::serial
