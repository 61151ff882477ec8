// Packages written by the engine through the public C interface must read
// back with the same contents in the two independent readers: msitools
// (msiinfo tables / export / streams) and the oracle (Wine's msi.dll).
// Covered: every column type, binary cells and _Streams inserts, a string of
// more than 64 KiB, more than 65,535 strings (3-byte string references),
// windows-1252 text (in a 1252 and in a neutral database), a committed
// transacted edit of a real package, and a copy through an output path.
// Every commit must leave no temporary file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "interop_util.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

std::set<std::string> LineSet(const std::string& text) {
    std::set<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        if (end > pos) lines.insert(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// Every table of `path` read through our API, compared with the oracle's
// reading of the same file.
void ExpectOracleReadsAsWeDo(const fs::path& script, const fs::path& path) {
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const auto names = TableNames(db.get());
    ASSERT_FALSE(names.empty());
    std::vector<std::string> queries;
    for (const auto& name : names) queries.push_back("SELECT * FROM `" + name + "`");
    bool ok = false;
    const auto results = OracleQuery(script, path, queries, ok);
    EXPECT_TRUE(ok) << path;
    EXPECT_EQ(results.size(), names.size());
    for (size_t t = 0; t < names.size() && t < results.size(); ++t)
        EXPECT_EQ(AsOracleLines(ReadTable(db.get(), names[t])), results[t]) << names[t];
}

// Reads a file into a string, for MsiRecordSetStreamA's source files.
fs::path WriteBlob(const fs::path& folder, const std::string& name, const std::string& bytes) {
    const fs::path file = folder / name;
    testing_support::WriteFile(file, bytes);
    return file;
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 24);
    }
    return bytes;
}

// How the oracle prints a stream of PatternBytes(size, seed).
std::string Stream(size_t size, unsigned seed) {
    return OracleText({Cell::Kind::kStream, 0, PatternBytes(size, seed)});
}

