#pragma once
// The command line: the program takes no arguments; --help and --version answer
// on standard output and end it before any window (or display) is needed.
#include <string>
#include <vector>

namespace vorta::app {

struct CommandLineAnswer {
    bool startWindow = true;  // false: print and exit with exitCode
    int exitCode = 0;
    std::string out;  // for standard output (UTF-8)
    std::string err;  // for standard error, one line (UTF-8)
};

// `args` without the program name; `version` as "2.35".
CommandLineAnswer AnswerCommandLine(const std::vector<std::string>& args, const std::string& version);

}  // namespace vorta::app
