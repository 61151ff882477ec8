#include "program.h"

#include <ostream>

#include "exit_status.h"
#include "text_escape.h"

namespace cli {

std::string VersionLine(const Program& program) {
    return std::string(program.name) + " " + program.version;
}

int UsageError(const Program& program, const std::string& text, std::ostream& err,
               const std::string& command) {
    const std::string help =
        command.empty() ? std::string(program.name) : std::string(program.name) + " " + command;
    // The text may quote an argument, which can hold any byte.
    err << program.name << ": error: " << EscapeMessage(text) << "\n"
        << "run '" << help << " --help' for usage\n";
    err.flush();
    return kExitUsage;
}

}  // namespace cli
