// deltalens-cli diff: for every kind of change, the rows equal what
// make-transform and the listing of that transform give; the exit statuses
// of --exit-code; nothing changed and nothing left behind.
#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "msi.h"
#include "sample_packages.h"
#include "test_support.h"

namespace {

using deltalens_test::Rows;
using Row = std::vector<std::string>;

using CliRun = deltalens_test::ProcessResult;

CliRun Cli(const std::vector<std::string>& arguments) {
    return deltalens_test::RunCliInProcess(arguments);
}

// A change from the base package, and a row its listing must hold.
struct ChangeKind {
    const char* name;
    std::vector<std::string> statements;
    std::vector<std::string> expected_row;
};

const std::vector<ChangeKind>& ChangeKinds() {
    static const std::vector<ChangeKind> kinds = {
        {"row changed",
         {"UPDATE `Items` SET `Note` = 'changed' WHERE `Item` = 'alpha'"},
         {"Items", "Note", "alpha", "changed", "first"}},
        {"row deleted",
         {"DELETE FROM `Items` WHERE `Item` = 'beta'"},
         {"Items", "DELETE", "beta", "", ""}},
        {"row added",
         {"INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('delta', 4, 'fourth')"},
         {"Items", "INSERT", "delta", "", ""}},
        {"table added",
         {"CREATE TABLE `Extra` (`Key` CHAR(16) NOT NULL PRIMARY KEY `Key`)",
          "INSERT INTO `Extra` (`Key`) VALUES ('one')"},
         {"Extra", "CREATE", "", "", ""}},
        {"table dropped", {"DROP TABLE `Items`"}, {"Items", "DROP", "", "", ""}},
        {"column added",
         {"ALTER TABLE `Items` ADD `Size` SHORT",
          "UPDATE `Items` SET `Size` = 7 WHERE `Item` = 'gamma'"},
         {"Items", "Size", "gamma", "7", ""}},
        {"several at once",
         {"UPDATE `Items` SET `Count` = 20 WHERE `Item` = 'beta'",
          "DELETE FROM `Property` WHERE `Property` = 'ProductName'"},
         {"Property", "DELETE", "ProductName", "", ""}},
    };
    return kinds;
}

class DiffCliTest : public testing::Test {
  protected:
    void SetUp() override {
        files_ = deltalens_test::MakeSampleFiles(inputs_.path());
        ASSERT_FALSE(files_.package.empty());
    }
    void TearDown() override { EXPECT_EQ(MsiCloseAllHandles(), 0u); }

    std::string Path(const std::string& name) const { return (inputs_.path() / name).string(); }

