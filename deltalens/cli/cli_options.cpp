#include "cli_options.h"

namespace deltalens {

namespace {

constexpr const char* kVersion = "1.02";

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
// Returns false when the argument is not that option; `missing` is set when
// it is but has no value.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& index,
               const std::string& name, std::string& value, bool& missing) {
    const std::string& argument = arguments[index];
    if (argument == name) {
        if (index + 1 >= arguments.size()) {
            missing = true;
            return true;
        }
        value = arguments[++index];
        return true;
    }
    if (argument.rfind(name + "=", 0) == 0) {
        value = argument.substr(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

std::string UsageText(const std::string& program) {
    return "usage: " + program +
           " [options] PACKAGE TRANSFORM\n"
           "\n"
           "Applies TRANSFORM (.mst) to PACKAGE (.msi) in the installer's view mode and prints\n"
           "every change it would make: Table, Column, Row, Data, Current. Neither file is\n"
           "changed.\n"
           "\n"
           "options:\n"
           "  --format FORMAT  table, tsv or json [default=table]; '--format list' lists them\n"
           "  --trace          write the debug output channel to standard error\n"
           "  --help           print this text and exit\n"
           "  --version        print the version and exit\n"
           "\n"
           "exit status: 0 the changes were printed (none is fine), 1 the package could not be\n"
           "opened or the transform not applied (the message is on standard output), 2 usage\n"
           "error.\n";
}

std::string VersionText() {
    return std::string("deltalens-cli ") + kVersion;
}

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         std::string& error) {
    CliOptions options;
    std::vector<std::string> paths;
    bool list_formats = false;
    bool options_ended = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (options_ended || argument.empty() || argument[0] != '-' || argument == "-") {
            paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.action = CliOptions::Action::kHelp;
            return options;
        }
        if (argument == "--version") {
            options.action = CliOptions::Action::kVersion;
            return options;
        }
        if (argument == "--trace") {
            options.trace = true;
            continue;
        }
        std::string value;
        bool missing = false;
        if (TakeValue(arguments, index, "--format", value, missing)) {
            if (missing) {
                error = "--format needs a value (use '--format list' to see them)";
                return std::nullopt;
            }
            if (value == "list") {
                list_formats = true;
                continue;
            }
            const std::optional<OutputFormat> format = ParseOutputFormat(value);
            if (!format) {
                error = "unknown format '" + value + "' (use '--format list' to see them)";
                return std::nullopt;
            }
            options.format = *format;
            continue;
        }
        error = "unknown option '" + argument + "'";
        return std::nullopt;
    }
    if (list_formats) {
        options.action = CliOptions::Action::kListFormats;
        return options;
    }
    if (paths.size() != 2) {
        error = paths.size() < 2 ? "PACKAGE and TRANSFORM are needed"
                                 : "too many arguments: '" + paths[2] + "'";
        return std::nullopt;
    }
    options.package_path = paths[0];
    options.transform_path = paths[1];
    return options;
}

}  // namespace deltalens
