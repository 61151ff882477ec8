// The command line of deltalens-cli: its commands and options (the tables
// in cli_options.cpp, read by cli/option_parser.h), its help texts, and the
// checks that are Deltalens's own.
//
//   deltalens-cli [options] PACKAGE TRANSFORM...       list a transform's changes
//   deltalens-cli diff [options] OLD NEW               list what turns OLD into NEW
//   deltalens-cli make-transform [options] OLD NEW OUT write that transform
//   deltalens-cli apply [options] PACKAGE TRANSFORM... --output OUT
//                                                      write PACKAGE transformed
//
// A first operand "diff", "make-transform" or "apply" is the command; a
// package of that name is given as "./diff".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "general_options.h"
#include "option_parser.h"
#include "row_writer.h"

namespace deltalens {

// What to do (run, or answer --help, --version, --format list) and --trace
// come from the general options.
struct CliOptions : ::cli::GeneralOptions {
    enum class Command { kApply, kDiff, kMakeTransform, kSaveApplied };

    Command command = Command::kApply;  // to run, or whose help to print
    ::cli::OutputFormat format = ::cli::kDefaultOutputFormat;

    std::string package_path;    // the listing, apply: PACKAGE
    std::string transform_path;  // the listing: the first TRANSFORM; make-transform: OUT
    std::vector<std::string> transform_paths;  // the listing, apply: every TRANSFORM, in order
    std::string only_transform;                // apply --transform NAME
    std::string old_package;                   // diff, make-transform: OLD
    std::string new_package;                   // diff, make-transform: NEW
    std::string output_path;                   // apply --output

    bool exit_code = false;               // diff --exit-code
    std::vector<std::string> ignore;      // diff --ignore, each as given
    bool summary = false;                 // diff --summary
    bool force = false;                   // make-transform, apply --force
    std::optional<int> error_conditions;  // make-transform --error-conditions
    std::optional<int> validation;        // make-transform --validation
};

using UsageProblem = ::cli::UsageProblem;

// The program's help (every command), or one command's (the plain form's is
// the program's).
std::string ProgramHelp();
std::string CommandHelp(CliOptions::Command command);

// Reads the arguments after the program name. --help, --version and
// --format list win over missing paths, so that they work on their own.
std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem);

}  // namespace deltalens
