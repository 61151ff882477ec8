#include "cli_options.h"

#include "argument_reader.h"
#include "closest_word.h"

namespace tablesmith::cli {

namespace {

constexpr const char* kProgram = "tablesmith-cli";

// The commands, in the order the help lists them; parsing, help and
// suggestions all come from this table.
struct CommandEntry {
    Command command;
    const char* name;
    const char* synopsis;  // what follows the name
    const char* summary;   // one line
    const char* about;     // the command help's paragraph
};

constexpr CommandEntry kCommands[] = {
    {Command::kTables, "tables", "[--format FORMAT] PACKAGE",
     "list the package's tables, sorted, and their count",
     "Lists the tables of PACKAGE, sorted without regard to letter case, then their\n"
     "count (\"N Tables\"); tsv and json list the names alone.\n"},
    {Command::kExport, "export",
     "(--table NAME | --all) [--cabs | --only-cabs] [--folder DIR] PACKAGE",
     "write tables (and cabinets) to the export folder",
     "Writes the table NAME, or every table, of PACKAGE as an IDT file (NAME.tbl) into\n"
     "the export folder, and with --cabs or --only-cabs the cabinets the package\n"
     "carries in its streams as files of their own.\n"},
    {Command::kGenerate, "generate", "[--folder DIR] PACKAGE",
     "build a package with external cabinets from the export folder",
     "Builds a new package from the tables and cabinets that export wrote to the\n"
     "export folder: it takes the file name of PACKAGE, lies in that folder, and its\n"
     "Media rows name the cabinet files instead of streams. Export all tables and the\n"
     "cabinets first.\n"},
};

// Which commands take an option: bits of 1 << Command.
constexpr unsigned Bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

struct OptionEntry {
    const char* name;
    const char* spelling;  // as the help shows it
    const char* help;
    unsigned commands;
};

constexpr OptionEntry kOptions[] = {
    {"--format", "--format FORMAT",
     "table, tsv or json [default=table]; '--format list' lists them", Bit(Command::kTables)},
    {"--table", "--table NAME", "export the table NAME", Bit(Command::kExport)},
    {"--all", "--all", "export every table of the package", Bit(Command::kExport)},
    {"--cabs", "--cabs", "also copy the cabinets the package carries", Bit(Command::kExport)},
    {"--only-cabs", "--only-cabs", "copy the cabinets and no table (needs no --table or --all)",
     Bit(Command::kExport)},
    {"--folder", "--folder DIR",
     "use DIR instead of the export folder (export makes DIR, one level, when missing)",
     Bit(Command::kExport) | Bit(Command::kGenerate)},
};

constexpr const char* kGeneralOptions =
    "General options:\n"
    "  --trace          write the debug channel to standard error\n"
    "  -h, --help       show the help (after a command, that command's) and exit\n"
    "  --version        show the version and exit\n"
    "  --               end the options: what follows is PACKAGE, even when it\n"
    "                   begins with '-'\n";

constexpr const char* kExportFolder =
    "The export folder is the temporary folder ($TMPDIR, else /tmp) followed by the\n"
    "package's file name without its extension; generate writes the new package\n"
    "there under the package's file name. --folder DIR replaces it for both.\n";

constexpr const char* kOutput =
    "Results and success messages go to standard output, failures to standard\n"
    "error; where a message says too little, a line \"cause: ...\" follows with the\n"
    "real cause. Names from a package are never printed raw: in table and tsv\n"
    "output TAB, line feed, carriage return and backslash are written \\t \\n \\r \\\\,\n"
    "any other control character as \\xHH (C1 controls as \\u0080 to \\u009f), and a\n"
    "byte that is not UTF-8 as \\xHH; json escapes them as JSON does; messages keep\n"
    "their own line breaks and escape the rest the same way.\n"
    "\n"
    "Exit status: 0 success, 1 a step failed, 2 usage error.\n";

const CommandEntry* FindCommand(const std::string& name) {
    for (const CommandEntry& entry : kCommands)
        if (name == entry.name) return &entry;
    return nullptr;
}

const CommandEntry& EntryOf(Command command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command) return entry;
    return kCommands[0];
}

std::string OptionLines(Command command) {
    std::string lines;
    for (const OptionEntry& option : kOptions) {
        if ((option.commands & Bit(command)) == 0) continue;
        std::string line = std::string("  ") + option.spelling;
        line.append(line.size() < 19 ? 19 - line.size() : 1, ' ');
        lines += line + option.help + "\n";
    }
    return lines;
}

bool Takes(Command command, const std::string& option) {
    for (const OptionEntry& entry : kOptions)
        if (option == entry.name) return (entry.commands & Bit(command)) != 0;
    return false;
}

std::vector<std::string> OptionNames() {
    std::vector<std::string> names = {"--trace", "--help", "--version"};
    for (const OptionEntry& option : kOptions) names.push_back(option.name);
    return names;
}

std::optional<CliOptions> Fail(UsageProblem& problem, std::string text, Command command) {
    problem.text = std::move(text);
    problem.command = CommandName(command);
    return std::nullopt;
}

// The checks that need the whole command line.
std::optional<CliOptions> Check(CliOptions options, const std::vector<std::string>& operands,
                                const std::vector<std::string>& given, UsageProblem& problem) {
    const Command command = options.command;
    if (command == Command::kNone) return Fail(problem, "no command given", command);
    const std::string name = CommandName(command);
    for (const std::string& option : given) {
        if (!Takes(command, option))
            return Fail(problem, name + " takes no option '" + option + "'", command);
    }
    if (operands.size() != 1)
        return Fail(
            problem,
            name + " takes one PACKAGE, not " + std::to_string(operands.size()) + " arguments",
            command);
    options.package = operands[0];
    if (options.package.empty()) return Fail(problem, "the PACKAGE path is empty", command);
    if (options.folder && options.folder->empty())
        return Fail(problem, "--folder needs a folder", command);
    if (command == Command::kExport) {
        if (options.table && options.all)
            return Fail(problem, "give --table or --all, not both", command);
        if (options.cabs && options.only_cabs)
            return Fail(problem, "give --cabs or --only-cabs, not both", command);
        if (!options.table && !options.all && !options.only_cabs)
            return Fail(problem, "export needs --table NAME or --all", command);
        if (options.table && options.table->empty())
            return Fail(problem, "--table needs a table name", command);
    }
    return options;
}

}  // namespace