class WrittenPackage : public ::testing::Test {
  protected:
    // Builds the package every test of this suite reads: one table with a
    // column of each type, a table of 66,000 distinct strings, a long string
    // and a stream added through _Streams.
    static void SetUpTestSuite() {
        dir_ = new TempDir(/*redirect_tmpdir=*/true);
        path_ = dir_->path() / "written.msi";
        const fs::path blobs = dir_->path() / "blobs";
        fs::create_directory(blobs);
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, db.out()), ERROR_SUCCESS);
        ASSERT_EQ(Exec(db.get(),
                       "CREATE TABLE `AllTypes` (`Key` CHAR(20) NOT NULL, `Str` CHAR(40) NOT NULL, "
                       "`StrNull` CHAR(40), `Loc` CHAR(64) NOT NULL LOCALIZABLE, "
                       "`LocNull` CHAR(64) LOCALIZABLE, `Short` SHORT NOT NULL, "
                       "`ShortNull` SHORT, `Long` LONG NOT NULL, `LongNull` LONG, "
                       "`Bin` OBJECT NOT NULL PRIMARY KEY `Key`)"),
                  ERROR_SUCCESS);
        // A binary cell's stream is named after the table and the row's key,
        // so a table has one binary column: the nullable one gets its own.
        ASSERT_EQ(Exec(db.get(),
                       "CREATE TABLE `Blobs` (`Key` CHAR(20) NOT NULL, `Data` OBJECT "
                       "PRIMARY KEY `Key`)"),
                  ERROR_SUCCESS);
        struct Row {
            const char *key, *str, *str_null, *loc, *loc_null;
            int short_value, short_null, long_value, long_null;
            size_t bin_size;
            bool bin_null;
        };
        const int null = MSI_NULL_INTEGER;
        const Row rows[] = {
            {"a", "first", "x", "loc", "locnull", 1, 2, 3, 4, 100, false},
            {"b", "second", nullptr, "tab\there", nullptr, -32767, null, -2147483647, null, 1,
             true},
            {"c", "NULL", "back\\slash", "line\r\nbreak", "", 32767, -1, 2147483647, 0, 5000,
             false},
            {"d", "quote'd", nullptr, "x", nullptr, 0, 32767, -1, -2147483647, 70000, true},
        };
        for (const Row& r : rows) {
            Handle rec(MsiCreateRecord(10));
            MsiRecordSetStringA(rec.get(), 1, r.key);
            MsiRecordSetStringA(rec.get(), 2, r.str);
            MsiRecordSetStringA(rec.get(), 3, r.str_null);
            MsiRecordSetStringA(rec.get(), 4, r.loc);
            MsiRecordSetStringA(rec.get(), 5, r.loc_null);
            MsiRecordSetInteger(rec.get(), 6, r.short_value);
            MsiRecordSetInteger(rec.get(), 7, r.short_null);
            MsiRecordSetInteger(rec.get(), 8, r.long_value);
            MsiRecordSetInteger(rec.get(), 9, r.long_null);
            const fs::path blob = WriteBlob(blobs, std::string("bin-") + r.key,
                                            PatternBytes(r.bin_size, unsigned(r.key[0])));
            ASSERT_EQ(MsiRecordSetStreamA(rec.get(), 10, blob.c_str()), ERROR_SUCCESS);
            ASSERT_EQ(Exec(db.get(),
                           "INSERT INTO `AllTypes` (`Key`, `Str`, `StrNull`, `Loc`, `LocNull`, "
                           "`Short`, `ShortNull`, `Long`, `LongNull`, `Bin`) VALUES "
                           "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           rec.get()),
                      ERROR_SUCCESS)
                << r.key;
            Handle blob_rec(MsiCreateRecord(2));
            MsiRecordSetStringA(blob_rec.get(), 1, r.key);
            if (!r.bin_null) {
                const fs::path other = WriteBlob(blobs, std::string("null-") + r.key,
                                                 PatternBytes(r.bin_size + 7, 99));
                ASSERT_EQ(MsiRecordSetStreamA(blob_rec.get(), 2, other.c_str()), ERROR_SUCCESS);
            }
            ASSERT_EQ(
                Exec(db.get(), "INSERT INTO `Blobs` (`Key`, `Data`) VALUES (?, ?)", blob_rec.get()),
                ERROR_SUCCESS)
                << r.key;
        }

        // More than 65,535 distinct strings: references become 3 bytes wide.
        ASSERT_EQ(Exec(db.get(),
                       "CREATE TABLE `Many` (`Id` LONG NOT NULL, `Text` CHAR(0) PRIMARY KEY `Id`)"),
                  ERROR_SUCCESS);
        Handle insert;
        ASSERT_EQ(MsiDatabaseOpenViewA(db.get(), "INSERT INTO `Many` (`Id`, `Text`) VALUES (?, ?)",
                                       insert.out()),
                  ERROR_SUCCESS);
        Handle rec(MsiCreateRecord(2));
        for (int i = 0; i < kManyRows; ++i) {
            MsiRecordSetInteger(rec.get(), 1, i);
            MsiRecordSetStringA(rec.get(), 2, ManyText(i).c_str());
            ASSERT_EQ(MsiViewExecute(insert.get(), rec.get()), ERROR_SUCCESS) << i;
        }
        MsiViewClose(insert.get());
        // A string over 64 KiB, in the last row.
        MsiRecordSetInteger(rec.get(), 1, kManyRows);
        MsiRecordSetStringA(rec.get(), 2, LongText().c_str());
        ASSERT_EQ(MsiViewExecute(insert.get(), rec.get()), ERROR_SUCCESS);
        MsiViewClose(insert.get());

        // A stream of its own, through _Streams.
        Handle stream_rec(MsiCreateRecord(2));
        MsiRecordSetStringA(stream_rec.get(), 1, "extra.cab");
        const fs::path cab = WriteBlob(blobs, "extra.cab", PatternBytes(12345, 7));
        MsiRecordSetStreamA(stream_rec.get(), 2, cab.c_str());
        ASSERT_EQ(Exec(db.get(), "INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)",
                       stream_rec.get()),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
        db.Reset();
        fs::remove_all(blobs);
        // The commit renamed its temporary file into place: nothing else is left.
        EXPECT_EQ(dir_->Entries(), std::vector<std::string>{"written.msi"});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(fs::exists(path_)) << "the package could not be written"; }

    static constexpr int kManyRows = 66000;
    static std::string ManyText(int i) { return "string number " + std::to_string(i); }
    static std::string LongText() {
        std::string text;
        for (int i = 0; text.size() < 70000; ++i) text += "long-" + std::to_string(i) + " ";
        return text;
    }

    static TempDir* dir_;
    static fs::path path_;
};

