#include "cli_options.h"

#include <gtest/gtest.h>

namespace {

using ::cli::OutputFormat;
using deltalens::CliOptions;
using Command = CliOptions::Command;

std::optional<CliOptions> Parse(const std::vector<std::string>& arguments,
                                std::string* error = nullptr, std::string* command = nullptr) {
    deltalens::UsageProblem problem;
    std::optional<CliOptions> options = deltalens::ParseArguments(arguments, problem);
    if (error != nullptr) *error = problem.text;
    if (command != nullptr) *command = problem.command;
    return options;
}

TEST(CliOptionsTest, TwoPathsApplyWithTheTableFormat) {
    const auto options = Parse({"a.msi", "b.mst"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->action, CliOptions::Action::kRun);
    EXPECT_EQ(options->command, Command::kApply);
    EXPECT_EQ(options->format, OutputFormat::kTable);
    EXPECT_FALSE(options->trace);
    EXPECT_EQ(options->package_path, "a.msi");
    EXPECT_EQ(options->transform_path, "b.mst");
}

TEST(CliOptionsTest, FormatIsTakenInBothSpellingsAndAnywhere) {
    auto options = Parse({"--format", "tsv", "a.msi", "b.mst"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->format, OutputFormat::kTsv);
    options = Parse({"a.msi", "--format=json", "b.mst", "--trace"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->format, OutputFormat::kJson);
    EXPECT_TRUE(options->trace);
    EXPECT_EQ(options->transform_path, "b.mst");
}

TEST(CliOptionsTest, DoubleDashEndsOptionsSoPathsMayStartWithADash) {
    const auto options = Parse({"--", "-odd.msi", "--help"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->package_path, "-odd.msi");
    EXPECT_EQ(options->transform_path, "--help");
}

TEST(CliOptionsTest, HelpVersionAndFormatListNeedNoPaths) {
    EXPECT_EQ(Parse({"--help"})->action, CliOptions::Action::kHelp);
    EXPECT_EQ(Parse({"-h"})->action, CliOptions::Action::kHelp);
    EXPECT_EQ(Parse({"--version"})->action, CliOptions::Action::kVersion);
    EXPECT_EQ(Parse({"--format", "list"})->action, CliOptions::Action::kListFormats);
    EXPECT_EQ(Parse({"a.msi", "--help", "--bogus"})->action, CliOptions::Action::kHelp);
}

TEST(CliOptionsTest, UsageErrorsSayWhatIsWrong) {
    std::string error;
    EXPECT_FALSE(Parse({}, &error).has_value());
    EXPECT_EQ(error, "PACKAGE and TRANSFORM are needed");
    EXPECT_FALSE(Parse({"a.msi"}, &error).has_value());
    EXPECT_EQ(error, "PACKAGE and TRANSFORM are needed");
    EXPECT_FALSE(Parse({"diff", "a.msi", "b.msi", "c"}, &error).has_value());
    EXPECT_EQ(error, "too many arguments: 'c'");
    EXPECT_FALSE(Parse({"a.msi", ""}, &error).has_value());
    EXPECT_EQ(error, "a path is empty");
    EXPECT_FALSE(Parse({"--bogus", "a.msi", "b.mst"}, &error).has_value());
    EXPECT_EQ(error, "unknown option '--bogus'");
    EXPECT_FALSE(Parse({"--format", "xml", "a.msi", "b.mst"}, &error).has_value());
    EXPECT_EQ(error, "unknown format 'xml' (use '--format list' to see them)");
    EXPECT_FALSE(Parse({"a.msi", "b.mst", "--format"}, &error).has_value());
    EXPECT_EQ(error, "--format needs a value (use '--format list' to see them)");
}

TEST(CliOptionsTest, DiffAndMakeTransformAreCommandsWithTheirOwnOperands) {
    auto options = Parse({"diff", "--exit-code", "old.msi", "new.msi", "--format=tsv"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->command, Command::kDiff);
    EXPECT_EQ(options->old_package, "old.msi");
    EXPECT_EQ(options->new_package, "new.msi");
    EXPECT_TRUE(options->exit_code);
    EXPECT_EQ(options->format, OutputFormat::kTsv);

    options = Parse({"make-transform", "--validation", "0x1", "--error-conditions=63", "--force",
                     "old.msi", "new.msi", "out.mst"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->command, Command::kMakeTransform);
    EXPECT_EQ(options->transform_path, "out.mst");
    EXPECT_EQ(options->validation, 1);
    EXPECT_EQ(options->error_conditions, 63);
    EXPECT_TRUE(options->force);

    // After "--" a package may be called "diff".
    options = Parse({"--", "diff", "t.mst"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->command, Command::kApply);
    EXPECT_EQ(options->package_path, "diff");
}

TEST(CliOptionsTest, OptionsOfOneCommandAreRefusedByTheOthers) {
    std::string error;
    std::string command;
    EXPECT_FALSE(Parse({"diff", "--force", "a.msi", "b.msi"}, &error, &command).has_value());
    EXPECT_EQ(error, "--force is no option of diff");
    EXPECT_EQ(command, "diff");
    EXPECT_FALSE(Parse({"make-transform", "--format", "json", "a", "b", "c"}, &error).has_value());
    EXPECT_EQ(error, "--format is no option of make-transform");
    EXPECT_FALSE(Parse({"--exit-code", "a.msi", "b.mst"}, &error, &command).has_value());
    EXPECT_EQ(error, "--exit-code is no option of the listing of a transform");
    EXPECT_EQ(command, "");
}

TEST(CliOptionsTest, FlagWordsAreSixteenBitNumbers) {
    EXPECT_EQ(Parse({"make-transform", "--validation=0xFFFF", "a", "b", "c"})->validation, 0xFFFF);
    EXPECT_EQ(Parse({"make-transform", "--validation=2051", "a", "b", "c"})->validation, 0x803);
    for (const char* bad :
         {"65536", "0x10000", "-1", "x", "0x", "", "1e3", "99999999999999999999"}) {
        std::string error;
        EXPECT_FALSE(
            Parse({"make-transform", std::string("--validation=") + bad, "a", "b", "c"}, &error)
                .has_value())
            << bad;
        EXPECT_EQ(error.rfind("--validation needs a number from 0 to 65535", 0), 0u) << error;
    }
}

TEST(CliOptionsTest, OperandCountsAndTyposOfCommands) {
    std::string error;
    EXPECT_FALSE(Parse({"diff", "a.msi"}, &error).has_value());
    EXPECT_EQ(error, "diff needs OLD and NEW");
    EXPECT_FALSE(Parse({"make-transform", "a.msi", "b.msi"}, &error).has_value());
    EXPECT_EQ(error, "make-transform needs OLD, NEW and OUT.mst");
    EXPECT_FALSE(Parse({"dif", "a.msi", "b.msi"}, &error).has_value());
    EXPECT_EQ(error, "unknown command 'dif', did you mean 'diff'?");
    EXPECT_FALSE(Parse({"--exit-cod", "a.msi", "b.msi"}, &error).has_value());
    EXPECT_EQ(error, "unknown option '--exit-cod', did you mean '--exit-code'?");
}

TEST(CliOptionsTest, UsageTextNamesEveryCommandOptionAndTheExitStatuses) {
    const std::string usage = deltalens::ProgramHelp();
    EXPECT_EQ(usage.rfind("Usage: deltalens-cli [options] PACKAGE TRANSFORM...\n", 0), 0u);
    for (const char* text :
         {"deltalens-cli diff [options] OLD NEW", "deltalens-cli make-transform [options] OLD NEW",
          "--format FORMAT", "--exit-code", "--force", "--error-conditions N", "--validation N",
          "--trace", "--help", "--version", "[default=table]", "Exit status: 0", "\\xHH", "0x803"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    const std::string diff = deltalens::CommandHelp(Command::kDiff);
    EXPECT_EQ(diff.rfind("Usage: deltalens-cli diff [options] OLD NEW\n", 0), 0u);
    EXPECT_EQ(diff.find("--validation"), std::string::npos);
}

}  // namespace
