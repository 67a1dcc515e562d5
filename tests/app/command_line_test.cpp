// What the program answers on its command line before any window exists.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "ui/windows/window_defs.h"

namespace vorta::app {
namespace {

struct Case {
    std::vector<std::string> args;
    bool startWindow;
    int exitCode;
    std::string outStart;  // what standard output begins with
    std::string err;
};

TEST(CommandLine, AnswersEachArgumentList) {
    const std::string seeHelp = "' (see vorta-serial --help)\n";
    const Case cases[] = {
        {{}, true, 0, "", ""},
        {{"--help"}, false, 0, "Usage: vorta-serial [--help | --version]\n", ""},
        {{"--version"}, false, 0, "vorta-serial 9.87\n", ""},
        {{"--version", "--help"}, false, 0, "vorta-serial 9.87\n", ""},
        {{"--help", "--help"}, false, 0, "Usage:", ""},
        {{"-h"}, false, 2, "", "vorta-serial: unknown option '-h" + seeHelp},
        {{"--helpx"}, false, 2, "", "vorta-serial: unknown option '--helpx" + seeHelp},
        {{"--help=1"}, false, 2, "", "vorta-serial: unknown option '--help=1" + seeHelp},
        {{"--help", "-platform"}, false, 2, "", "vorta-serial: unknown option '-platform" + seeHelp},
        {{"/dev/ttyUSB0"}, false, 2, "", "vorta-serial: unexpected argument '/dev/ttyUSB0" + seeHelp},
        {{"-"}, false, 2, "", "vorta-serial: unexpected argument '-" + seeHelp},
        {{""}, false, 2, "", "vorta-serial: unexpected argument '" + seeHelp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CommandLineAnswer a = AnswerCommandLine(c.args, "9.87");
        EXPECT_EQ(a.startWindow, c.startWindow);
        EXPECT_EQ(a.exitCode, c.exitCode);
        EXPECT_EQ(a.out.substr(0, c.outStart.size()), c.outStart);
        if (c.outStart.empty()) {
            EXPECT_EQ(a.out, "");
        }
        EXPECT_EQ(a.err, c.err);
        // An error is exactly one line.
        if (!a.err.empty()) {
            EXPECT_EQ(a.err.find('\n'), a.err.size() - 1);
        }
    }
}

TEST(CommandLine, HelpNamesTheFilesAndTheManualPage) {
    const std::string help = AnswerCommandLine({"--help"}, "1").out;
    for (const char* part : {"peizhi.ini", "ports/", "XDG_STATE_HOME", "vorta-serial(1)", "Exit status"})
        EXPECT_NE(help.find(part), std::string::npos) << part;
}

TEST(CommandLine, TheVersionIsTheOneInTheMainWindowsTitle) {
    const std::string& title = ui::MainWindowDef().title;
    const std::string version = VORTA_VERSION;
    ASSERT_GT(title.size(), version.size() + 1);
    EXPECT_EQ(title.substr(title.size() - version.size() - 1), "v" + version);
}

}  // namespace
}  // namespace vorta::app
