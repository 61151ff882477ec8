#include "option_parser.h"

#include <gtest/gtest.h>

#include "option_help.h"

// Named: the test programs build as one unit, where names in an anonymous
// namespace meet.
namespace option_parser_test {

// Two small programs: "tool" must be given a command; "lens" has a plain
// form that runs when the first operand names no command.
enum { kPlain, kShow, kMake };

std::string HelpOfTool() {
    return "the tool's help\n";
}

bool IsDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

constexpr const char* kMakeNotes[] = {"N counts.\n"};

constexpr cli::CommandEntry kCommands[] = {
    {kPlain, "", "[options] A B", nullptr, "Lists.\n"},
    {kShow, "show", "[--format FORMAT] FILE", "show FILE", "Shows FILE.\n"},
    {kMake, "make", "[--count N] [--force] OUT", "make OUT", "Makes OUT.\n", kMakeNotes},
};

constexpr cli::OptionEntry kOptions[] = {
    cli::FormatOption(cli::CommandBit(kShow) | cli::CommandBit(kPlain)),
    cli::ValueOption("--count", "N", "how many", "a count", cli::CommandBit(kMake), IsDigits),
    cli::FlagOption("--force", "replace OUT", cli::CommandBit(kMake)),
};

constexpr cli::CommandLineTable kTool = {"tool",   std::span(kCommands).subspan(1),
                                         kOptions, "{command} takes no option '{option}'",
                                         "",       HelpOfTool};
constexpr cli::CommandLineTable kLens = {
    "lens", kCommands, kOptions, "{option} is no option of {command}", "the listing", HelpOfTool};

// A wording that names no command.
constexpr cli::CommandLineTable kTerse = {"terse", kCommands, kOptions, "no '{option}' here",
                                          "",      HelpOfTool};

// "COMMAND: OPERAND OPERAND" as read, or the usage problem and the command
// whose help its hint names: "TEXT [COMMAND]".
std::string Read(const cli::CommandLineTable& table, const std::vector<std::string>& arguments) {
    cli::UsageProblem problem;
    const auto line = cli::ParseCommandLine(table, arguments, problem);
    if (!line) return problem.text + " [" + problem.command + "]";
    std::string text = std::to_string(line->command) + ":";
    for (const std::string& operand : line->operands) text += " " + operand;
    return text;
}

TEST(OptionParserTest, UsageProblemsNameTheCommandWhoseHelpTheHintGives) {
    EXPECT_EQ(Read(kTool, {}), "no command given []");
    EXPECT_EQ(Read(kTool, {"shwo", "f"}), "unknown command 'shwo', did you mean 'show'? []");
    EXPECT_EQ(Read(kTool, {"zzzzzz"}), "unknown command 'zzzzzz' []");
    EXPECT_EQ(Read(kTool, {"make", "--forse"}),
              "unknown option '--forse', did you mean '--force'? [make]");
    EXPECT_EQ(Read(kTool, {"make", "o", "--count"}), "--count needs a count [make]");
    EXPECT_EQ(Read(kTool, {"make", "--count=x", "o"}), "--count needs a count, not 'x' [make]");
    EXPECT_EQ(Read(kTool, {"show", "--format", "xml"}),
              "unknown format 'xml' (use '--format list' to see them) [show]");
    EXPECT_EQ(Read(kTool, {"show", "--format"}),
              "--format needs a value (use '--format list' to see them) [show]");
    // Each program words the option another command takes as it always did.
    EXPECT_EQ(Read(kTool, {"show", "--force", "f"}), "show takes no option '--force' [show]");
    EXPECT_EQ(Read(kLens, {"--force", "a", "b"}), "--force is no option of the listing []");
    EXPECT_EQ(Read(kLens, {"make", "--format=tsv", "o"}), "--format is no option of make [make]");
    EXPECT_EQ(Read(kTerse, {"make", "--format=tsv", "o"}), "no '--format' here [make]");
    // The plain form has no name to suggest, however close a word is to none.
    EXPECT_EQ(cli::ClosestCommand(kLens, "sw"), "show");
    // A format no command has, or a value its option refuses, is refused
    // where it stands, before a command is named.
    EXPECT_EQ(Read(kTool, {"--format", "xml", "show"}),
              "unknown format 'xml' (use '--format list' to see them) []");
    EXPECT_EQ(Read(kTool, {"--count=x", "make", "o"}), "--count needs a count, not 'x' []");
}

TEST(OptionParserTest, OnlyTheFirstOperandNamesTheCommandAndAfterDashDashOnlyWithoutAPlainForm) {
    EXPECT_EQ(Read(kLens, {"a", "show"}), "0: a show");
    EXPECT_EQ(Read(kLens, {"--", "show", "b"}), "0: show b");
    EXPECT_EQ(Read(kLens, {"--format=json", "show", "--", "-f"}), "1: -f");
    EXPECT_EQ(Read(kTool, {"--", "show", "--force"}), "1: --force");
    EXPECT_EQ(Read(kTool, {"make", "show"}), "2: show");
}

TEST(OptionParserTest, ValuesFlagsAndTheQuestionsThatNeedNoOperands) {
    cli::UsageProblem problem;
    auto line = cli::ParseCommandLine(kTool, {"make", "--count", "1", "o", "--count=22"}, problem);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->Value("--count"), "22");
    EXPECT_TRUE(line->Has("--count"));
    EXPECT_FALSE(line->Has("--force"));
    EXPECT_EQ(line->Value("--force"), std::nullopt);

