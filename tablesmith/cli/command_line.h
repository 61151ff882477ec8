// tablesmith-cli: the Tablesmith commands from a shell. The arguments are
// parsed here, the commands run through the same code as the dialog's
// buttons, and their messages go to standard output as they are.
#pragma once

#include <string>
#include <vector>

namespace tablesmith::cli {

// Runs the program with the arguments after the program name; returns the
// exit status (exit_codes.h).
int RunCommandLine(const std::vector<std::string>& args);

// The full help text.
std::string Usage();

// The subcommand closest to a mistyped one, or "" when none is close.
std::string SuggestCommand(const std::string& typed);

}  // namespace tablesmith::cli
