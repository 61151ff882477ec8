#include "cli_options.h"

#include <cerrno>
#include <cstdlib>

#include "argument_reader.h"
#include "closest_word.h"

namespace deltalens {

namespace {

using Command = CliOptions::Command;

struct CommandEntry {
    Command command;
    const char* name;      // "" for the plain form
    const char* operands;  // as the usage shows them
    std::size_t operand_count;
    const char* needed;  // the usage error for too few
    const char* about;
};

constexpr CommandEntry kCommands[] = {
    {Command::kApply, "", "PACKAGE TRANSFORM", 2, "PACKAGE and TRANSFORM are needed",
     "Applies TRANSFORM (.mst) to PACKAGE (.msi) in the installer's view mode and\n"
     "prints every change it would make: Table, Column, Row, Data, Current. Neither\n"
     "file is changed.\n"},
    {Command::kDiff, "diff", "OLD NEW", 2, "diff needs OLD and NEW",
     "Lists what turns package OLD into package NEW, in the same columns: the rows of\n"
     "the transform the installer would generate from OLD to NEW, applied to OLD.\n"
     "Neither package is changed and no file is left behind. Summary information is\n"
     "not compared (a transform does not carry it). Text one package's code page\n"
     "cannot hold is listed as it is. OLD and NEW must be packages: a transform or a\n"
     "patch is refused. A binary cell (a Binary row's data, a stream of _Streams such\n"
     "as an embedded cabinet) shows each side's bytes as their size and the first 8\n"
     "hex digits of their SHA-256, e.g. [1,204 bytes 3fa4c2d1] (Data: NEW's,\n"
     "Current: OLD's); packages that differ only in such bytes differ. tsv and json\n"
     "print each row as it is found; table waits for every row.\n"},
    {Command::kMakeTransform, "make-transform", "OLD NEW OUT.mst", 3,
     "make-transform needs OLD, NEW and OUT.mst",
     "Writes the transform from package OLD to package NEW, with its summary\n"
     "information, to OUT.mst: under a temporary name beside it, renamed into place\n"
     "when whole. Streams that changed (binary cells, embedded cabinets) travel in\n"
     "the transform. A changed table of more than 32 columns (the installer's limit)\n"
     "has no transform form: it is refused, naming the table. OUT.mst that is OLD or\n"
     "NEW itself (the same file under another name, a link or a second hard link) is\n"
     "refused before any work, with --force too; --force replaces a regular file\n"
     "only. Ctrl+C before the rename leaves OUT.mst as it was, removes the temporary\n"
     "file and exits 130.\n"},
};

// Which commands take an option: bits of 1 << Command.
constexpr unsigned Bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

struct OptionEntry {
    const char* name;
    const char* spelling;
    const char* help;
    unsigned commands;
};

constexpr OptionEntry kOptions[] = {
    {"--format", "--format FORMAT",
     "table, tsv or json [default=table]; '--format list' lists them",
     Bit(Command::kApply) | Bit(Command::kDiff)},
    {"--exit-code", "--exit-code",
     "exit 1 when the packages differ, 0 when not, 2 for trouble (as diff(1) does)",
     Bit(Command::kDiff)},
    {"--force", "--force", "replace OUT.mst when it exists and is a regular file",
     Bit(Command::kMakeTransform)},
    {"--error-conditions", "--error-conditions N",
     "the errors the transform suppresses when applied [default=0]", Bit(Command::kMakeTransform)},
    {"--validation", "--validation N",
     "what a package must match for the transform [default: see below]",
     Bit(Command::kMakeTransform)},
};

constexpr const char* kGeneralOptions =
    "  --trace                 write the debug output channel to standard error\n"
    "  -h, --help              print the help (after a command, that command's) and exit\n"
    "  --version               print the version and exit\n"
    "  --                      end the options: what follows are paths, even when they\n"
    "                          begin with '-'\n";

constexpr const char* kTransformFlags =
    "N is decimal or 0x hexadecimal, the sum of the flags wanted:\n"
    "  error conditions  0x1 add an existing row, 0x2 delete a missing row,\n"
    "                    0x4 add an existing table, 0x8 delete a missing table,\n"
    "                    0x10 update a missing row, 0x20 change the code page\n"
    "  validation        0x1 language, 0x2 product code, 0x4 platform, 0x8 major,\n"
    "                    0x10 minor, 0x20 update version; one comparison of the\n"
    "                    installed version with the base version: 0x40 <, 0x80 <=,\n"
    "                    0x100 =, 0x200 >=, 0x400 >; 0x800 upgrade code\n"
    "Without --validation: language and product code (0x3), and the upgrade code\n"
    "too (0x803) when both packages have an UpgradeCode property. The packages need\n"
    "ProductCode and ProductVersion properties for the summary information.\n";

constexpr const char* kOutput =
    "Changes and results go to standard output, failures to standard error; where a\n"
    "message says too little, a line \"cause: ...\" follows with the real cause. Values\n"
    "from a package are never printed raw: in table and tsv output TAB, line feed,\n"
    "carriage return and backslash are written \\t \\n \\r \\\\, any other control\n"
    "character as \\xHH (C1 controls as \\u0080 to \\u009f), and a byte that is not\n"
    "UTF-8 as \\xHH. In json an empty cell is null (the installer keeps an empty text\n"
    "as null) and control characters are JSON escapes.\n";

constexpr const char* kExitStatus =
    "Exit status: 0 the changes were listed (none is fine) or the transform written;\n"
    "1 a package could not be opened or a transform not applied or made, OUT.mst\n"
    "refused (the message is on standard error); 2 usage error; 130 make-transform\n"
    "interrupted before OUT.mst was replaced. diff --exit-code: 0 the packages are the\n"
    "same, 1 they differ (also in what no row shows, the code page alone), 2 trouble.\n";

const CommandEntry& EntryOf(Command command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command) return entry;
    return kCommands[0];
}

std::string OptionLines(unsigned commands) {
    std::string lines;
    for (const OptionEntry& option : kOptions) {
        if ((option.commands & commands) == 0) continue;
        std::string line = std::string("  ") + option.spelling;
        line.append(line.size() < 26 ? 26 - line.size() : 1, ' ');
        lines += line + option.help + "\n";
    }
    return lines;
}

std::string UsageLine(const std::string& program, Command command) {
    const CommandEntry& entry = EntryOf(command);
    const std::string name = entry.name[0] == '\0' ? "" : std::string(entry.name) + " ";
    return program + " " + name + "[options] " + entry.operands;
}

std::optional<CliOptions> Fail(UsageProblem& problem, std::string text, const CliOptions& options) {
    problem.text = std::move(text);
    problem.command = options.command_named ? CommandName(options.command) : "";
    return std::nullopt;
}

// A flag word: decimal or 0x hexadecimal, 16 bits.
std::optional<int> ReadFlags(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
        std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    if (errno != 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<int>(value);
}

std::vector<std::string> OptionNames() {
    std::vector<std::string> names = {"--trace", "--help", "--version"};
    for (const OptionEntry& option : kOptions) names.push_back(option.name);
    return names;
}

std::optional<CliOptions> Check(CliOptions options, const std::vector<std::string>& paths,
                                const std::vector<std::string>& given, UsageProblem& problem) {
    const CommandEntry& entry = EntryOf(options.command);
    for (const std::string& option : given) {
        bool takes = false;
        for (const OptionEntry& known : kOptions)
            if (option == known.name) takes = (known.commands & Bit(options.command)) != 0;
        if (!takes) {
            const std::string who =
                options.command_named ? entry.name : "the listing of a transform";
            return Fail(problem, option + " is no option of " + who, options);
        }
    }
    if (paths.size() != entry.operand_count) {
        // "dif a.msi b.msi" reads as three paths; say what was probably meant.
        if (!options.command_named && paths.size() > entry.operand_count) {
            const std::string guess = ::cli::ClosestWord(paths[0], {"diff", "make-transform"});
            if (!guess.empty())
                return Fail(problem,
                            "unknown command '" + paths[0] + "', did you mean '" + guess + "'?",
                            options);
        }
        if (paths.size() < entry.operand_count) return Fail(problem, entry.needed, options);
        return Fail(problem, "too many arguments: '" + paths[entry.operand_count] + "'", options);
    }
    for (const std::string& path : paths) {
        if (path.empty()) return Fail(problem, "a path is empty", options);
    }
    switch (options.command) {
        case Command::kApply:
            options.package_path = paths[0];
            options.transform_path = paths[1];
            break;
        case Command::kDiff:
            options.old_package = paths[0];
            options.new_package = paths[1];
            break;
        case Command::kMakeTransform:
            options.old_package = paths[0];
            options.new_package = paths[1];
            options.transform_path = paths[2];
            break;
    }
    return options;
}

}  // namespace

std::string CommandName(CliOptions::Command command) {
    return EntryOf(command).name;
}

std::string UsageText(const std::string& program) {
    std::string text = "Usage: " + UsageLine(program, Command::kApply) + "\n";
    for (Command command : {Command::kDiff, Command::kMakeTransform})
        text += "  or:  " + UsageLine(program, command) + "\n";
    text += "  or:  " + program + " [COMMAND] --help | --version | --format list\n\n";
    for (const CommandEntry& entry : kCommands) {
        if (entry.name[0] != '\0') text += std::string(entry.name) + ": ";
        text += entry.about;
        text += "\n";
    }
    text += "Options:\n";
    text += OptionLines(~0u) + kGeneralOptions + "\n" +
            "--format is for the listing and diff, --exit-code for diff, the others for\n"
            "make-transform. " +
            kTransformFlags + "\n" + kOutput + "\n" + kExitStatus;
    return text;
}

std::string CommandUsageText(const std::string& program, CliOptions::Command command) {
    if (command == Command::kApply) return UsageText(program);
    std::string text = "Usage: " + UsageLine(program, command) + "\n\n" + EntryOf(command).about +
                       "\nOptions:\n" + OptionLines(Bit(command)) + kGeneralOptions;
    if (command == Command::kMakeTransform) text += std::string("\n") + kTransformFlags;
    if (command == Command::kDiff) text += std::string("\n") + kOutput;
    return text + "\n" + kExitStatus;
}

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem) {
    using Value = ::cli::ArgumentReader::Value;
    CliOptions options;
    std::vector<std::string> paths;
    std::vector<std::string> given;  // checked against the command at the end
    bool list_formats = false;
    ::cli::ArgumentReader reader(arguments);
    while (reader.Next()) {
        const std::string& argument = reader.Current();
        if (reader.IsOperand()) {
            if (paths.empty() && !options.command_named && !reader.OptionsEnded()) {
                if (argument == "diff" || argument == "make-transform") {
                    options.command = argument == "diff" ? Command::kDiff : Command::kMakeTransform;
                    options.command_named = true;
                    continue;
                }
            }
            paths.push_back(argument);
            continue;
        }
        if (::cli::ReadGeneralOption(reader, options)) {
            if (options.action != CliOptions::Action::kRun) return options;
            continue;
        }
        if (reader.Is("--exit-code") || reader.Is("--force")) {
            (argument == "--force" ? options.force : options.exit_code) = true;
            given.push_back(argument);
            continue;
        }
        std::string value;
        std::string name;
        Value taken = Value::kNotThisOption;
        for (const char* option : {"--format", "--error-conditions", "--validation"}) {
            taken = reader.TakeValue(option, value);
            if (taken != Value::kNotThisOption) {
                name = option;
                break;
            }
        }
        if (taken == Value::kNotThisOption) {
            const std::string guess = ::cli::ClosestWord(argument, OptionNames());
            return Fail(problem,
                        "unknown option '" + argument + "'" +
                            (guess.empty() ? "" : ", did you mean '" + guess + "'?"),
                        options);
        }
        if (name == "--format") {
            if (taken == Value::kMissing)
                return Fail(problem, "--format needs a value (use '--format list' to see them)",
                            options);
            if (value == "list") {
                list_formats = true;
                continue;
            }
            const std::optional<::cli::OutputFormat> format = ::cli::ParseOutputFormat(value);
            if (!format)
                return Fail(problem,
                            "unknown format '" + value + "' (use '--format list' to see them)",
                            options);
            options.format = *format;
            given.push_back(name);
            continue;
        }
        const std::optional<int> flags =
            taken == Value::kTaken ? ReadFlags(value) : std::optional<int>();
        if (!flags)
            return Fail(problem,
                        name + " needs a number from 0 to 65535 (or 0x0 to 0xffff)" +
                            (taken == Value::kTaken ? ", not '" + value + "'" : ""),
                        options);
        (name == "--validation" ? options.validation : options.error_conditions) = *flags;
        given.push_back(name);
    }
    if (list_formats) {
        options.action = CliOptions::Action::kListFormats;
        return options;
    }
    return Check(std::move(options), paths, given, problem);
}

}  // namespace deltalens
