// tablesmith-cli: the Tablesmith commands from a shell. The arguments are
// parsed first (cli_options.h), then the command runs through the same code
// as the dialog's buttons; its messages are printed as cli/message_printer.h
// says (success on standard output, failures on standard error).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tablesmith::cli {

// Runs the program with the arguments after the program name, writing to
// `out` and `err`; returns the exit status (cli/exit_status.h). The entry
// point of both programs has this shape (cli/entry_point.h).
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace tablesmith::cli