TempDir* WrittenPackage::dir_ = nullptr;
fs::path WrittenPackage::path_;

TEST_F(WrittenPackage, ReadsBackThroughOurOwnInterface) {
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const ApiTable all = ReadTable(db.get(), "AllTypes");
    ASSERT_EQ(all.status, 0u);
    EXPECT_EQ(all.types, (std::vector<std::string>{"s20", "s40", "S40", "l64", "L64", "i2", "I2",
                                                   "i4", "I4", "v0"}));
    ASSERT_EQ(all.rows.size(), 4u);
    EXPECT_EQ(all.rows[1][2].kind, Cell::Kind::kNull);
    EXPECT_EQ(all.rows[1][6].kind, Cell::Kind::kNull);
    const ApiTable blobs = ReadTable(db.get(), "Blobs");
    ASSERT_EQ(blobs.rows.size(), 4u);
    EXPECT_EQ(blobs.types, (std::vector<std::string>{"s20", "V0"}));
    EXPECT_EQ(blobs.rows[1][1].kind, Cell::Kind::kNull);
    EXPECT_EQ(blobs.rows[2][1].bytes, PatternBytes(5007, 99));
    EXPECT_EQ(all.rows[2][4].kind, Cell::Kind::kNull) << "an empty string is stored as null";
    EXPECT_EQ(all.rows[3][9].bytes, PatternBytes(70000, 'd'));
    EXPECT_EQ(all.rows[2][3].bytes, "line\r\nbreak");
    const ApiTable many =
        ReadQuery(db.get(), "SELECT `Text` FROM `Many` WHERE `Id` = " + std::to_string(kManyRows));
    ASSERT_EQ(many.rows.size(), 1u);
    EXPECT_EQ(many.rows[0][0].bytes, LongText());
}