std::string CommandName(Command command) {
    return command == Command::kNone ? std::string() : EntryOf(command).name;
}

namespace {

std::string DidYouMean(const std::string& word, const std::vector<std::string>& names) {
    const std::string guess = ::cli::ClosestWord(word, names);
    return guess.empty() ? "" : ", did you mean '" + guess + "'?";
}

// A command's flag (--all, --cabs, --only-cabs); false for anything else.
bool ReadFlag(::cli::ArgumentReader& reader, CliOptions& options) {
    if (reader.Is("--all"))
        options.all = true;
    else if (reader.Is("--cabs"))
        options.cabs = true;
    else if (reader.Is("--only-cabs"))
        options.only_cabs = true;
    else
        return false;
    return true;
}

// An option with a value (--format, --table, --folder): its name goes to
// `given`, except for "--format list", which asks a question instead. An
// unknown option or a missing value is a usage problem.
std::optional<CliOptions> ReadValueOption(::cli::ArgumentReader& reader, CliOptions options,
                                          std::vector<std::string>& given, bool& list_formats,
                                          UsageProblem& problem) {
    using Value = ::cli::ArgumentReader::Value;
    std::string value;
    Value taken = Value::kNotThisOption;
    std::string name;
    for (const char* option : {"--format", "--table", "--folder"}) {
        taken = reader.TakeValue(option, value);
        if (taken != Value::kNotThisOption) {
            name = option;
            break;
        }
    }
    if (taken == Value::kMissing) {
        const char* what = name == "--table"    ? "a table name"
                           : name == "--folder" ? "a folder"
                                                : "a value (use '--format list' to see them)";
        return Fail(problem, name + " needs " + what, options.command);
    }
    if (taken == Value::kNotThisOption) {
        const std::string& argument = reader.Current();
        return Fail(problem,
                    "unknown option '" + argument + "'" + DidYouMean(argument, OptionNames()),
                    options.command);
    }
    if (name == "--table") {
        options.table = value;
    } else if (name == "--folder") {
        options.folder = value;
    } else if (value == "list") {
        list_formats = true;
        return options;  // a question, not an option of the command
    } else if (const auto format = ::cli::ParseOutputFormat(value)) {
        options.format = *format;
    } else {
        return Fail(problem, "unknown format '" + value + "' (use '--format list' to see them)",
                    options.command);
    }
    given.push_back(name);
    return options;
}

}  // namespace

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem) {
    CliOptions options;
    std::vector<std::string> operands;
    std::vector<std::string> given;  // the command's options, checked once it is known
    bool list_formats = false;
    ::cli::ArgumentReader reader(arguments);
    while (reader.Next()) {
        const std::string& argument = reader.Current();
        if (reader.IsOperand()) {
            if (options.command != Command::kNone) {
                operands.push_back(argument);
                continue;
            }
            const CommandEntry* entry = FindCommand(argument);
            if (entry == nullptr) {
                std::vector<std::string> names;
                for (const CommandEntry& command : kCommands) names.push_back(command.name);
                return Fail(problem,
                            "unknown command '" + argument + "'" + DidYouMean(argument, names),
                            Command::kNone);
            }
            options.command = entry->command;
            continue;
        }
        if (::cli::ReadGeneralOption(reader, options)) {
            if (options.action != CliOptions::Action::kRun) return options;
            continue;
        }
        if (ReadFlag(reader, options)) {
            given.push_back(argument);
            continue;
        }
        auto read = ReadValueOption(reader, std::move(options), given, list_formats, problem);
        if (!read) return read;
        options = std::move(*read);
    }
    if (list_formats) {
        options.action = CliOptions::Action::kListFormats;
        return options;
    }
    return Check(std::move(options), operands, given, problem);
}

