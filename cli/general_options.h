// The options every command of both programs takes, read and answered the
// same way:
//
//   -h, --help      the help (the command's, after a command) and exit 0
//   --version       "PROGRAM VERSION" and exit 0
//   --trace         the debug output channel on standard error
//   --format list   the output formats, one a line, and exit 0
//
// --help and --version end the reading at once, so that they work whatever
// else the command line holds or lacks.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "argument_reader.h"
#include "program.h"

namespace cli {

struct GeneralOptions {
    enum class Action { kRun, kHelp, kVersion, kListFormats };
    Action action = Action::kRun;
    bool trace = false;
    std::string help;  // with kHelp: the help asked for (the command's, after a command)
};

// When the current argument is --help, -h, --version or --trace, notes it
// in `general` and returns true.
bool ReadGeneralOption(const ArgumentReader& reader, GeneralOptions& general);

// Answers kHelp (with `help`), kVersion and kListFormats on `out`; returns
// the exit status.
int AnswerGeneralAction(const Program& program, GeneralOptions::Action action,
                        const std::string& help, std::ostream& out);

// For a program whose other arguments are its own (the dialog programs take
// a package to open): when `arguments` ask for --help, -h or --version before
// any "--", prints the answer on `out` and gives the exit status; otherwise
// none, and the program goes on. Nothing here needs a display.
std::optional<int> AnswerHelpOrVersion(const Program& program, const std::string& help,
                                       const std::vector<std::string>& arguments,
                                       std::ostream& out);

}  // namespace cli
