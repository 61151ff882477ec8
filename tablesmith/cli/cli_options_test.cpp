#include "cli_options.h"

#include <gtest/gtest.h>

namespace {

using tablesmith::cli::CliOptions;
using tablesmith::cli::Command;
using tablesmith::cli::UsageProblem;

std::optional<CliOptions> Parse(const std::vector<std::string>& arguments,
                                UsageProblem* problem = nullptr) {
    UsageProblem scratch;
    std::optional<CliOptions> options =
        tablesmith::cli::ParseArguments(arguments, problem != nullptr ? *problem : scratch);
    return options;
}

TEST(TablesmithCliOptionsTest, OptionsAndThePackageMayComeInAnyOrder) {
    auto options = Parse({"export", "--folder", "out", "a.msi", "--all", "--cabs", "--trace"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->command, Command::kExport);
    EXPECT_EQ(options->package, "a.msi");
    EXPECT_EQ(options->folder, "out");
    EXPECT_TRUE(options->all);
    EXPECT_TRUE(options->cabs);
    EXPECT_TRUE(options->trace);

    options = Parse({"--trace", "tables", "--format=json", "a.msi"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->command, Command::kTables);
    EXPECT_EQ(options->format, ::cli::OutputFormat::kJson);
}

TEST(TablesmithCliOptionsTest, DoubleDashLetsThePackageStartWithADash) {
    const auto options = Parse({"generate", "--folder=x", "--", "--all.msi"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->package, "--all.msi");
    EXPECT_FALSE(options->all);
}

TEST(TablesmithCliOptionsTest, HelpIsTheCommandsOwnAfterACommand) {
    auto options = Parse({"export", "--help", "--bogus"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->action, CliOptions::Action::kHelp);
    EXPECT_EQ(options->command, Command::kExport);
    options = Parse({"-h"});
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->action, CliOptions::Action::kHelp);
    EXPECT_EQ(options->command, Command::kNone);
    EXPECT_EQ(Parse({"tables", "--version"})->action, CliOptions::Action::kVersion);
    EXPECT_EQ(Parse({"tables", "--format", "list"})->action, CliOptions::Action::kListFormats);
}

TEST(TablesmithCliOptionsTest, AnOptionOfAnotherCommandIsAUsageErrorNamingTheCommand) {
    UsageProblem problem;
    EXPECT_FALSE(Parse({"generate", "a.msi", "--all"}, &problem).has_value());
    EXPECT_EQ(problem.text, "generate takes no option '--all'");
    EXPECT_EQ(problem.command, "generate");
    EXPECT_FALSE(Parse({"tables", "--folder", "x", "a.msi"}, &problem).has_value());
    EXPECT_EQ(problem.text, "tables takes no option '--folder'");
    EXPECT_FALSE(Parse({"export", "--format", "tsv", "--all", "a.msi"}, &problem).has_value());
    EXPECT_EQ(problem.text, "export takes no option '--format'");
}

TEST(TablesmithCliOptionsTest, MistypedOptionsAndCommandsGetASuggestion) {
    UsageProblem problem;
    EXPECT_FALSE(Parse({"export", "--folde", "x", "a.msi"}, &problem).has_value());
    EXPECT_EQ(problem.text, "unknown option '--folde', did you mean '--folder'?");
    EXPECT_EQ(problem.command, "export");
    EXPECT_FALSE(Parse({"genrate", "a.msi"}, &problem).has_value());
    EXPECT_EQ(problem.text, "unknown command 'genrate', did you mean 'generate'?");
    EXPECT_EQ(problem.command, "");
}

TEST(TablesmithCliOptionsTest, MissingAndEmptyValuesAreUsageErrors) {
    struct Case {
        std::vector<std::string> arguments;
        const char* text;
    };
    for (const Case& c : {
             Case{{"export", "a.msi", "--folder"}, "--folder needs a folder"},
             Case{{"export", "a.msi", "--all", "--folder="}, "--folder needs a folder"},
             Case{{"tables", "a.msi", "--format"},
                  "--format needs a value (use '--format list' to see them)"},
             Case{{"tables", "a.msi", "--format", "xml"},
                  "unknown format 'xml' (use '--format list' to see them)"},
             Case{{"export", "a.msi", "--table="}, "--table needs a table name"},
         }) {
        UsageProblem problem;
        EXPECT_FALSE(Parse(c.arguments, &problem).has_value()) << c.text;
        EXPECT_EQ(problem.text, c.text);
    }
}

TEST(TablesmithCliOptionsTest, EveryOptionIsInTheProgramHelpAndInItsCommandsHelp) {
    const std::string help = tablesmith::cli::ProgramHelp();
    EXPECT_EQ(help.rfind("Usage: tablesmith-cli ", 0), 0u);
    for (const char* text :
         {"tables [--format FORMAT] PACKAGE", "--table NAME", "--all", "--cabs", "--only-cabs",
          "--folder DIR", "--trace", "--version", "Exit status", "\\xHH", "cause: "})
        EXPECT_NE(help.find(text), std::string::npos) << text;

    const std::string generate = tablesmith::cli::CommandHelp(Command::kGenerate);
    EXPECT_EQ(generate.rfind("Usage: tablesmith-cli generate [--folder DIR] PACKAGE\n", 0), 0u);
    EXPECT_NE(generate.find("--folder DIR"), std::string::npos);
    EXPECT_EQ(generate.find("--table"), std::string::npos) << "an option of another command";
    EXPECT_NE(tablesmith::cli::CommandHelp(Command::kTables).find("[default=table]"),
              std::string::npos);
}

}  // namespace
