#include "cli_options.h"

#include <gtest/gtest.h>

namespace {

using deltalens::CliOptions;
using deltalens::OutputFormat;

std::optional<CliOptions> Parse(const std::vector<std::string>& arguments,
                                std::string* error = nullptr) {
    std::string text;
    std::optional<CliOptions> options = deltalens::ParseArguments(arguments, text);
    if (error != nullptr) *error = text;
    return options;
}

TEST(CliOptionsTest, TwoPathsApplyWithTheTableFormat) {
    const auto options = Parse({"a.msi", "b.mst"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->action, CliOptions::Action::kApply);
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
    EXPECT_FALSE(Parse({"a.msi", "b.mst", "c"}, &error).has_value());
    EXPECT_EQ(error, "too many arguments: 'c'");
    EXPECT_FALSE(Parse({"--bogus", "a.msi", "b.mst"}, &error).has_value());
    EXPECT_EQ(error, "unknown option '--bogus'");
    EXPECT_FALSE(Parse({"--format", "csv", "a.msi", "b.mst"}, &error).has_value());
    EXPECT_EQ(error, "unknown format 'csv' (use '--format list' to see them)");
    EXPECT_FALSE(Parse({"a.msi", "b.mst", "--format"}, &error).has_value());
    EXPECT_EQ(error, "--format needs a value (use '--format list' to see them)");
}

TEST(CliOptionsTest, UsageTextNamesEveryOptionAndTheExitStatuses) {
    const std::string usage = deltalens::UsageText("deltalens-cli");
    EXPECT_EQ(usage.rfind("usage: deltalens-cli [options] PACKAGE TRANSFORM\n", 0), 0u);
    for (const char* option :
         {"--format FORMAT", "--trace", "--help", "--version", "[default=table]"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_NE(usage.find("exit status: 0"), std::string::npos);
}

}  // namespace
