#include "cli_main.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "apply_command.h"
#include "cli_options.h"
#include "cli_test_support.h"
#include "deltalens_version.h"
#include "deltalens_test_support.h"
#include "msi.h"
#include "test_support.h"

namespace {

using deltalens_test::Rows;

class CliTest : public testing::Test {
  protected:
    void SetUp() override {
        files_ = deltalens_test::MakeSampleFiles(inputs_.path());
        ASSERT_FALSE(files_.package.empty());
    }

    void TearDown() override {
        EXPECT_EQ(MsiCloseAllHandles(), 0u);
        EXPECT_TRUE(temp_.Entries().empty());
    }

    int Run(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = deltalens::RunCommandLine(arguments, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    testing_support::TempDir inputs_{false};
    testing_support::TempDir temp_{true};
    deltalens_test::SampleFiles files_;
    std::string out_;
    std::string err_;
};

// --- printing the changes -----------------------------------------------------

TEST_F(CliTest, TsvHoldsTheHeaderAndEveryRowOfTheEngine) {
    ASSERT_EQ(Run({"--format", "tsv", files_.package, files_.transform}), 0);
    EXPECT_EQ(err_, "");
    Rows printed;
    ASSERT_TRUE(deltalens_test::ParseTsv(out_, printed));
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed.front(),
              (std::vector<std::string>{"Table", "Column", "Row", "Data", "Current"}));
    bool ok = false;
    Rows expected = deltalens_test::EngineChanges(files_.package, files_.transform, ok);
    ASSERT_TRUE(ok);
    expected.insert(expected.begin(), printed.front());
    EXPECT_EQ(printed, expected);
}

TEST_F(CliTest, TableIsTheDefaultFormat) {
    ASSERT_EQ(Run({files_.package, files_.transform}), 0);
    EXPECT_EQ(out_.rfind("Table ", 0), 0u) << out_;
    EXPECT_NE(out_.find("\n--------  ------  -----  "), std::string::npos) << out_;
    EXPECT_NE(out_.find("changed"), std::string::npos);
}

TEST_F(CliTest, JsonShowsNullForTheEmptyCellsOfADeletedRow) {
    ASSERT_EQ(Run({"--format=json", files_.package, files_.transform}), 0);
    EXPECT_NE(out_.find("{\"Table\": \"Items\", \"Column\": \"DELETE\", \"Row\": \"beta\", "
                        "\"Data\": null, \"Current\": null}"),
              std::string::npos)
        << out_;
}

TEST_F(CliTest, JsonIsOneValidDocumentAlsoWhenEmpty) {
    VSB_REQUIRE_PROGRAM("python3");
    const std::string copy = (inputs_.path() / "copy.msi").string();
    std::filesystem::copy_file(files_.package, copy);
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--format=json", files_.package, files_.transform},
             {"--format=json", files_.package, files_.empty_transform},
             {"diff", "--format=json", files_.package, copy}}) {
        ASSERT_EQ(Run(arguments), 0) << err_;
        const std::filesystem::path json = inputs_.path() / "changes.json";
        testing_support::WriteFile(json, out_);
        const testing_support::RunResult check =
            testing_support::Run({"python3", "-m", "json.tool", json.string()});
        EXPECT_TRUE(check.ok()) << check.err << out_;
    }
}

TEST_F(CliTest, TransformThatChangesNothingPrintsAnEmptyListAndExitsZero) {
    EXPECT_EQ(Run({"--format", "tsv", files_.package, files_.empty_transform}), 0);
    EXPECT_EQ(out_, "Table\tColumn\tRow\tData\tCurrent\n");
    EXPECT_EQ(Run({"--format", "json", files_.package, files_.empty_transform}), 0);
    EXPECT_EQ(out_, "[]\n");
    EXPECT_EQ(err_, "");
}

// --- failures and their exit statuses -----------------------------------------

TEST_F(CliTest, PackageThatCannotBeOpenedPrintsTheOpenErrorOnStandardErrorAndExitsOne) {
    EXPECT_EQ(Run({"--format", "tsv", files_.text_file, files_.transform}), 1);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(err_.rfind(std::string(deltalens::kOpenErrorText) + "\n", 0), 0u) << err_;
}

TEST_F(CliTest, TransformThatCannotBeAppliedPrintsItsErrorOnStandardErrorAndExitsOne) {
    EXPECT_EQ(Run({files_.unrelated_package, files_.transform}), 1);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(err_.rfind("Error applying transform. (1624)\n", 0), 0u) << err_;
}

