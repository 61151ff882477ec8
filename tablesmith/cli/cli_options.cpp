#include "cli_options.h"

#include "dump_command.h"
#include "option_help.h"

namespace tablesmith::cli {

namespace {

using ::cli::CommandBit;
using ::cli::CommandId;

constexpr const char* kExportFolder =
    "The export folder is the temporary folder ($TMPDIR, else /tmp) followed by the\n"
    "package's file name without its extension; generate writes the new package\n"
    "there under the package's file name. --folder DIR replaces it for both (and\n"
    "for dump's csv and idt files).\n"
    "The folder is opened and checked once (a real folder of your own that no one\n"
    "else may write to); every file is then written through that open folder, so\n"
    "moving it or putting a link at its path during the run changes nothing.\n";

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

constexpr const char* kFolderNotes[] = {kExportFolder};

// The commands, in the order the help lists them.
constexpr ::cli::CommandEntry kCommands[] = {
    {CommandId(Command::kTables), "tables", "[--format FORMAT] PACKAGE|TRANSFORM|PATCH",
     "list the package's tables, sorted, and their count",
     "Lists the tables of PACKAGE, sorted without regard to letter case, then their\n"
     "count (\"N Tables\"); tsv and json list the names alone. For a TRANSFORM, the\n"
     "tables it touches and how (added, dropped, columns added, rows changed). For a\n"
     "patch (.msp) it lists the patch's transform pairs instead, each with the\n"
     "ProductCode, ProductVersion and UpgradeCode of the package it is made for.\n"},
    {CommandId(Command::kExport), "export",
     "(--table NAME | --all) [--cabs | --only-cabs] [--folder DIR] PACKAGE",
     "write tables (and cabinets) to the export folder",
     "Writes the table NAME, or every table, of PACKAGE as an IDT file (NAME.tbl) into\n"
     "the export folder, and with --cabs or --only-cabs the cabinets the package\n"
     "carries in its streams as files of their own.\n",
     kFolderNotes},
    {CommandId(Command::kGenerate), "generate", "[--folder DIR] PACKAGE",
     "build a package with external cabinets from the export folder",
     "Builds a new package from the tables and cabinets that export wrote to the\n"
     "export folder: it takes the file name of PACKAGE, lies in that folder, and its\n"
     "Media rows name the cabinet files instead of streams. Export all tables and the\n"
     "cabinets first.\n",
     kFolderNotes},
    {CommandId(Command::kValidate), "validate", "[--format FORMAT] [--table NAME]... PACKAGE",
     "check every row against the package's _Validation table",
     "Checks every row of every table of PACKAGE (or of each --table NAME) against\n"
     "the rules of its _Validation table, as the installer's VALIDATE does, and\n"
     "_Validation itself against the tables: one finding a line (table, column, the\n"
     "row's key, the rule, a sentence), their count last in the table format.\n"
     "Exit status: 0 nothing found, 1 findings (or a table that could not be read),\n"
     "2 the package could not be read (or a usage error).\n"},
    {CommandId(Command::kExtract), "extract",
     "[--folder DIR] [--list [--format FORMAT]] PACKAGE [FILE_KEY_OR_PATTERN...]",
     "write the files the package installs, under their folders and names",
     "Writes the files PACKAGE installs into DIR (default: the folder \"files\" of the\n"
     "export folder), each under the folder and long name its Directory, Component\n"
     "and File rows give, its bytes taken from the cabinets its Media rows name\n"
     "(embedded or beside the package) or, when stored uncompressed, from the\n"
     "source tree beside the package. Patterns (shell wildcards) pick files by File\n"
     "key or path. A file that fails is named with its cabinet and the reason and\n"
     "the others go on; the exit status is 1 when any failed. --list prints each\n"
     "file's path, size, component, directory, cabinet and sequence instead.\n",
     kFolderNotes},
    {CommandId(Command::kInfo), "info", "[--format FORMAT] PACKAGE|TRANSFORM|PATCH",
     "tell what a package, a transform or a patch is",
     "Prints what PACKAGE is: every summary information property (times in ISO 8601\n"
     "UTC, the code page by number and name), the code page of its strings, the\n"
     "product's key properties (ProductName, ProductCode, ProductVersion,\n"
     "UpgradeCode, Manufacturer, ProductLanguage), how many tables and rows it has,\n"
     "and its cabinets, embedded or external, with their sizes (an external one that\n"
     "is not beside the package is marked missing). For a TRANSFORM: its summary, the\n"
     "product codes and versions it was made between, the checks it makes and the\n"
     "errors it suppresses in words, and the tables it touches. For a PATCH: what a\n"
     "package has, then its patch code, targets, and transform pairs with the\n"
     "product and versions each is made for. Rows of Section, Name and Value; json\n"
     "is one object.\n"},
    {CommandId(Command::kDump), "dump",
     "[--format json|csv|sql|idt] [--table NAME...] [--folder DIR] [--streams] PACKAGE",
     "write every table (or those named) at once",
     "Writes the tables of PACKAGE: json (one document on standard output: each table\n"
     "with its columns and rows; a binary cell is its size, and its bytes in base64\n"
     "with --streams), sql (CREATE TABLE and INSERT statements on standard output,\n"
     "one a line, that the engine runs into an equal database; a value the\n"
     "installer's SQL cannot write between quotes, and every binary cell, is a ?\n"
     "marker whose value follows on a line \"-- ?N ...\"), or csv and idt (one file a\n"
     "table, TABLE.csv or TABLE.idt, in the export folder). A table that cannot be\n"
     "read is reported with its cause; the others are written, and the exit status\n"
     "is 1.\n",
     kFolderNotes},
};

bool IsDumpFormat(const std::string& value) {
    DumpFormat format;
    return ParseDumpFormat(value, format);
}

constexpr ::cli::OptionEntry kOptions[] = {
    ::cli::FormatOption(CommandBit(Command::kTables) | CommandBit(Command::kValidate) |
                        CommandBit(Command::kExtract) | CommandBit(Command::kInfo)),
    ::cli::ValueOption("--format", "FORMAT", "json (the default), csv, sql or idt",
                       "json, csv, sql or idt", CommandBit(Command::kDump), IsDumpFormat),
    ::cli::ValueOption(
        "--table", "NAME", "export the table NAME (validate: check it; dump: write it; repeatable)",
        "a table name",
        CommandBit(Command::kExport) | CommandBit(Command::kValidate) | CommandBit(Command::kDump)),
    ::cli::FlagOption("--streams", "write binary cells' bytes (base64) in json and csv",
                      CommandBit(Command::kDump)),
    ::cli::FlagOption("--all", "export every table of the package", CommandBit(Command::kExport)),
    ::cli::FlagOption("--cabs", "also copy the cabinets the package carries",
                      CommandBit(Command::kExport)),
    ::cli::FlagOption("--only-cabs", "copy the cabinets and no table (needs no --table or --all)",
                      CommandBit(Command::kExport)),
    ::cli::ValueOption("--folder", "DIR",
                       "use DIR instead of the export folder (export makes DIR, one level, when "
                       "missing)",
                       "a folder",
                       CommandBit(Command::kExport) | CommandBit(Command::kGenerate) |
                           CommandBit(Command::kExtract) | CommandBit(Command::kDump)),
    ::cli::FlagOption("--list", "list the files instead of writing them",
                      CommandBit(Command::kExtract)),
};

constexpr ::cli::CommandLineTable kCommandLine = {
    "tablesmith-cli", kCommands, kOptions, "{command} takes no option '{option}'", "", ProgramHelp,
};

// What the tables cannot say: one PACKAGE (extract: and its patterns), and
// export's choices.
std::optional<CliOptions> Check(CliOptions options, const ::cli::ParsedLine& line,
                                UsageProblem& problem) {
    const std::string& name = line.command_name;
    const bool takes_patterns = options.command == Command::kExtract;
    if (takes_patterns && !line.operands.empty())
        options.patterns.assign(line.operands.begin() + 1, line.operands.end());
    if (takes_patterns && line.operands.empty())
        return ::cli::Refuse(problem, name + " takes a PACKAGE", line);
    if (!takes_patterns && line.operands.size() != 1)
        return ::cli::Refuse(
            problem,
            name + " takes one PACKAGE, not " + std::to_string(line.operands.size()) + " arguments",
            line);
    options.package = line.operands[0];
    if (options.package.empty()) return ::cli::Refuse(problem, "the PACKAGE path is empty", line);
    if (options.folder && options.folder->empty())
        return ::cli::Refuse(problem, "--folder needs a folder", line);
    for (const std::string& table : options.tables)
        if (table.empty()) return ::cli::Refuse(problem, "--table needs a table name", line);
    if (options.command == Command::kExtract && line.Has("--format") && !options.list)
        return ::cli::Refuse(problem, "--format goes with --list", line);
    if (options.command != Command::kExport) return options;
    if (options.table && options.all)
        return ::cli::Refuse(problem, "give --table or --all, not both", line);
    if (options.cabs && options.only_cabs)
        return ::cli::Refuse(problem, "give --cabs or --only-cabs, not both", line);
    if (!options.table && !options.all && !options.only_cabs)
        return ::cli::Refuse(problem, "export needs --table NAME or --all", line);
    if (options.table && options.table->empty())
        return ::cli::Refuse(problem, "--table needs a table name", line);
    return options;
}

}  // namespace

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem) {
    const auto line = ::cli::ParseCommandLine(kCommandLine, arguments, problem);
    if (!line) return std::nullopt;
    CliOptions options;
    static_cast<::cli::GeneralOptions&>(options) = *line;
    if (!line->command_name.empty()) options.command = static_cast<Command>(line->command);
    if (options.action != CliOptions::Action::kRun) return options;
    options.format = line->format;
    options.table = line->Value("--table");
    for (const ::cli::GivenOption& given : line->given)
        if (given.name == "--table") options.tables.push_back(given.value);
    options.all = line->Has("--all");
    options.cabs = line->Has("--cabs");
    options.only_cabs = line->Has("--only-cabs");
    options.folder = line->Value("--folder");
    options.list = line->Has("--list");
    options.streams = line->Has("--streams");
    if (options.command == Command::kDump)
        options.dump_format = line->Value("--format").value_or("json");
    return Check(std::move(options), *line, problem);
}