TEST_F(WrittenPackage, MsiinfoListsTablesStreamsAndExportsEveryCell) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    const testing_support::RunResult tables =
        testing_support::Run({"msiinfo", "tables", path_.string()});
    ASSERT_TRUE(tables.ok());
    EXPECT_EQ(LineSet(tables.out), (std::set<std::string>{"_SummaryInformation", "_ForceCodepage",
                                                          "AllTypes", "Blobs", "Many"}));
    const testing_support::RunResult streams =
        testing_support::Run({"msiinfo", "streams", path_.string()});
    ASSERT_TRUE(streams.ok());
    const auto listed = LineSet(streams.out);
    for (const char* name : {"AllTypes.a", "AllTypes.b", "AllTypes.c", "AllTypes.d", "Blobs.a",
                             "Blobs.c", "extra.cab"})
        EXPECT_TRUE(listed.count(name)) << name;

    TempDir scratch;
    const testing_support::RunResult exported =
        testing_support::Run({"msiinfo", "export", path_.string(), "AllTypes"},
                             testing_support::RunOptions().In(scratch.path()));
    ASSERT_TRUE(exported.ok());
    // msiinfo writes CR and LF raw, so the row holding "line\r\nbreak" spans
    // two lines; the header and the other rows are compared line by line.
    EXPECT_EQ(exported.out.substr(0, exported.out.find("a\t")),
              "Key\tStr\tStrNull\tLoc\tLocNull\tShort\tShortNull\tLong\tLongNull\tBin\r\n"
              "s20\ts40\tS40\tl64\tL64\ti2\tI2\ti4\tI4\tv0\r\n"
              "AllTypes\tKey\r\n");
    const auto rows = MsiinfoRows(exported.out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "a\tfirst\tx\tloc\tlocnull\t1\t2\t3\t4\tAllTypes.a");
    EXPECT_EQ(rows[1], "b\tsecond\t\ttab\there\t\t-32767\t\t-2147483647\t\tAllTypes.b");
    EXPECT_EQ(rows[2] + "\r\n" + rows[3],
              "c\tNULL\tback\\slash\tline\r\nbreak\t\t32767\t-1\t2147483647\t0\tAllTypes.c");
    EXPECT_EQ(rows[4], "d\tquote'd\t\tx\t\t0\t32767\t-1\t-2147483647\tAllTypes.d");
    for (const auto& [key, size] : {std::pair{'a', 100}, {'b', 1}, {'c', 5000}, {'d', 70000}})
        EXPECT_EQ(testing_support::ReadFile(scratch.path() / "AllTypes" /
                                            (std::string("AllTypes.") + key)),
                  PatternBytes(size_t(size), unsigned(key)));
    const testing_support::RunResult blobs =
        testing_support::Run({"msiinfo", "export", path_.string(), "Blobs"},
                             testing_support::RunOptions().In(scratch.path()));
    ASSERT_TRUE(blobs.ok());
    EXPECT_EQ(MsiinfoRows(blobs.out),
              (std::vector<std::string>{"a\tBlobs.a", "b\t", "c\tBlobs.c", "d\t"}));
    EXPECT_EQ(testing_support::ReadFile(scratch.path() / "Blobs" / "Blobs.c"),
              PatternBytes(5007, 99));

    // 3-byte references: every one of the 66,000 strings comes back in its row.
    const testing_support::RunResult many =
        testing_support::Run({"msiinfo", "export", path_.string(), "Many"},
                             testing_support::RunOptions().In(scratch.path()));
    ASSERT_TRUE(many.ok());
    const auto many_rows = MsiinfoRows(many.out);
    ASSERT_EQ(many_rows.size(), size_t(kManyRows) + 1);
    for (int i = 0; i < kManyRows; i += 997)
        EXPECT_EQ(many_rows[size_t(i)], std::to_string(i) + "\t" + ManyText(i));
    EXPECT_EQ(many_rows[kManyRows - 1],
              std::to_string(kManyRows - 1) + "\t" + ManyText(kManyRows - 1));
    // The long string is left to the oracle: libmsi reads strings of 64 KiB
    // and more only in its own writer's layout.

    const testing_support::RunResult cab =
        testing_support::Run({"msiinfo", "extract", path_.string(), "extra.cab"});
    ASSERT_TRUE(cab.ok());
    EXPECT_EQ(cab.out, PatternBytes(12345, 7));
}

