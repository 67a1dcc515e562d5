// The network port against real serial device servers on 127.0.0.1, each in
// front of a pseudo-terminal: ser2net (the server of most Linux gateways) and
// pyserial's RFC 2217 server. The pseudo-terminal's side shows what the
// server made of the line settings.
#include "serial/network_port.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>

#include <thread>

#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "serial/port_discovery.h"
#include "serial/serial_channel.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/loopback_socket.h"
#include "support/pty_pair.h"

namespace vorta::serial {
namespace {

using namespace std::chrono_literals;

bool Listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

enum class Server { kSer2net, kPyserial, kSer2netRaw };

// A server on a free port of 127.0.0.1 in front of `pty`.
std::unique_ptr<test::ChildProcess> StartServer(Server kind, const test::PtyPair& pty, int port) {
    std::unique_ptr<test::ChildProcess> server;
    if (kind == Server::kPyserial) {
        server = std::make_unique<test::ChildProcess>(
            std::vector<std::string>{VORTA_SYSTEM_PYTHON, VORTA_RFC2217_SERVER, pty.path(), std::to_string(port)});
        if (!server->waitForLine("listening", 10000)) return nullptr;
        return server;
    }
    const std::string accepter =
        std::string(kind == Server::kSer2net ? "telnet(rfc2217),tcp," : "tcp,") + "127.0.0.1," + std::to_string(port);
    // The connection's only test probe of the connection; hotplug is off.
    server = std::make_unique<test::ChildProcess>(
        std::vector<std::string>{VORTA_SER2NET, "-n", "-u", "-Y", "connection: &port", "-Y", "  accepter: " + accepter,
                                 "-Y", "  connector: serialdev," + pty.path() + ",9600n81,local"});
    for (int i = 0; i < 100 && !Listening(port); ++i) std::this_thread::sleep_for(50ms);
    return Listening(port) ? std::move(server) : nullptr;
}

// Pumps the port as the channel's monitor thread does, until `done` or 5 s.
template <class Done>
std::string Pump(NetworkPort& port, Done done, std::string got = {}) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    char buffer[4096];
    std::atomic<bool> waiting{true};
    std::thread waker([&] {
        while (waiting) {
            std::this_thread::sleep_for(50ms);
            port.wake();
        }
    });
    while (!done(got) && std::chrono::steady_clock::now() < end) {
        if (port.wait() & PortIo::kInput) {
            for (long n; (n = port.read(buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    waiting = false;
    waker.join();
    return got;
}

std::string AllByteValues() {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    return all;
}

class NetworkPortTest : public ::testing::TestWithParam<Server> {};

TEST_P(NetworkPortTest, SettingsReachTheDeviceAndEveryByteValueGoesBothWays) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int tcp = test::FreeTcpPort();
    const auto server = StartServer(GetParam(), pty, tcp);
    ASSERT_TRUE(server) << "server did not start";
    const bool rfc2217 = GetParam() != Server::kSer2netRaw;

    NetworkPort port;
    LineSettings settings;
    // What a pseudo-terminal keeps: Linux holds it at 8 bits without parity.
    settings.baudRate = 57600;
    settings.stopBits = StopBits::Two;
    ASSERT_TRUE(port.open((rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(tcp), settings));
    const auto notes = port.takeNotes();
    EXPECT_EQ(notes.size(), rfc2217 ? 0u : 1u);  // raw TCP says once that the server keeps its own settings

    const std::string all = AllByteValues();
    EXPECT_EQ(port.write(all), all.size());
    EXPECT_EQ(pty.receive(all.size()), all);

    if (rfc2217) {
        // The server has applied what it confirmed by the time it passes data on.
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), B57600);
        EXPECT_TRUE(t.c_cflag & CSTOPB);
    }

    ASSERT_TRUE(pty.send(all + all));
    EXPECT_EQ(Pump(port, [&](const std::string& got) { return got.size() >= 2 * all.size(); }), all + all);
    EXPECT_TRUE(port.takeNotes().empty()) << "every setting confirmed";
}

TEST_P(NetworkPortTest, AServerKilledMidSessionLeavesThePortGoneWithANote) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int tcp = test::FreeTcpPort();
    auto server = StartServer(GetParam(), pty, tcp);
    ASSERT_TRUE(server);
    NetworkPort port;
    const bool rfc2217 = GetParam() != Server::kSer2netRaw;
    ASSERT_TRUE(port.open((rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(tcp), {}));
    EXPECT_EQ(port.write("ping"), 4u);
    EXPECT_EQ(pty.receive(4), "ping");
    port.takeNotes();

    server->stop();
    Pump(port, [&](const std::string&) { return port.gone(); });
    EXPECT_TRUE(port.gone());
    EXPECT_EQ(port.takeNotes().size(), 1u);
    char buffer[16];
    EXPECT_EQ(port.read(buffer, sizeof buffer), -1);
    EXPECT_EQ(port.write("lost"), 0u);
}

// Killed mid-session and started again on the same port: one note, refused
// attempts without notes, then the line settings sent anew and one note.
TEST_P(NetworkPortTest, AServerKilledAndStartedAgainIsReconnected) {
    test::PtyPair pty;
    const int tcp = test::FreeTcpPort();
    auto server = StartServer(GetParam(), pty, tcp);
    ASSERT_TRUE(server);
    const bool rfc2217 = GetParam() != Server::kSer2netRaw;
    const std::string address = (rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(tcp);
    base::VirtualLoop loop;
    SerialChannel channel(loop, [&](int) { return address; });
    std::string received;
    std::vector<std::string> notes;
    channel.setOnBytesArrived([&](std::string_view bytes) { received.append(bytes); });
    channel.setOnPortNote([&](const std::string& note) { notes.push_back(note); });
    channel.setBaudRate(38400);
    ASSERT_TRUE(channel.open());
    channel.takePortNotes();  // what the open button shows
    const auto step = [&] {   // a second on the clock, and the attempt it brought answered
        loop.advance(1000);
        loop.runUntilReal([&] { return loop.activeTimers() > 0 || !channel.waitingForDevice(); }, 3000ms);
    };

    server->stop();
    ASSERT_TRUE(loop.runUntilReal([&] { return !notes.empty(); }, 3000ms));
    EXPECT_TRUE(notes[0].starts_with("设备已断开（"_gbk)) << notes[0];
    EXPECT_FALSE(channel.write("lost"));
    for (int i = 0; i < 8; ++i) step();
    EXPECT_EQ(notes.size(), 1u);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
    cfsetspeed(&t, B9600);
    ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &t), 0);
    server = StartServer(GetParam(), pty, tcp);
    ASSERT_TRUE(server);
    for (int i = 0; i < 6 && channel.waitingForDevice(); ++i) step();  // the pauses are 5 s at most
    ASSERT_TRUE(loop.runUntilReal([&] { return notes.size() == 2; }, 3000ms));
    EXPECT_EQ(notes[1], "设备已重新连接。"_gbk);
    EXPECT_TRUE(channel.write(AllByteValues()));
    EXPECT_EQ(pty.receive(256), AllByteValues());
    ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), rfc2217 ? speed_t(B38400) : speed_t(B9600));
    ASSERT_TRUE(pty.send("pong"));
    EXPECT_TRUE(loop.runUntilReal([&] { return received == "pong"; }, 3000ms));
}

INSTANTIATE_TEST_SUITE_P(Servers, NetworkPortTest,
                         ::testing::Values(Server::kSer2net, Server::kPyserial, Server::kSer2netRaw),
                         [](const auto& info) {
                             return info.param == Server::kSer2net    ? std::string("Ser2net")
                                    : info.param == Server::kPyserial ? std::string("Pyserial")
                                                                      : std::string("Ser2netRawTcp");
                         });

TEST(NetworkPortFailureTest, RefusedAndUnknownFailTheOpenWithAReason) {
    for (const std::string& address :
         {"rfc2217://127.0.0.1:" + std::to_string(test::FreeTcpPort()), std::string("tcp://no-such-host.invalid:4001"),
          std::string("rfc2217://127.0.0.1")}) {
        NetworkPort port;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(port.open(address, {})) << address;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << address;
        EXPECT_EQ(port.takeNotes().size(), 1u) << address;
    }
}

// A server that accepts and then never answers: the open returns, the missing
// confirmations become one note, data still goes through.
TEST(NetworkPortFailureTest, AServerThatNeverConfirmsGetsANoteNotAHang) {
    test::LoopbackListener listener;
    ASSERT_NE(listener.port(), 0);

    NetworkPort port(NetworkPort::Timeouts{.confirm = 300ms});
    ASSERT_TRUE(port.open("rfc2217://127.0.0.1:" + std::to_string(listener.port()), {}));
    const int far = listener.accept();
    ASSERT_GE(far, 0);
    std::vector<std::string> notes;
    Pump(port, [&](const std::string&) {
        for (auto& n : port.takeNotes()) notes.push_back(n);
        return !notes.empty();
    });
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("波特率"_gbk), std::string::npos) << "the note names the baud rate";
    EXPECT_EQ(port.write("\xFF"), 1u);
    char got[256];
    std::size_t n = 0;
    for (int i = 0; i < 50; ++i) {  // negotiation, four commands, then the doubled 0xFF
        const ssize_t r = recv(far, got + n, sizeof got - n, MSG_DONTWAIT);
        if (r > 0) n += static_cast<std::size_t>(r);
        if (n >= 2 && got[n - 1] == '\xFF' && got[n - 2] == '\xFF') break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_GE(n, 2u);
    EXPECT_EQ(std::string(got + n - 2, 2), "\xFF\xFF");
    close(far);
}

// DTR, RTS and break travel as SET-CONTROL commands; the lines come back from
// the server's NOTIFY-MODEMSTATE. Seen from a plain socket standing for the server.
TEST(NetworkPortFailureTest, ModemLinesTravelAsComPortCommands) {
    test::LoopbackListener listener;
    ASSERT_NE(listener.port(), 0);
    NetworkPort port(NetworkPort::Timeouts{.confirm = 200ms});
    ASSERT_TRUE(port.open("rfc2217://127.0.0.1:" + std::to_string(listener.port()), {}));
    const int far = listener.accept();
    ASSERT_GE(far, 0);
    ModemLines lines;
    EXPECT_FALSE(port.modemLines(lines)) << "nothing heard yet";
    EXPECT_TRUE(port.setOutputLine(OutputLine::Dtr, false));
    EXPECT_TRUE(port.setBreak(true));
    const std::string modem("\xFF\xFA\x2C\x6B\x30\xFF\xF0", 7);  // CTS and DSR on
    ASSERT_EQ(send(far, modem.data(), modem.size(), 0), 7);
    std::string wire;
    Pump(port, [&](const std::string&) {
        char got[512];
        const ssize_t r = recv(far, got, sizeof got, MSG_DONTWAIT);
        if (r > 0) wire.append(got, static_cast<std::size_t>(r));
        return port.modemLines(lines) &&
               wire.find(rfc2217::ComPortCommand(rfc2217::kSetControl, 5)) != std::string::npos;
    });
    EXPECT_NE(wire.find(rfc2217::ComPortCommand(rfc2217::kSetControl, rfc2217::kDtrOff)), std::string::npos);
    EXPECT_NE(wire.find(rfc2217::ComPortCommand(rfc2217::kSetControl, rfc2217::kBreakOn)), std::string::npos);
    EXPECT_NE(wire.find(rfc2217::ComPortCommand(rfc2217::kSetControl, rfc2217::kNoFlowControl)), std::string::npos);
    ASSERT_TRUE(port.modemLines(lines));
    EXPECT_TRUE(lines.cts && lines.dsr && !lines.dcd && !lines.ri && !lines.dtr && lines.rts);
    port.close();
    EXPECT_FALSE(port.setOutputLine(OutputLine::Rts, true));
    close(far);
}

// The output lines go to the server as the open's settings have them, RTS only
// where the handshake leaves it free: a reconnect keeps what the user switched.
TEST(NetworkPortFailureTest, TheOpenSendsTheOutputLinesOfItsSettings) {
    using namespace rfc2217;
    const struct {
        bool dtr, rts;
        FlowControl flow;
        unsigned char dtrCommand;
        int rtsCommand;  // -1: none sent
    } cases[] = {
        {true, true, FlowControl::None, kDtrOn, kRtsOn},
        {false, false, FlowControl::None, kDtrOff, kRtsOff},
        {false, false, FlowControl::RtsCts, kDtrOff, -1},
    };
    for (const auto& c : cases) {
        test::LoopbackListener listener;
        ASSERT_NE(listener.port(), 0);
        LineSettings settings;
        settings.dtr = c.dtr;
        settings.rts = c.rts;
        settings.flow = c.flow;
        NetworkPort port(NetworkPort::Timeouts{.confirm = 200ms});
        ASSERT_TRUE(port.open("rfc2217://127.0.0.1:" + std::to_string(listener.port()), settings));
        const int far = listener.accept();
        ASSERT_GE(far, 0);
        const std::string modem("\xFF\xFA\x2C\x6B\x30\xFF\xF0", 7);
        ASSERT_EQ(send(far, modem.data(), modem.size(), 0), 7);
        std::string wire;
        ModemLines lines;
        Pump(port, [&](const std::string&) {
            char got[512];
            const ssize_t r = recv(far, got, sizeof got, MSG_DONTWAIT);
            if (r > 0) wire.append(got, static_cast<std::size_t>(r));
            return port.modemLines(lines) && wire.find(ComPortCommand(kSetControl, c.dtrCommand)) != std::string::npos;
        });
        EXPECT_NE(wire.find(ComPortCommand(kSetControl, c.dtrCommand)), std::string::npos) << int(c.dtrCommand);
        for (const unsigned char rts : {kRtsOn, kRtsOff})
            EXPECT_EQ(wire.find(ComPortCommand(kSetControl, rts)) != std::string::npos, c.rtsCommand == rts)
                << int(rts);
        EXPECT_EQ(lines.dtr, c.dtr);
        EXPECT_EQ(lines.rts, c.rtsCommand < 0 || c.rts);
        close(far);
    }
}

// The whole way a user takes: a ports-folder link names the server's port,
// the channel opens it by its COM number, a frame goes out and the answer
// comes back; a server that dies leaves one note.
TEST(NetworkPortChannelTest, APortsFolderLinkOpensTheServersPortAsACom) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int tcp = test::FreeTcpPort();
    auto server = StartServer(Server::kSer2net, pty, tcp);
    ASSERT_TRUE(server);
    test::TempDir tmp;
    const std::filesystem::path settings = tmp.path() / "peizhi.ini";
    std::filesystem::create_directory(tmp.path() / "ports");
    std::filesystem::create_symlink("rfc2217://127.0.0.1:" + std::to_string(tcp), tmp.path() / "ports" / "COM31");