TEST_F(CliTest, TheCauseFollowsTheFixedTextOnALineOfItsOwn) {
    // The message guesses at a read-only file; the cause says what happened.
    const std::string missing = (inputs_.path() / "missing.msi").string();
    EXPECT_EQ(Run({missing, files_.transform}), 1);
    EXPECT_EQ(err_, std::string(deltalens::kOpenErrorText) + "\ncause: cannot open " + missing +
                        ": No such file or directory\n");
    // A number alone says nothing: the cause gives its meaning and the reason.
    EXPECT_EQ(Run({files_.unrelated_package, files_.transform}), 1);
    EXPECT_EQ(err_.rfind("Error applying transform. (1624)\n"
                         "cause: the transform does not fit this package: ",
                         0),
              0u)
        << err_;
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 2) << err_;
    const std::string no_transform = (inputs_.path() / "none.mst").string();
    EXPECT_EQ(Run({files_.package, no_transform}), 1);
    EXPECT_EQ(
        err_.rfind("Error applying transform. (110)\ncause: the transform cannot be opened: ", 0),
        0u)
        << err_;
    EXPECT_NE(err_.find("none.mst"), std::string::npos) << err_;
}

TEST_F(CliTest, JsonOutputOfAFailureIsNoPartOfTheDocument) {
    EXPECT_EQ(Run({"--format", "json", files_.text_file, files_.transform}), 1);
    EXPECT_EQ(out_, "");
    EXPECT_NE(err_, "");
}

// Opening a FIFO for reading waits for a writer; the tool refuses it at once.
TEST_F(CliTest, FifoAsPackageOrTransformIsRefusedWithoutWaiting) {
    const std::string fifo = (inputs_.path() / "pipe").string();
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    ::alarm(60);  // a wait ends the test program instead of hanging the suite
    EXPECT_EQ(Run({fifo, files_.transform}), 1);
    EXPECT_EQ(Run({files_.package, fifo}), 1);
    ::alarm(0);
}

TEST_F(CliTest, UsageErrorGoesToStandardErrorWithExitTwo) {
    EXPECT_EQ(Run({files_.package}), 2);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(err_,
              "deltalens-cli: error: PACKAGE and TRANSFORM are needed\n"
              "run 'deltalens-cli --help' for usage\n");
    EXPECT_EQ(Run({"--format", "xml", files_.package, files_.transform}), 2);
    EXPECT_EQ(err_.rfind("deltalens-cli: error: unknown format 'xml'", 0), 0u);
}

TEST_F(CliTest, HelpVersionAndFormatListExitZero) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_EQ(out_, deltalens::ProgramHelp());
    // The version stated once in the build reaches the program and the
    // about box's text.
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out_, std::string("deltalens-cli ") + deltalens::kVersion + "\n");
    EXPECT_EQ(std::string(deltalens::kAboutVersionText), "Deltalens, Version 1.02");
    EXPECT_EQ(Run({"diff", "--help"}), 0);
    EXPECT_EQ(out_, deltalens::CommandHelp(deltalens::CliOptions::Command::kDiff));
    EXPECT_EQ(Run({"--format", "list"}), 0);
    EXPECT_EQ(out_, "table\ntsv\ncsv\njson\n");
}

// --- the program as a process -----------------------------------------------------

TEST_F(CliTest, ProcessExitStatusesAndStreams) {
    deltalens_test::ProcessResult result =
        deltalens_test::RunCliProcess({"--format", "tsv", files_.package, files_.transform});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("Table\tColumn\tRow\tData\tCurrent\n", 0), 0u);
    EXPECT_EQ(result.err, "");

    result = deltalens_test::RunCliProcess({files_.text_file, files_.transform});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind(std::string(deltalens::kOpenErrorText) + "\n", 0), 0u);

    result = deltalens_test::RunCliProcess({"--nonsense"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("deltalens-cli: error: unknown option '--nonsense'\n", 0), 0u);
}

TEST_F(CliTest, TraceSaysWhatTheProgramDidOnStandardError) {
    const deltalens_test::ProcessResult result = deltalens_test::RunCliProcess(
        {"--trace", "--format", "tsv", files_.package, files_.transform});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("deltalens-cli: applying " + files_.transform + " to " +
                              files_.package + "\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("deltalens-cli: listed "), std::string::npos) << result.err;
    // The change list itself stays on standard output alone.
    EXPECT_EQ(result.out.find("deltalens-cli:"), std::string::npos);
}

TEST_F(CliTest, WithoutTraceStandardErrorHoldsOnlyTheMessage) {
    const deltalens_test::ProcessResult quiet =
        deltalens_test::RunCliProcess({files_.text_file, files_.transform});
    const deltalens_test::ProcessResult traced =
        deltalens_test::RunCliProcess({"--trace", files_.text_file, files_.transform});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.err.find("deltalens-cli: applying"), std::string::npos) << quiet.err;
    EXPECT_NE(traced.err.find("deltalens-cli: applying"), std::string::npos) << traced.err;
}

}  // namespace