    line = cli::ParseCommandLine(kLens, {"--format", "tsv", "--trace", "a", "b"}, problem);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->format, cli::OutputFormat::kTsv);
    EXPECT_TRUE(line->trace);

    // "--format list" is a question for any command, and wins over what is missing.
    line = cli::ParseCommandLine(kTool, {"make", "--format", "list"}, problem);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->action, cli::GeneralOptions::Action::kListFormats);

    // --help stops the reading: what follows is not looked at.
    line = cli::ParseCommandLine(kTool, {"make", "--help", "--bogus"}, problem);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->action, cli::GeneralOptions::Action::kHelp);
    EXPECT_EQ(line->help, cli::CommandHelp(kTool, kMake));
    line = cli::ParseCommandLine(kLens, {"a", "-h"}, problem);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->help, "the tool's help\n");
}

// A command with formats of its own beside the row writer's, as "dump" has.
bool IsSqlOrJson(const std::string& text) {
    return text == "sql" || text == "json";
}

constexpr cli::OptionEntry kOwnFormatOptions[] = {
    cli::FormatOption(cli::CommandBit(kShow)),
    cli::ValueOption("--format", "FORMAT", "sql or json", "sql or json", cli::CommandBit(kMake),
                     IsSqlOrJson),
};

constexpr cli::CommandLineTable kDumper = {"dumper",
                                           std::span(kCommands).subspan(1),
                                           kOwnFormatOptions,
                                           "{command} takes no option '{option}'",
                                           "",
                                           HelpOfTool};

TEST(OptionParserTest, ACommandMayTakeFormatsOfItsOwnUnderTheSameName) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"make", "--format", "sql", "o"}, "2: o"},
        {{"--format=json", "make", "o"}, "2: o"},
        {{"show", "--format", "tsv", "f"}, "1: f"},
        {{"make", "--format", "tsv", "o"}, "--format needs sql or json, not 'tsv' [make]"},
        {{"show", "--format=sql", "f"},
         "unknown format 'sql' (use '--format list' to see them) [show]"},
    };
    for (const auto& [arguments, read] : cases) EXPECT_EQ(Read(kDumper, arguments), read);
    cli::UsageProblem problem;
    const auto line = cli::ParseCommandLine(kDumper, {"make", "--format", "sql", "o"}, problem);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->Value("--format"), "sql");
}

TEST(OptionHelpTest, ACommandsHelpHasItsOptionsInOneColumnThenTheGeneralOnesAndItsNotes) {
    EXPECT_EQ(cli::CommandHelp(kLens, kMake),
              "Usage: lens make [--count N] [--force] OUT\n"
              "\n"
              "Makes OUT.\n"
              "\n"
              "Options:\n"
              "  --count N        how many\n"
              "  --force          replace OUT\n"
              "\n"
              "General options:\n"
              "  --trace          write the debug output channel to standard error\n"
              "  -h, --help       print the help (after a command, that command's) and exit\n"
              "  --version        print the version and exit\n"
              "  --               end the options: what follows are paths, even when they\n"
              "                   begin with '-'\n"
              "\n"
              "N counts.\n");
    // The formats are the row writer's.
    EXPECT_NE(
        cli::CommandHelp(kLens, kShow)
            .find("  --format FORMAT  table, tsv, csv or json [default=table]; '--format list' "
                  "lists them\n"),
        std::string::npos);
}

}  // namespace option_parser_test
