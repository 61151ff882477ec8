// The command line of tablesmith-cli: what it asks for, the help texts, and
// the parser that turns the arguments into options or a usage error. Nothing
// here opens a file; command_line.h runs what was parsed.
#pragma once

#include <optional>
#include <string>

#include "general_options.h"
#include "row_writer.h"

namespace tablesmith::cli {

enum class Command { kNone, kTables, kExport, kGenerate };

// What to do (run, or answer --help, --version, --format list) and --trace
// come from the general options.
struct CliOptions : ::cli::GeneralOptions {
    // The subcommand to run, or whose help to print (kNone: the program's).
    Command command = Command::kNone;
    std::string package;
    std::optional<std::string> table;                          // export --table
    bool all = false;                                          // export --all
    bool cabs = false;                                         // export --cabs
    bool only_cabs = false;                                    // export --only-cabs
    std::optional<std::string> folder;                         // export and generate --folder
    ::cli::OutputFormat format = ::cli::OutputFormat::kTable;  // tables --format
};

// What was wrong with the command line, and the subcommand whose help the
// hint should name ("" for the program's).
struct UsageProblem {
    std::string text;
    std::string command;
};

// Reads the arguments after the program name. --help and --version win over
// anything missing, so that they work on their own; "COMMAND --help" gives
// that command's help.
std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem);

// The program's help (every command and option), and one command's.
std::string ProgramHelp();
std::string CommandHelp(Command command);

// The subcommand's name on the command line ("" for kNone).
std::string CommandName(Command command);

}  // namespace tablesmith::cli
