// deltalens-cli diff: for every kind of change, the rows equal what
// make-transform and the listing of that transform give; the exit statuses
// of --exit-code; nothing changed and nothing left behind.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <tuple>

#include "cli_main.h"
#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "msi.h"
#include "msiquery.h"
#include "sample_packages.h"
#include "test_support.h"
#include "win32/debug.h"

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

// Sets summary properties of a package's copy (text ones only).
UINT SetSummaryTexts(const std::string& package,
                     const std::vector<std::pair<UINT, std::string>>& texts) {
    MSIHANDLE summary = 0;
    UINT result = MsiGetSummaryInformationA(0, package.c_str(), 4, &summary);
    for (const auto& [property, text] : texts)
        if (result == ERROR_SUCCESS)
            result =
                MsiSummaryInfoSetPropertyA(summary, property, VT_LPSTR, 0, nullptr, text.c_str());
    if (result == ERROR_SUCCESS) result = MsiSummaryInfoPersist(summary);
    MsiCloseHandle(summary);
    return result;
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
    // When one package does not open, nothing is listed, not even the
    // summary information of the other.
    ASSERT_EQ(SetSummaryTexts(changed, {{PID_TITLE, "Changed"}}), ERROR_SUCCESS);
    run = Cli({"diff", "--summary", "--format", "tsv", changed, Path("missing.msi")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Can't open package " + Path("missing.msi") + "!\n", 0), 0u) << run.err;
    EXPECT_EQ(Cli({"diff", "--exit-code", files_.package}).status, 2) << "usage error";
    // A retyped column: no transform can carry the difference.
    const std::string retyped = Path("retyped.msi");
    ASSERT_EQ(deltalens::MakeChangedCopy(files_.package, retyped,
                                         {"DROP TABLE `Items`",
                                          "CREATE TABLE `Items` (`Item` CHAR(32) NOT NULL, `Count` "
                                          "LONG, `Note` CHAR(64) PRIMARY KEY `Item`)"}),
              ERROR_SUCCESS);
    run = Cli({"diff", "--exit-code", files_.package, retyped});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Can't compare " + files_.package + " with " + retyped + "!\n", 0), 0u)
        << run.err;
    EXPECT_TRUE(temp_.Entries().empty());
    // Without a temporary folder of its own there is nowhere to put the
    // transform: nothing is compared (or written anywhere else).
    const std::string missing_folder = (temp_.path() / "missing").string();
    ASSERT_EQ(::setenv("TMPDIR", missing_folder.c_str(), 1), 0);
    run = Cli({"diff", "--exit-code", files_.package, changed});
    ASSERT_EQ(::setenv("TMPDIR", temp_.str().c_str(), 1), 0);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("Can't make a temporary folder for the transform!\ncause: "
                                   "cannot make a folder in ") +
                           missing_folder + ": No such file or directory\n");
}

TEST_F(DiffCliTest, TransformsAreNoPackages) {
    for (const auto& [old_package, new_package] : std::vector<std::pair<std::string, std::string>>{
             {files_.package, files_.transform},
             {files_.transform, files_.package},
             {files_.transform, files_.other_transform}}) {
        for (const bool exit_code : {false, true}) {
            std::vector<std::string> arguments = {"diff", old_package, new_package};
            if (exit_code) arguments.insert(arguments.begin() + 1, "--exit-code");
            const CliRun run = Cli(arguments);
            EXPECT_EQ(run.status, exit_code ? 2 : 1);
            EXPECT_EQ(run.out, "");
            const std::string& refused = old_package == files_.package ? new_package : old_package;
            EXPECT_EQ(run.err, "Can't open package " + refused + "!\ncause: " + refused +
                                   " is a transform or a patch, not a package\n");
        }
    }
    // make-transform opens its packages the same way.
    const CliRun run = Cli({"make-transform", files_.package, files_.transform, Path("out.mst")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Can't open package " + files_.transform + "!\n", 0), 0u) << run.err;
    EXPECT_TRUE(temp_.Entries().empty());
}

// Stores each (table, name, bytes): a Binary row or a stream of _Streams.
UINT PutStreams(const std::string& package, const std::string& folder,
                const std::vector<std::array<std::string, 3>>& streams) {
    MSIHANDLE database = 0;
    UINT result = MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_TRANSACT, &database);
    for (const auto& [table, name, bytes] : streams) {
        const std::string file = folder + "/stream.bin";
        testing_support::WriteFile(file, bytes);
        const std::string query = "INSERT INTO `" + table + "` (`Name`, `Data`) VALUES (?, ?)";
        MSIHANDLE view = 0;
        MSIHANDLE record = MsiCreateRecord(2);
        if (result == ERROR_SUCCESS) result = MsiDatabaseOpenViewA(database, query.c_str(), &view);
        if (result == ERROR_SUCCESS) result = MsiRecordSetStringA(record, 1, name.c_str());
        if (result == ERROR_SUCCESS) result = MsiRecordSetStreamA(record, 2, file.c_str());
        if (result == ERROR_SUCCESS) result = MsiViewExecute(view, record);
        MsiCloseHandle(record);
        MsiCloseHandle(view);
    }
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database);
    MsiCloseHandle(database);
    return result;
}

// The bytes of a stream of _Streams ("?" when there is none).
std::string StreamBytes(const std::string& package, const std::string& name) {
    MSIHANDLE database = 0;
    MSIHANDLE view = 0;
    MSIHANDLE record = 0;
    MSIHANDLE key = MsiCreateRecord(1);
    MsiRecordSetStringA(key, 1, name.c_str());
    std::string bytes = "?";
    if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(database, "SELECT `Data` FROM `_Streams` WHERE `Name` = ?", &view) ==
            ERROR_SUCCESS &&
        MsiViewExecute(view, key) == ERROR_SUCCESS &&
        MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        char buffer[256];
        DWORD size = sizeof buffer;
        if (MsiRecordReadStream(record, 1, buffer, &size) == ERROR_SUCCESS)
            bytes.assign(buffer, size);
    }
    for (MSIHANDLE handle : {record, key, view, database}) MsiCloseHandle(handle);
    return bytes;
}