std::string ProgramHelp() {
    std::string text = std::string("Usage: ") + kProgram +
                       " [--trace] COMMAND [OPTIONS] PACKAGE\n" + "  or:  " + kProgram +
                       " [COMMAND] --help | --version\n" +
                       "\n"
                       "Exports the tables and cabinets of a Windows Installer package into its\n"
                       "export folder, and builds from that folder a package whose cabinets are\n"
                       "external files.\n"
                       "\n"
                       "Commands:\n";
    for (const CommandEntry& command : kCommands) {
        text += std::string("  ") + command.name + " " + command.synopsis + "\n";
        text += std::string("      ") + command.summary + "\n";
    }
    for (const CommandEntry& command : kCommands)
        text += std::string("\nOptions of ") + command.name + ":\n" + OptionLines(command.command);
    text += std::string("\n") + kGeneralOptions + "\n" + kExportFolder + "\n" + kOutput;
    return text;
}

std::string CommandHelp(Command command) {
    if (command == Command::kNone) return ProgramHelp();
    const CommandEntry& entry = EntryOf(command);
    std::string text = std::string("Usage: ") + kProgram + " " + entry.name + " " + entry.synopsis +
                       "\n\n" + entry.about + "\nOptions:\n" + OptionLines(command) + "\n" +
                       kGeneralOptions;
    if (command != Command::kTables) text += std::string("\n") + kExportFolder;
    return text;
}

}  // namespace tablesmith::cli