TEST_F(WrittenPackage, OracleReadsEveryTableAndStreamAsWeDo) {
    VSB_REQUIRE_ORACLE(script);
    bool ok = false;
    const auto results = OracleQuery(
        script, path_,
        {"SELECT * FROM `AllTypes`", "SELECT * FROM `Blobs`",
         "SELECT * FROM `Many` WHERE `Id` = 0 OR `Id` = 65535 OR `Id` = 65999 OR `Id` = 66000",
         "SELECT `Name` FROM `_Streams`"},
        ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(
        results[0],
        (std::vector<std::string>{
            "names\tKey\tStr\tStrNull\tLoc\tLocNull\tShort\tShortNull\tLong\tLongNull\tBin",
            "types\ts20\ts40\tS40\tl64\tL64\ti2\tI2\ti4\tI4\tv0",
            "row\ta\tfirst\tx\tloc\tlocnull\t1\t2\t3\t4\t" + Stream(100, 'a'),
            "row\tb\tsecond\tNULL\ttab\\there\tNULL\t-32767\tNULL\t-2147483647\tNULL\t" +
                Stream(1, 'b'),
            "row\tc\t\\NULL\tback\\\\slash\tline\\r\\nbreak\tNULL\t32767\t-1\t2147483647\t0\t" +
                Stream(5000, 'c'),
            "row\td\tquote'd\tNULL\tx\tNULL\t0\t32767\t-1\t-2147483647\t" + Stream(70000, 'd'),
            "rows\t4"}));
    EXPECT_EQ(results[1],
              (std::vector<std::string>{"names\tKey\tData", "types\ts20\tV0",
                                        "row\ta\t" + Stream(107, 99), "row\tb\tNULL",
                                        "row\tc\t" + Stream(5007, 99), "row\td\tNULL", "rows\t4"}));
    EXPECT_EQ(results[2], (std::vector<std::string>{
                              "names\tId\tText", "types\ti4\tS0", "row\t0\t" + ManyText(0),
                              "row\t65535\t" + ManyText(65535), "row\t65999\t" + ManyText(65999),
                              "row\t66000\t" + LongText(), "rows\t4"}));
    const auto streams = std::set<std::string>(results[3].begin(), results[3].end());
    for (const char* name : {"row\tAllTypes.a", "row\tAllTypes.d", "row\textra.cab"})
        EXPECT_TRUE(streams.count(name)) << name;
}

// A real package copied, edited in a transaction and committed: the edit
// reads back here and in the peers, and every other table is unchanged.
class EditedRealPackage : public ::testing::Test {
  protected:
    void SetUp() override {
        source_ =
            testing_support::Fixture("real/lessmsi/putty-0.68-installer.msi");  // code page 1252
        if (source_.empty()) GTEST_SKIP() << "fixture not available: putty-0.68-installer.msi";
        copy_ = dir_.path() / "putty.msi";
        fs::copy_file(source_, copy_);
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(copy_.c_str(), MSIDBOPEN_TRANSACT, db.out()), ERROR_SUCCESS);
        Handle rec(MsiCreateRecord(2));
        MsiRecordSetStringA(rec.get(), 1, "ACCENTS");
        MsiRecordSetStringA(rec.get(), 2, kAccents.c_str());
        ASSERT_EQ(
            Exec(db.get(), "INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", rec.get()),
            ERROR_SUCCESS);
        ASSERT_EQ(Exec(db.get(),
                       "UPDATE `Property` SET `Value` = 'changed' WHERE `Property` = "
                       "'ProductVersion'"),
                  ERROR_SUCCESS);
        ASSERT_EQ(Exec(db.get(), "DELETE FROM `Property` WHERE `Property` = 'ARPNOMODIFY'"),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
    }

    const std::string kAccents =
        "Caf\u00e9 \u2013 \u20ac 5 \u00ab\u00dcn\u00efc\u00f6d\u00e9\u00bb";
    TempDir dir_{/*redirect_tmpdir=*/true};
    fs::path source_, copy_;
};

TEST_F(EditedRealPackage, OnlyThePropertyTableChanges) {
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"putty.msi"});
    Handle before, after;
    ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), MSIDBOPEN_READONLY, before.out()), ERROR_SUCCESS);
    ASSERT_EQ(MsiOpenDatabaseA(copy_.c_str(), MSIDBOPEN_READONLY, after.out()), ERROR_SUCCESS);
    const auto names = TableNames(before.get());
    EXPECT_EQ(TableNames(after.get()), names);
    for (const auto& name : names) {
        if (name == "Property") continue;
        EXPECT_EQ(AsOracleLines(ReadTable(after.get(), name)),
                  AsOracleLines(ReadTable(before.get(), name)))
            << name;
    }
}

TEST_F(EditedRealPackage, MsiinfoReadsTheEdit) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    const testing_support::RunResult exported =
        testing_support::Run({"msiinfo", "export", copy_.string(), "Property"});
    ASSERT_TRUE(exported.ok());
    const auto rows = MsiinfoRows(exported.out);
    const std::set<std::string> set(rows.begin(), rows.end());
    EXPECT_TRUE(set.count("ACCENTS\t" + kAccents));
    EXPECT_TRUE(set.count("ProductVersion\tchanged"));
    for (const auto& row : rows) EXPECT_NE(row.rfind("ARPNOMODIFY\t", 0), 0u);
}

TEST_F(EditedRealPackage, OracleReadsEveryTableAsWeDo) {
    VSB_REQUIRE_ORACLE(script);
    ExpectOracleReadsAsWeDo(script, copy_);
}

