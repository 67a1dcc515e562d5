// The texts go to a terminal, so they are UTF-8 (u8 literals) while the
// program's narrow literals are GBK.
#include "app/command_line.h"

namespace vorta::app {
namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string HelpText() {
    return Utf8(
        u8R"(Usage: vorta-serial [--help | --version]

Vorta串口调试: a serial-port debugging assistant with a Chinese user interface.
Send hexadecimal or text frames (optionally with a CRC-16) to a serial port and
watch every byte that comes back. Everything else is done in its window.

  --help     print this text and exit
  --version  print the version and exit

Files: peizhi.ini (settings) and 循环数据.BAT (auto-send list) in $TMPDIR when it
is set, otherwise in $XDG_STATE_HOME/vorta-serial (~/.local/state/vorta-serial);
links named COM<n> in the ports/ folder beside them add or rename ports.

Exit status: 0 when the window is closed, 2 for an unknown option.
See vorta-serial(1); vorta-device(1) simulates a device to try it with.
)");
}

}  // namespace

CommandLineAnswer AnswerCommandLine(const std::vector<std::string>& args, const std::string& version) {
    CommandLineAnswer answer;
    if (args.empty()) return answer;
    answer.startWindow = false;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "--version") continue;
        const bool option = arg.size() > 1 && arg[0] == '-';
        answer.exitCode = 2;
        answer.err = "vorta-serial: " + std::string(option ? "unknown option '" : "unexpected argument '") + arg +
                     "' (see vorta-serial --help)\n";
        return answer;
    }
    // Every argument is one of the two: the first decides.
    answer.out = args.front() == "--help" ? HelpText() : "vorta-serial " + version + "\n";
    return answer;
}

}  // namespace vorta::app
