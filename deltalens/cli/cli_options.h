// The command line of deltalens-cli: what it asks for, its usage text, and
// the parser that turns the arguments into options or a usage error.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "change_writer.h"

namespace deltalens {

struct CliOptions {
    enum class Action { kApply, kHelp, kVersion, kListFormats };

    Action action = Action::kApply;
    OutputFormat format = OutputFormat::kTable;
    bool trace = false;
    std::string package_path;
    std::string transform_path;
};

// The one usage text, with the program name as `program`.
std::string UsageText(const std::string& program);
// "deltalens-cli <version>".
std::string VersionText();

// Reads the arguments after the program name. Returns the options, or no
// value with `error` saying what was wrong (without prefix or line feed).
// --help, --version and --format list win over missing paths, so that
// they work on their own.
std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         std::string& error);

}  // namespace deltalens
