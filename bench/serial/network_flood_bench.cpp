// A 20 MB flood into the serial channel twice in one run: from a pseudo-terminal
// directly, and from the same kind of pseudo-terminal through ser2net (RFC 2217
// on 127.0.0.1). Prints MB/s, whether every byte arrived in order, and the CPU
// this process (and ser2net) spent per MB.
#include <netinet/in.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "base/virtual_loop.h"
#include "serial/serial_channel.h"
#include "support/loopback_socket.h"
#include "support/pty_flood.h"

namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// utime + stime of another process, in seconds.
double ChildCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    unsigned long utime = 0, stime = 0;
    std::sscanf(text.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t StartSer2net(const std::string& device, int port) {
    std::fflush(stdout);  // the child must not print what is buffered here again
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string accepter = "  accepter: telnet(rfc2217),tcp,127.0.0.1," + std::to_string(port);
        const std::string connector = "  connector: serialdev," + device + ",115200n81,local";
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(VORTA_SER2NET, VORTA_SER2NET, "-n", "-u", "-Y", "connection: &flood", "-Y", accepter.c_str(), "-Y",
              connector.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(500ms);
    return pid;
}

void Run(const char* label, bool throughServer, std::size_t total) {
    int master = -1, slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    pid_t server = -1;
    std::string device = name;
    if (throughServer) {
        const int port = vorta::test::FreeTcpPort();
        server = StartSer2net(name, port);
        device = "rfc2217://127.0.0.1:" + std::to_string(port);
    }

    vorta::base::VirtualLoop loop;
    vorta::serial::SerialChannel channel(loop, [&](int) { return device; });
    channel.setBaudRate(4000000);
    vorta::bench::PatternReceiver receiver;
    channel.setOnBytesArrived([&](std::string_view bytes) { receiver.take(bytes); });
    if (!channel.open()) {
        std::printf("%s: open failed\n", label);
    } else {
        channel.write("x");  // once the server has confirmed the line settings
        const std::string data = vorta::bench::PatternData(total);
        const double cpu0 = ProcessCpuSeconds();
        const double server0 = server > 0 ? ChildCpuSeconds(server) : 0;
        const double seconds = vorta::bench::FloodPty(master, data, 4096, loop, receiver);
        const double cpu = ProcessCpuSeconds() - cpu0;  // includes the writer thread's share
        const double serverCpu = server > 0 ? ChildCpuSeconds(server) - server0 : 0;
        std::printf("%-28s %zu of %zu bytes in %.2f s = %6.2f MB/s, in order: %s, CPU %.3f s/MB here", label,
                    receiver.received, total, seconds, static_cast<double>(receiver.received) / seconds / 1e6,
                    receiver.whole(total) ? "yes" : "NO", cpu / (static_cast<double>(total) / 1e6));
        if (server > 0) std::printf(", %.3f s/MB in ser2net", serverCpu / (static_cast<double>(total) / 1e6));
        std::printf("\n");
    }
    channel.close();
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    ::close(master);
    ::close(slave);
}

}  // namespace

int main() {
    std::printf("20 MB flood into the serial channel, local pseudo-terminal beside ser2net on loopback\n");
    Run("local pseudo-terminal:", false, 20u << 20);
    Run("ser2net RFC 2217, loopback:", true, 20u << 20);
    return 0;
}
