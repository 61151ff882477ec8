// Reads a command line by a program's tables (option_table.h), the same way
// for both programs:
//
//   - the first operand names the command; a program with a plain form
//     takes it as the plain form's operand when it names none, or when it
//     comes after "--" (a package may be called "diff");
//   - options and operands come in any order; the general options
//     (general_options.h) are read as such, --help and --version end the
//     reading at once, and "--format list" wins over anything missing;
//   - at once a usage problem: an unknown command or option (with the
//     nearest name), a missing value, a value the option refuses;
//   - at the end: no command, then an option the command does not take.
//
// What else a command needs (how many operands, options that exclude each
// other) the program checks on the line read, and refuses with Refuse().
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "general_options.h"
#include "option_table.h"
#include "row_writer.h"

namespace cli {

// What was wrong with the command line, and the command whose help the hint
// names ("" for the program's).
struct UsageProblem {
    std::string text;
    std::string command;
};

struct GivenOption {
    std::string name;
    std::string value;  // "" for a flag
};

// The command line read. With --help, `help` holds the help asked for.
struct ParsedLine : GeneralOptions {
    int command = -1;          // the command's id; the plain form's, or -1, when none is named
    std::string command_name;  // the command as typed; "" when none is named
    OutputFormat format = kDefaultOutputFormat;
    std::vector<std::string> operands;
    std::vector<GivenOption> given;  // the command's options, in the order given

    bool Has(std::string_view name) const;
    // The value of the option given last under that name.
    std::optional<std::string> Value(std::string_view name) const;
};

std::optional<ParsedLine> ParseCommandLine(const CommandLineTable& table,
                                           const std::vector<std::string>& arguments,
                                           UsageProblem& problem);

// Notes a usage problem the program found on `line`; converts to any empty optional.
std::nullopt_t Refuse(UsageProblem& problem, std::string text, const ParsedLine& line);

// The named command nearest to `word`, or "" when none is close.
std::string ClosestCommand(const CommandLineTable& table, const std::string& word);

}  // namespace cli
