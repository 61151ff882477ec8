// What a command-line program says about itself: its name and version in
// `--version`, and the one form of a usage error,
//
//     PROGRAM: error: TEXT
//     run 'PROGRAM [COMMAND] --help' for usage
//
// on standard error with exit status 2.
#pragma once

#include <iosfwd>
#include <string>

namespace cli {

struct Program {
    const char* name;     // "tablesmith-cli"
    const char* version;  // "1.05"
};

// "tablesmith-cli 1.05": the whole of `--version`, without the line feed.
std::string VersionLine(const Program& program);

// Writes a usage error to `err` and returns kExitUsage. `command`, when not
// empty, is the subcommand whose help the hint names.
int UsageError(const Program& program, const std::string& text, std::ostream& err,
               const std::string& command = "");

}  // namespace cli
