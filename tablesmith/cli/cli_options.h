// The command line of tablesmith-cli: its commands and options (the tables
// in cli_options.cpp, read by cli/option_parser.h), the help texts, and the
// checks that are Tablesmith's own. Nothing here opens a file;
// command_line.h runs what was parsed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "general_options.h"
#include "option_parser.h"
#include "row_writer.h"

namespace tablesmith::cli {

enum class Command { kNone, kTables, kExport, kGenerate, kValidate, kExtract, kInfo, kDump };

// What to do (run, or answer --help, --version, --format list) and --trace
// come from the general options.
struct CliOptions : ::cli::GeneralOptions {
    // The subcommand to run, or whose help to print (kNone: the program's).
    Command command = Command::kNone;
    std::string package;
    std::optional<std::string> table;   // export --table
    std::vector<std::string> tables;    // validate and dump --table, each
    std::string dump_format = "json";   // dump --format
    bool streams = false;               // dump --streams
    bool all = false;                   // export --all
    bool cabs = false;                  // export --cabs
    bool only_cabs = false;             // export --only-cabs
    std::optional<std::string> folder;  // export, generate, extract and dump --folder
    ::cli::OutputFormat format =
        ::cli::kDefaultOutputFormat;    // tables, validate, extract, info --format
    bool list = false;                  // extract --list
    std::vector<std::string> patterns;  // extract's FILE_KEY_OR_PATTERN...
};

using UsageProblem = ::cli::UsageProblem;

// Reads the arguments after the program name. --help and --version win over
// anything missing, so that they work on their own; "COMMAND --help" gives
// that command's help.
std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem);

// The program's help (every command and option), and one command's.
std::string ProgramHelp();
std::string CommandHelp(Command command);

}  // namespace tablesmith::cli