TEST_F(DiffCliTest, PackagesThatDifferOnlyInTheirStreamsDiffer) {
    const std::string old_package = Path("streams-old.msi");
    const std::string new_package = Path("streams-new.msi");
    const std::string binary_table =
        "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT NOT NULL PRIMARY KEY "
        "`Name`)";
    for (const auto& [package, first, second] :
         {std::tuple{old_package, "abc", "hello"}, std::tuple{new_package, "hello", "abc"}}) {
        std::vector<std::string> statements =
            deltalens::ProductProperties("{11111111-2222-3333-4444-555555555555}", "Streams");
        statements.push_back(binary_table);
        ASSERT_EQ(deltalens::CreatePackage(package, statements), ERROR_SUCCESS);
        std::vector<std::array<std::string, 3>> streams = {{"Binary", "icon", first},
                                                           {"_Streams", "Data1.cab", second}};
        if (package == new_package) streams.push_back({"_Streams", "Data2.cab", ""});
        if (package == old_package) streams.push_back({"_Streams", "Gone.cab", "x"});
        ASSERT_EQ(PutStreams(package, inputs_.path().string(), streams), ERROR_SUCCESS);
    }

    // The short hashes are the first 8 hex digits of the bytes' SHA-256.
    const std::string abc = "[3 bytes ba7816bf]";
    const std::string hello = "[5 bytes 2cf24dba]";
    const std::string nothing = "[0 bytes e3b0c442]";
    const CliRun run = Cli({"diff", "--exit-code", "--format", "tsv", old_package, new_package});
    EXPECT_EQ(run.status, 1) << run.err;
    Rows rows;
    ASSERT_TRUE(deltalens_test::ParseTsv(run.out, rows));
    // In the engine's order: by table, then by the row's string id.
    EXPECT_EQ(rows, (Rows{{"Table", "Column", "Row", "Data", "Current"},
                          {"Binary", "Data", "icon", hello, abc},
                          {"_Streams", "DELETE", "Gone.cab", "", ""},
                          {"_Streams", "Data", "Data1.cab", abc, hello},
                          {"_Streams", "Data", "Data2.cab", nothing, ""},
                          {"_Streams", "INSERT", "Data2.cab", "", ""}}));

    // The transform carries the new bytes: applied to OLD it gives NEW's.
    const std::string transform = Path("streams.mst");
    const CliRun made = Cli({"make-transform", old_package, new_package, transform});
    ASSERT_EQ(made.status, 0) << made.err;
    // Its listing describes the bytes as diff does.
    const CliRun listed = Cli({"--format", "tsv", old_package, transform});
    EXPECT_EQ(listed.out, run.out) << listed.err;
    const std::string applied = Path("applied.msi");
    MSIHANDLE database = 0;
    ASSERT_EQ(MsiOpenDatabaseA(old_package.c_str(), applied.c_str(), &database), ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseApplyTransformA(database, transform.c_str(), 0), ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseCommit(database), ERROR_SUCCESS);
    MsiCloseHandle(database);
    for (const char* stream : {"Binary.icon", "Data1.cab", "Data2.cab", "Gone.cab"})
        EXPECT_EQ(StreamBytes(applied, stream), StreamBytes(new_package, stream)) << stream;
    EXPECT_EQ(StreamBytes(applied, "Binary.icon"), "hello");
    EXPECT_EQ(Cli({"diff", "--exit-code", applied, new_package}).status, 0);
}

