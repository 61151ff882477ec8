#include "cli_options.h"

#include <cerrno>
#include <cstdlib>

#include "option_help.h"

namespace deltalens {

namespace {

using Command = CliOptions::Command;

using ::cli::CommandBit;
using ::cli::CommandId;

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
    "Exit status: 0 the changes were listed (none is fine) or the file written;\n"
    "1 a package could not be opened or a transform not applied or made, OUT\n"
    "refused (the message is on standard error); 2 usage error; 130 make-transform\n"
    "or apply interrupted before OUT was replaced. diff --exit-code: 0 the packages\n"
    "are the same, 1 they differ (also in what no row shows, the code page alone),\n"
    "2 trouble.\n";

constexpr const char* kApplySummary =
    "The package's summary information is kept, except its Template (platform and\n"
    "languages), which becomes what the last transform file naming one says the\n"
    "package is after it (the transform's Last Saved By), as the installer sets it.\n";

constexpr const char* kDiffNotes[] = {kOutput, kExitStatus};
constexpr const char* kSaveAppliedNotes[] = {kApplySummary, kExitStatus};
constexpr const char* kMakeTransformNotes[] = {kTransformFlags, kExitStatus};

constexpr ::cli::CommandEntry kCommands[] = {
    {CommandId(Command::kApply), "", "[options] PACKAGE TRANSFORM...", nullptr,
     "Applies TRANSFORM (.mst) to PACKAGE (.msi) in the installer's view mode and\n"
     "prints every change it would make: Table, Column, Row, Data, Current. Neither\n"
     "file is changed. Several transforms are applied in order, each listed against\n"
     "the package as the ones before it left it. A patch (.msp) stands for its\n"
     "transform pairs (NAME, then #NAME) whose validation (product code, language,\n"
     "version, upgrade code) fits the package; a patch with none that fits is\n"
     "refused, naming what each pair expects. With several transforms or a patch a\n"
     "first column Transform names the transform (or pair) of each change. With one\n"
     "transform a binary cell shows bytes as diff shows them: Data the bytes the\n"
     "transform carries, Current the package's.\n"},
    {CommandId(Command::kDiff), "diff", "[options] OLD NEW", nullptr,
     "Lists what turns package OLD into package NEW, in the same columns: the rows of\n"
     "the transform the installer would generate from OLD to NEW, applied to OLD.\n"
     "Neither package is changed and no file is left behind. Summary information is\n"
     "compared only with --summary (a transform does not carry it): then its\n"
     "differences follow as rows of _SummaryInformation. --ignore leaves a table, or\n"
     "one column of it, out of the rows and of --exit-code. Text one package's code\n"
     "page cannot hold is listed as it is. OLD and NEW must be packages: a transform\n"
     "or a patch is refused. A binary cell (a Binary row's data, a stream of _Streams\n"
     "such as an embedded cabinet) shows each side's bytes as their size and the\n"
     "first 8 hex digits of their SHA-256, e.g. [1,204 bytes 3fa4c2d1] (Data: NEW's,\n"
     "Current: OLD's); packages that differ only in such bytes differ. tsv and json\n"
     "print each row as it is found; table waits for every row.\n",
     kDiffNotes},
    {CommandId(Command::kMakeTransform), "make-transform", "[options] OLD NEW OUT.mst", nullptr,
     "Writes the transform from package OLD to package NEW, with its summary\n"
     "information, to OUT.mst: under a temporary name beside it, renamed into place\n"
     "when whole. Streams that changed (binary cells, embedded cabinets) travel in\n"
     "the transform. A changed table of more than 32 columns (the installer's limit)\n"
     "has no transform form: it is refused, naming the table. OUT.mst that is OLD or\n"
     "NEW itself (the same file under another name, a link or a second hard link) is\n"
     "refused before any work, with --force too; --force replaces a regular file\n"
     "only. Ctrl+C before the rename leaves OUT.mst as it was, removes the temporary\n"
     "file and exits 130.\n",
     kMakeTransformNotes},
    {CommandId(Command::kSaveApplied), "apply", "[options] PACKAGE TRANSFORM... --output OUT.msi",
     nullptr,
     "Writes PACKAGE with the transforms applied in the order given to OUT.msi, each\n"
     "suppressing the errors its own summary information names, as the installer\n"
     "applies them: under a temporary name beside OUT.msi, renamed into place when\n"
     "whole. A patch (.msp) applies its transform pairs that fit the package as it\n"
     "stands then; one with none that fits is refused, naming what each expects.\n"
     "Neither PACKAGE nor a transform is changed. OUT.msi that is PACKAGE or\n"
     "a transform itself (under another name, a link or a second hard link) is\n"
     "refused, with --force too; --force replaces a regular file only; a folder you\n"
     "may not write to is refused before any work. Ctrl+C before the rename leaves\n"
     "OUT.msi as it was and exits 130.\n",
     kSaveAppliedNotes},
};

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

bool IsFlagWord(const std::string& text) {
    return ReadFlags(text).has_value();
}

constexpr const char* kFlagWord = "a number from 0 to 65535 (or 0x0 to 0xffff)";

constexpr ::cli::OptionEntry kOptions[] = {
    ::cli::FormatOption(CommandBit(Command::kApply) | CommandBit(Command::kDiff)),
    ::cli::ValueOption("--transform", "NAME",
                       "list only the patch's pair NAME (or the transform file NAME)",
                       "a transform's name", CommandBit(Command::kApply), nullptr),
    ::cli::FlagOption("--exit-code",
                      "exit 1 when the packages differ, 0 when not, 2 for trouble (as diff(1) "
                      "does)",
                      CommandBit(Command::kDiff)),
    ::cli::ValueOption("--ignore", "TABLE[.COLUMN]",
                       "leave out a table, or one column of it (repeatable)",
                       "a table or TABLE.COLUMN", CommandBit(Command::kDiff)),
    ::cli::FlagOption("--summary", "compare summary information too (rows of _SummaryInformation)",
                      CommandBit(Command::kDiff)),
    ::cli::FlagOption("--force", "replace OUT when it exists and is a regular file",
                      CommandBit(Command::kMakeTransform) | CommandBit(Command::kSaveApplied)),
    ::cli::ValueOption("--output", "OUT.msi", "the package to write", "a file name",
                       CommandBit(Command::kSaveApplied)),
    ::cli::ValueOption("--error-conditions", "N",
                       "the errors the transform suppresses when applied (the listing: the "
                       "errors to suppress while applying) [default=0]",
                       kFlagWord, CommandBit(Command::kApply) | CommandBit(Command::kMakeTransform),
                       IsFlagWord),
    ::cli::ValueOption("--validation", "N",
                       "what a package must match for the transform [default: see below]",
                       kFlagWord, CommandBit(Command::kMakeTransform), IsFlagWord),
};

constexpr ::cli::CommandLineTable kCommandLine = {
    "deltalens-cli",
    kCommands,
    kOptions,
    "{option} is no option of {command}",
    "the listing of a transform",
    ProgramHelp,
};

// How many paths a command takes, and the usage error for too few.
struct Paths {
    std::size_t count;
    const char* too_few;
};

Paths PathsOf(Command command) {
    switch (command) {
        case Command::kApply:
            return {2, "PACKAGE and TRANSFORM are needed"};
        case Command::kDiff:
            return {2, "diff needs OLD and NEW"};
        case Command::kMakeTransform:
            break;
        case Command::kSaveApplied:
            return {2, "apply needs PACKAGE and at least one TRANSFORM"};
    }
    return {3, "make-transform needs OLD, NEW and OUT.mst"};
}

// What the tables cannot say: the command's paths.
std::optional<CliOptions> Check(CliOptions options, const ::cli::ParsedLine& line,
                                UsageProblem& problem) {
    const std::vector<std::string>& paths = line.operands;
    const Paths wanted = PathsOf(options.command);
    // The listing takes any number of transforms after the package; a first
    // operand that reads like a mistyped command is still taken for one.
    // apply takes them too.
    const bool more_allowed = options.command == Command::kSaveApplied ||
                              (options.command == Command::kApply && paths.size() > wanted.count &&
                               ::cli::ClosestCommand(kCommandLine, paths[0]).empty());
    if (paths.size() < wanted.count || (paths.size() > wanted.count && !more_allowed)) {
        // "dif a.msi b.msi" reads as three paths; say what was probably meant.
        if (line.command_name.empty() && paths.size() > wanted.count) {
            const std::string guess = ::cli::ClosestCommand(kCommandLine, paths[0]);
            if (!guess.empty())
                return ::cli::Refuse(
                    problem, "unknown command '" + paths[0] + "', did you mean '" + guess + "'?",
                    line);
        }
        if (paths.size() < wanted.count) return ::cli::Refuse(problem, wanted.too_few, line);
        return ::cli::Refuse(problem, "too many arguments: '" + paths[wanted.count] + "'", line);
    }
    for (const std::string& path : paths) {
        if (path.empty()) return ::cli::Refuse(problem, "a path is empty", line);
    }
    if (options.command == Command::kSaveApplied) {
        if (options.output_path.empty())
            return ::cli::Refuse(problem, "apply needs --output OUT.msi", line);
        options.package_path = paths[0];
        options.transform_paths.assign(paths.begin() + 1, paths.end());
        return options;
    }
    if (options.command == Command::kApply) {
        options.package_path = paths[0];
        options.transform_path = paths[1];
        options.transform_paths.assign(paths.begin() + 1, paths.end());
        return options;
    }
    options.old_package = paths[0];
    options.new_package = paths[1];
    if (options.command == Command::kMakeTransform) options.transform_path = paths[2];
    return options;
}

}  // namespace

std::string ProgramHelp() {
    std::string text = "Usage: " + ::cli::UsageLine(kCommandLine, kCommands[0]) + "\n";
    for (const ::cli::CommandEntry& command : std::span(kCommands).subspan(1))
        text += "  or:  " + ::cli::UsageLine(kCommandLine, command) + "\n";
    text += "  or:  " + ::cli::QuestionsUsageLine(kCommandLine) + "\n\n";
    for (const ::cli::CommandEntry& command : kCommands) {
        if (command.name[0] != '\0') text += std::string(command.name) + ": ";
        text += std::string(command.about) + "\n";
    }
    return text + "Options:\n" + ::cli::OptionLines(kCommandLine, ~0u) + "\n" +
           ::cli::GeneralOptionLines(kCommandLine) + "\n" +
           "--format is for the listing and diff; --exit-code, --ignore and --summary for\n"
           "diff; --transform for the listing; --error-conditions for the listing and\n"
           "make-transform; --output for apply; --force for make-transform and apply; the\n"
           "others for make-transform.\n" +
           kTransformFlags + "\n" + kOutput + "\n" + kExitStatus;
}

std::string CommandHelp(CliOptions::Command command) {
    if (command == Command::kApply) return ProgramHelp();
    return ::cli::CommandHelp(kCommandLine, CommandId(command));
}

std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         UsageProblem& problem) {
    const std::optional<::cli::ParsedLine> line =
        ::cli::ParseCommandLine(kCommandLine, arguments, problem);
    if (!line) return std::nullopt;
    CliOptions options;
    static_cast<::cli::GeneralOptions&>(options) = *line;
    options.command = static_cast<Command>(line->command);
    if (options.action != CliOptions::Action::kRun) return options;
    options.format = line->format;
    options.exit_code = line->Has("--exit-code");
    options.summary = line->Has("--summary");
    for (const ::cli::GivenOption& given : line->given)
        if (given.name == "--ignore") options.ignore.push_back(given.value);
    options.force = line->Has("--force");
    options.output_path = line->Value("--output").value_or("");
    if (const auto value = line->Value("--error-conditions"))
        options.error_conditions = ReadFlags(*value);
    if (const auto value = line->Value("--validation")) options.validation = ReadFlags(*value);
    if (const auto value = line->Value("--transform")) options.only_transform = *value;
    return Check(std::move(options), *line, problem);
}

}  // namespace deltalens