std::string ProgramHelp() {
    std::string text =
        "Usage: tablesmith-cli [--trace] COMMAND [OPTIONS] PACKAGE\n"
        "  or:  " +
        ::cli::QuestionsUsageLine(kCommandLine) +
        "\n"
        "\n"
        "Exports the tables and cabinets of a Windows Installer package into its\n"
        "export folder, builds from that folder a package whose cabinets are\n"
        "external files, extracts the files the package installs, tells what a\n"
        "package or a transform is, and dumps every table at once.\n"
        "\n"
        "Commands:\n";
    for (const ::cli::CommandEntry& command : kCommands) {
        text += std::string("  ") + command.name + " " + command.synopsis + "\n";
        text += std::string("      ") + command.summary + "\n";
    }
    for (const ::cli::CommandEntry& command : kCommands) {
        text += std::string("\nOptions of ") + command.name + ":\n" +
                ::cli::OptionLines(kCommandLine, ::cli::CommandBit(command.id));
    }
    return text + "\n" + ::cli::GeneralOptionLines(kCommandLine) + "\n" + kExportFolder + "\n" +
           kOutput;
}

std::string CommandHelp(Command command) {
    if (command == Command::kNone) return ProgramHelp();
    return ::cli::CommandHelp(kCommandLine, CommandId(command));
}

}  // namespace tablesmith::cli