// Output that notes, at its first byte, whether the program had already
// traced the end of the listing ("listed N changes").
class FirstWriteProbe : public std::stringbuf {
  public:
    explicit FirstWriteProbe(const std::vector<std::string>& trace) : trace_(trace) {}
    bool written = false;
    bool after_listing = false;

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        Note();
        return std::stringbuf::xsputn(text, count);
    }
    int_type overflow(int_type ch) override {
        Note();
        return std::stringbuf::overflow(ch);
    }

  private:
    void Note() {
        if (written) return;
        written = true;
        for (const std::string& line : trace_)
            if (line.find(": listed ") != std::string::npos) after_listing = true;
    }
    const std::vector<std::string>& trace_;
};

TEST_F(DiffCliTest, RowsArePrintedAsTheyAreFoundButForTheTable) {
    const std::string changed = Path("changed.msi");
    ASSERT_EQ(deltalens::MakeChangedCopy(files_.package, changed, ChangeKinds()[6].statements),
              ERROR_SUCCESS);
    for (const char* format : {"tsv", "json", "table"}) {
        SCOPED_TRACE(format);
        std::vector<std::string> trace;
        const win32::DebugSink previous =
            win32::SetDebugSink([&](std::string_view line) { trace.emplace_back(line); });
        FirstWriteProbe probe(trace);
        std::ostream out(&probe);
        std::ostringstream err;
        const int status = deltalens::RunCommandLine(
            {"diff", "--format", format, files_.package, changed}, out, err);
        win32::SetDebugSink(previous);
        EXPECT_EQ(status, 0) << err.str();
        EXPECT_TRUE(probe.written);
        EXPECT_EQ(probe.after_listing, std::string(format) == "table");
    }
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

namespace {

// The "Table.Column" of every row of tsv output but its header, sorted.
std::vector<std::string> TablesAndColumns(const std::string& tsv) {
    Rows rows;
    EXPECT_TRUE(deltalens_test::ParseTsv(tsv, rows));
    std::vector<std::string> out;
    for (size_t i = 1; i < rows.size(); ++i) out.push_back(rows[i][0] + "." + rows[i][1]);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

TEST_F(DiffCliTest, WhatIsIgnoredIsNeitherListedNorADifference) {
    const std::string changed = Path("changed.msi");
    ASSERT_EQ(
        deltalens::MakeChangedCopy(files_.package, changed,
                                   {"UPDATE `Items` SET `Note` = 'changed' WHERE `Item` = 'alpha'",
                                    "UPDATE `Items` SET `Count` = 20 WHERE `Item` = 'beta'",
                                    "DELETE FROM `Property` WHERE `Property` = 'ProductName'"}),
        ERROR_SUCCESS);
    struct Case {
        std::vector<std::string> ignore;
        std::vector<std::string> listed;
        int status;
    };
    const Case cases[] = {
        {{}, {"Items.Count", "Items.Note", "Property.DELETE"}, 1},
        {{"Items"}, {"Property.DELETE"}, 1},
        {{"Items.Note"}, {"Items.Count", "Property.DELETE"}, 1},
        {{"Items.Note", "Items.Count", "Property"}, {}, 0},
        {{"Property.Value"}, {"Items.Count", "Items.Note", "Property.DELETE"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.ignore));
        std::vector<std::string> arguments = {"diff", "--exit-code", "--format", "tsv"};
        for (const std::string& entry : c.ignore)
            arguments.insert(arguments.end(), {"--ignore", entry});
        arguments.insert(arguments.end(), {files_.package, changed});
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(TablesAndColumns(run.out), c.listed);
    }
}

TEST_F(DiffCliTest, SummaryDifferencesAreRowsOfTheirOwnPseudoTable) {
    const std::string before = Path("before.msi");
    const std::string after = Path("after.msi");
    std::filesystem::copy_file(files_.package, before);
    std::filesystem::copy_file(files_.package, after);
    ASSERT_EQ(SetSummaryTexts(before, {{PID_TEMPLATE, "Intel;1033"}, {PID_TITLE, "Same"}}),
              ERROR_SUCCESS);
    ASSERT_EQ(
        SetSummaryTexts(
            after, {{PID_TEMPLATE, "x64;1031"}, {PID_TITLE, "Same"}, {PID_COMMENTS, "only here"}}),
        ERROR_SUCCESS);
    struct Case {
        std::vector<std::string> options;
        std::string tsv;  // what follows the header
        int status;
    };
    const Case cases[] = {
        {{}, "", 0},
        {{"--summary"},
         "_SummaryInformation\tComments\t\tonly here\t\n"
         "_SummaryInformation\tTemplate\t\tx64;1031\tIntel;1033\n",
         1},
        {{"--summary", "--ignore", "_SummaryInformation.Template"},
         "_SummaryInformation\tComments\t\tonly here\t\n",
         1},
        {{"--summary", "--ignore", "_SummaryInformation"}, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        std::vector<std::string> arguments = {"diff", "--exit-code", "--format", "tsv"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {before, after});
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out, "Table\tColumn\tRow\tData\tCurrent\n" + c.tsv);
    }
}

}  // namespace