    base::VirtualLoop loop;
    SerialChannel channel(loop, MakePortResolver(RootsBesideSettings(settings), {}));
    std::string received;
    std::vector<std::string> notes;
    channel.setOnBytesArrived([&](std::string_view bytes) { received.append(bytes); });
    channel.setOnPortNote([&](const std::string& note) { notes.push_back(note); });
    channel.setPortNumber(31);
    channel.setBaudRate(38400);
    ASSERT_TRUE(channel.open());
    EXPECT_TRUE(channel.takePortNotes().empty());

    const std::string frame("\x01\x03\x10\x00\x00\x25\xFF", 7);
    EXPECT_TRUE(channel.write(frame));
    EXPECT_EQ(pty.receive(frame.size()), frame);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
    EXPECT_EQ(cfgetispeed(&t), B38400);
    ASSERT_TRUE(pty.send("\x01\x03\xFF\xFF"));
    EXPECT_TRUE(loop.runUntilReal([&] { return received.size() >= 4; }, 3000ms));
    EXPECT_EQ(received, "\x01\x03\xFF\xFF");

    server->stop();
    EXPECT_TRUE(loop.runUntilReal([&] { return !notes.empty(); }, 3000ms));
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_FALSE(channel.write("x"));
}

}  // namespace
}  // namespace vorta::serial