// A new database has the neutral code page. Text written into it is stored
// as windows-1252 where that code page can hold it, which is how the peers
// read neutral packages, so they show the text we wrote.
class NeutralPackage : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_.path() / "neutral.msi";
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, db.out()), ERROR_SUCCESS);
        ASSERT_EQ(Exec(db.get(),
                       "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` "
                       "LONGCHAR PRIMARY KEY `Property`)"),
                  ERROR_SUCCESS);
        Handle rec(MsiCreateRecord(2));
        MsiRecordSetStringA(rec.get(), 1, "ACCENTS");
        MsiRecordSetStringA(rec.get(), 2, kAccents.c_str());
        ASSERT_EQ(
            Exec(db.get(), "INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", rec.get()),
            ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
    }

    const std::string kAccents = "Cr\u00e8me br\u00fbl\u00e9e \u2013 \u20ac 5";
    TempDir dir_{/*redirect_tmpdir=*/true};
    fs::path path_;
};

TEST_F(NeutralPackage, Windows1252TextReadsBackAsWritten) {
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const ApiTable ours = ReadTable(db.get(), "Property");
    ASSERT_EQ(ours.rows.size(), 1u);
    EXPECT_EQ(ours.rows[0][1].bytes, kAccents);
}

TEST_F(NeutralPackage, MsiinfoShowsTheTextWeWrote) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    TempDir scratch;
    const testing_support::RunResult exported =
        testing_support::Run({"msiinfo", "export", path_.string(), "Property"},
                             testing_support::RunOptions().In(scratch.path()));
    ASSERT_TRUE(exported.ok());
    EXPECT_EQ(MsiinfoRows(exported.out), std::vector<std::string>{"ACCENTS\t" + kAccents});
}

TEST_F(NeutralPackage, OracleReadsEveryTableAsWeDo) {
    VSB_REQUIRE_ORACLE(script);
    ExpectOracleReadsAsWeDo(script, path_);
}

// MsiOpenDatabaseA(source, output path) then commit writes a full copy.
class OutputPathCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        source_ = testing_support::Fixture("real/alcor-smartcard/AlcorSmartCardReaderDriver.msi");
        if (source_.empty())
            GTEST_SKIP() << "fixture not available: AlcorSmartCardReaderDriver.msi";
        out_ = dir_.path() / "copy.msi";
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), out_.c_str(), db.out()), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
    }

    TempDir dir_{/*redirect_tmpdir=*/true};
    fs::path source_, out_;
};

TEST_F(OutputPathCopy, CopyReadsAsTheSource) {
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"copy.msi"});
    Handle a, b;
    ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), MSIDBOPEN_READONLY, a.out()), ERROR_SUCCESS);
    ASSERT_EQ(MsiOpenDatabaseA(out_.c_str(), MSIDBOPEN_READONLY, b.out()), ERROR_SUCCESS);
    const auto names = TableNames(a.get());
    ASSERT_EQ(TableNames(b.get()), names);
    for (const auto& name : names)
        EXPECT_EQ(AsOracleLines(ReadTable(b.get(), name)), AsOracleLines(ReadTable(a.get(), name)))
            << name;
}

TEST_F(OutputPathCopy, MsiinfoListsAndExportsTheCopyAsTheSource) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    for (const char* what : {"tables", "streams"}) {
        const auto x = testing_support::Run({"msiinfo", what, source_.string()});
        const auto y = testing_support::Run({"msiinfo", what, out_.string()});
        ASSERT_TRUE(x.ok() && y.ok()) << what;
        EXPECT_EQ(LineSet(y.out), LineSet(x.out)) << what;
    }
    TempDir scratch;
    const auto in_scratch = testing_support::RunOptions().In(scratch.path());
    for (const char* table : {"Property", "File", "Component", "Directory", "ISSetupFile"}) {
        const auto x =
            testing_support::Run({"msiinfo", "export", source_.string(), table}, in_scratch);
        const auto y =
            testing_support::Run({"msiinfo", "export", out_.string(), table}, in_scratch);
        ASSERT_TRUE(x.ok() && y.ok()) << table;
        EXPECT_EQ(y.out, x.out) << table;
    }
}

TEST_F(OutputPathCopy, OracleReadsEveryTableAsWeDo) {
    VSB_REQUIRE_ORACLE(script);
    ExpectOracleReadsAsWeDo(script, out_);
}

}  // namespace
}  // namespace msi_interop