    testing_support::TempDir inputs_{false};
    testing_support::TempDir temp_{true};
    deltalens_test::SampleFiles files_;
};

TEST_F(DiffCliTest, EveryKindOfChangeListsWhatMakeTransformAndTheListingGive) {
    for (const ChangeKind& kind : ChangeKinds()) {
        SCOPED_TRACE(kind.name);
        const std::string changed = Path("changed.msi");
        const std::string transform = Path("made.mst");
        ASSERT_EQ(deltalens::MakeChangedCopy(files_.package, changed, kind.statements),
                  ERROR_SUCCESS);
        std::filesystem::remove(transform);

        const CliRun diff = Cli({"diff", "--format", "tsv", files_.package, changed});
        ASSERT_EQ(diff.status, 0) << diff.err;
        EXPECT_EQ(diff.err, "");
        const CliRun made = Cli({"make-transform", files_.package, changed, transform});
        ASSERT_EQ(made.status, 0) << made.err;
        const CliRun listed = Cli({"--format", "tsv", files_.package, transform});
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(diff.out, listed.out);

        Rows rows;
        ASSERT_TRUE(deltalens_test::ParseTsv(diff.out, rows));
        EXPECT_NE(std::find(rows.begin(), rows.end(), kind.expected_row), rows.end()) << diff.out;
        EXPECT_TRUE(temp_.Entries().empty()) << "a temporary file was left";
    }
}

TEST_F(DiffCliTest, ACodePageChangeListsNoRowButCountsAsADifference) {
    const std::string recoded = Path("recoded.msi");
    ASSERT_EQ(deltalens_test::MakeCodePageCopy(files_.package, recoded, inputs_.path(), 1252),
              ERROR_SUCCESS);
    const std::string transform = Path("recoded.mst");
    ASSERT_EQ(Cli({"make-transform", files_.package, recoded, transform}).status, 0);
    const CliRun listed = Cli({"--format", "json", files_.package, transform});
    const CliRun diff = Cli({"diff", "--format", "json", files_.package, recoded});
    EXPECT_EQ(diff.status, 0) << diff.err;
    EXPECT_EQ(diff.out, listed.out);
    EXPECT_EQ(diff.out, "[]\n");
    EXPECT_EQ(Cli({"diff", "--exit-code", files_.package, recoded}).status, 1);
}

TEST_F(DiffCliTest, IdenticalPackagesListNothingInEveryFormat) {
    const std::string copy = Path("copy.msi");
    std::filesystem::copy_file(files_.package, copy);
    CliRun run = Cli({"diff", "--format", "tsv", files_.package, copy});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Table\tColumn\tRow\tData\tCurrent\n");
    run = Cli({"diff", "--format=json", "--exit-code", files_.package, files_.package});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "[]\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(DiffCliTest, ControlCharactersOfAValueNeverReachTheTerminal) {
    // A value that would clear the screen and one that would retitle it.
    const std::string changed = Path("hostile.msi");
    ASSERT_EQ(
        deltalens::MakeChangedCopy(
            files_.package, changed,
            {"UPDATE `Items` SET `Note` = 'x\x1b[2J\x1b]0;owned\x07' WHERE `Item` = 'alpha'"}),
        ERROR_SUCCESS);
    for (const char* format : {"table", "tsv", "json"}) {
        SCOPED_TRACE(format);
        const CliRun run = Cli({"diff", "--format", format, files_.package, changed});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find('\x07'), std::string::npos) << run.out;
        const std::string escaped = std::string(format) == "json"
                                        ? "x\\u001b[2J\\u001b]0;owned\\u0007"
                                        : "x\\x1b[2J\\x1b]0;owned\\x07";
        EXPECT_NE(run.out.find(escaped), std::string::npos) << run.out;
    }
    // And tsv reads back to the value itself.
    Rows rows;
    ASSERT_TRUE(deltalens_test::ParseTsv(
        Cli({"diff", "--format", "tsv", files_.package, changed}).out, rows));
    const Row expected = {"Items", "Note", "alpha", "x\x1b[2J\x1b]0;owned\x07", "first"};
    EXPECT_NE(std::find(rows.begin(), rows.end(), expected), rows.end());
}

TEST_F(DiffCliTest, ExitCodeFollowsDiff) {
    const std::string changed = Path("changed.msi");
    ASSERT_EQ(deltalens::MakeChangedCopy(files_.package, changed, ChangeKinds()[0].statements),
              ERROR_SUCCESS);
    EXPECT_EQ(Cli({"diff", files_.package, changed}).status, 0) << "without --exit-code";
    EXPECT_EQ(Cli({"diff", "--exit-code", files_.package, changed}).status, 1);
    EXPECT_EQ(Cli({"diff", "--exit-code", files_.package, files_.package}).status, 0);

    // Trouble is 2 with --exit-code, so that it never reads as "they differ".
    CliRun run = Cli({"diff", "--exit-code", files_.package, files_.text_file});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Can't open package " + files_.text_file + "!\n", 0), 0u) << run.err;
    run = Cli({"diff", files_.package, Path("missing.msi")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Can't open package " + Path("missing.msi") + "!\n", 0), 0u) << run.err;
    EXPECT_EQ(Cli({"diff", "--exit-code", files_.package}).status, 2) << "usage error";
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(DiffCliTest, NeitherPackageChangesAndNoFileIsLeft) {
    const std::string changed = Path("changed.msi");
    ASSERT_EQ(deltalens::MakeChangedCopy(files_.package, changed, ChangeKinds()[1].statements),
              ERROR_SUCCESS);
    const std::string old_bytes = testing_support::ReadFile(files_.package);
    const std::string new_bytes = testing_support::ReadFile(changed);
    const std::vector<std::string> inputs_before = inputs_.Entries();
    ASSERT_EQ(Cli({"diff", files_.package, changed}).status, 0);
    EXPECT_TRUE(testing_support::ReadFile(files_.package) == old_bytes);
    EXPECT_TRUE(testing_support::ReadFile(changed) == new_bytes);
    EXPECT_EQ(inputs_.Entries(), inputs_before);
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(DiffCliTest, TheProgramEndsWithTheSameStatusesAsAProcess) {
    const std::string changed = Path("changed.msi");
    ASSERT_EQ(deltalens::MakeChangedCopy(files_.package, changed, ChangeKinds()[2].statements),
              ERROR_SUCCESS);
    deltalens_test::ProcessResult result = deltalens_test::RunCliProcess(
        {"diff", "--exit-code", "--format", "tsv", files_.package, changed});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Items\tINSERT\tdelta"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
}

}  // namespace
