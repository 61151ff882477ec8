#include "command_line.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "exit_codes.h"
#include "export_command.h"
#include "generate_command.h"
#include "message_sink.h"
#include "messages.h"
#include "package_tables.h"
#include "terminal_progress.h"
#include "win32/debug.h"

namespace tablesmith::cli {

namespace {

constexpr const char* kProgram = "tablesmith-cli";
constexpr const char* kVersion = "1.0.2.0";

// What the command line asked for, after parsing.
struct Options {
    std::string package;
    std::optional<std::string> table;
    bool all = false;
    bool cabs = false;
    bool only_cabs = false;
};

int RunTables(const Options& options);
int RunExportCommand(const Options& options);
int RunGenerateCommand(const Options& options);

struct Subcommand {
    const char* name;
    const char* arguments;
    const char* help;
    int (*run)(const Options&);
    bool takes_export_options;
};

// Dispatch, help and suggestions all come from this table.
constexpr Subcommand kSubcommands[] = {
    {"tables", "PACKAGE", "list the package's tables, sorted, and their count", &RunTables, false},
    {"export", "PACKAGE (--table NAME | --all) [--cabs | --only-cabs]",
     "write tables (and cabinets) to the export folder", &RunExportCommand, true},
    {"generate", "PACKAGE", "build a package with external cabinets from the export folder",
     &RunGenerateCommand, false},
};

const Subcommand* FindSubcommand(const std::string& name) {
    for (const Subcommand& command : kSubcommands)
        if (name == command.name) return &command;
    return nullptr;
}

// Prints a usage error the same way every time and gives its exit status.
int UsageError(const std::string& text) {
    std::fprintf(stderr, "%s: error: %s\n", kProgram, text.c_str());
    std::fprintf(stderr, "run '%s --help' for usage\n", kProgram);
    return kExitUsage;
}

int ExitFor(bool ok, const MessageBoxSink& sink) {
    return ok && !sink.SawStop() ? kExitSuccess : kExitFailure;
}

int RunTables(const Options& options) {
    bool opened = false;
    const std::vector<std::string> tables = ListPackageTables(options.package, &opened);
    if (!opened) {
        std::fprintf(stderr, "%s: can't open package %s\n", kProgram, options.package.c_str());
        return kExitFailure;
    }
    for (const std::string& table : tables) std::printf("%s\n", table.c_str());
    std::printf("%s\n", FormatMessageText(kTableCount, {std::to_string(tables.size())}).c_str());
    return kExitSuccess;
}

int RunExportCommand(const Options& options) {
    ExportSettings settings;
    settings.msi_file = options.package;
    // The dialog's list holds the tables of the package as it was browsed;
    // here the package is browsed just before.
    if (options.all) settings.tables = ListPackageTables(options.package);
    settings.selected_table = options.table.value_or("");
    settings.export_all = options.all;
    settings.export_cab = options.cabs || options.only_cabs;
    settings.only_cab = options.only_cabs;

    MessageBoxSink sink;
    TerminalProgress progress(stderr);
    const bool on_terminal = isatty(STDERR_FILENO) != 0;
    const bool ok = RunExport(settings, sink, on_terminal ? &progress : nullptr);
    return ExitFor(ok, sink);
}

int RunGenerateCommand(const Options& options) {
    GenerateSettings settings;
    settings.msi_file = options.package;
    settings.tables = ListPackageTables(options.package);
    MessageBoxSink sink;
    const bool ok = RunGenerate(settings, sink);
    return ExitFor(ok, sink);
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string Usage() {
    std::string text = std::string("usage: ") + kProgram +
                       " [--trace] COMMAND PACKAGE [OPTIONS]\n" +
                       "\n"
                       "Exports the tables and cabinets of a Windows Installer package into its\n"
                       "export folder, and builds from that folder a package whose cabinets are\n"
                       "external files.\n"
                       "\n"
                       "commands:\n";
    for (const Subcommand& command : kSubcommands) {
        text += std::string("  ") + command.name + " " + command.arguments + "\n";
        text += std::string("      ") + command.help + "\n";
    }
    text +=
        "\n"
        "options of export:\n"
        "  --table NAME   export the table NAME\n"
        "  --all          export every table of the package\n"
        "  --cabs         also copy the cabinets the package carries (streams *.cab)\n"
        "  --only-cabs    copy the cabinets and no table (--table and --all not needed)\n"
        "\n"
        "general options:\n"
        "  --trace        write the debug channel to standard error\n"
        "  --help         show this help and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "The export folder is the temporary folder ($TMPDIR, else /tmp) followed by\n"
        "the package's file name without its extension; generate writes the new\n"
        "package there. Messages go to standard output.\n"
        "\n"
        "exit status: 0 when every message was information, 1 when a step failed,\n"
        "2 for a usage error.\n";
    return text;
}

std::string SuggestCommand(const std::string& typed) {
    std::string best;
    std::size_t best_distance = 3;  // more than two edits away is no typo
    for (const Subcommand& command : kSubcommands) {
        const std::string name = command.name;
        const std::size_t distance = EditDistance(typed, name);
        const bool prefix = !typed.empty() && name.rfind(typed, 0) == 0;
        if (prefix) return name;
        if (distance < best_distance) {
            best_distance = distance;
            best = name;
        }
    }
    return best;
}

int RunCommandLine(const std::vector<std::string>& args) {
    const Subcommand* command = nullptr;
    Options options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage().c_str(), stdout);
            return kExitSuccess;
        }
        if (arg == "--version") {
            std::printf("%s %s\n", kProgram, kVersion);
            return kExitSuccess;
        }
        if (arg == "--trace") {
            win32::EnableDebugStderr();
            continue;
        }
        if (arg.rfind("--", 0) == 0) {
            if (command == nullptr || !command->takes_export_options)
                return UsageError("unknown option '" + arg + "'");
            if (arg == "--all") {
                options.all = true;
            } else if (arg == "--cabs") {
                options.cabs = true;
            } else if (arg == "--only-cabs") {
                options.only_cabs = true;
            } else if (arg == "--table") {
                if (i + 1 >= args.size()) return UsageError("--table needs a table name");
                options.table = args[++i];
            } else if (arg.rfind("--table=", 0) == 0) {
                options.table = arg.substr(8);
            } else {
                return UsageError("unknown option '" + arg + "'");
            }
            continue;
        }
        if (command == nullptr) {
            command = FindSubcommand(arg);
            if (command == nullptr) {
                const std::string suggestion = SuggestCommand(arg);
                return UsageError(
                    "unknown command '" + arg + "'" +
                    (suggestion.empty() ? "" : ", did you mean '" + suggestion + "'?"));
            }
            continue;
        }
        positional.push_back(arg);
    }

    if (command == nullptr) return UsageError("no command given");
    if (positional.size() != 1)
        return UsageError(std::string(command->name) + " takes one PACKAGE, not " +
                          std::to_string(positional.size()) + " arguments");
    options.package = positional[0];
    if (options.package.empty()) return UsageError("the PACKAGE path is empty");
    if (command->takes_export_options) {
        if (options.table && options.all) return UsageError("give --table or --all, not both");
        if (options.cabs && options.only_cabs)
            return UsageError("give --cabs or --only-cabs, not both");
        if (!options.table && !options.all && !options.only_cabs)
            return UsageError("export needs --table NAME or --all");
        if (options.table && options.table->empty())
            return UsageError("--table needs a table name");
    }
    return command->run(options);
}

}  // namespace tablesmith::cli
