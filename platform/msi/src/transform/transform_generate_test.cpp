// Generating transforms: every kind of difference survives generate -> apply,
// the view of a generated transform lists it, the summary information, and
// the oracle applies and views what we write.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"
#include "transform/transform_test_util.h"

namespace msi::transform::test {
namespace {

std::vector<std::string> BaseStatements() {
    return {
        "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) PRIMARY KEY "
        "`Property`)",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', "
        "'{11111111-1111-1111-1111-111111111111}')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductVersion', '1.0.0')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('UpgradeCode', "
        "'{22222222-2222-2222-2222-222222222222}')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('Obsolete', 'x')",
        "CREATE TABLE `Items` (`Item` CHAR(38) NOT NULL, `Count` LONG NOT NULL, `Note` CHAR(255), "
        "`Flags` SHORT PRIMARY KEY `Item`)",
        "INSERT INTO `Items` (`Item`, `Count`, `Note`, `Flags`) VALUES ('a', 1, 'first', 0)",
        "INSERT INTO `Items` (`Item`, `Count`, `Note`, `Flags`) VALUES ('b', 2, 'second', -5)",
        "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('c', 3, 'third')",
        "CREATE TABLE `Pairs` (`K` CHAR(8) NOT NULL, `N` SHORT NOT NULL, `V` CHAR(32) PRIMARY KEY "
        "`K`, `N`)",
        "INSERT INTO `Pairs` (`K`, `N`, `V`) VALUES ('k1', 1, 'one')",
        "INSERT INTO `Pairs` (`K`, `N`, `V`) VALUES ('k1', 2, 'two')",
        "CREATE TABLE `OldTable` (`Id` SHORT NOT NULL PRIMARY KEY `Id`)",
        "INSERT INTO `OldTable` (`Id`) VALUES (7)",
        // 18 columns: a change to the last two has no bit in the update mask.
        "CREATE TABLE `Wide` (`K` SHORT NOT NULL, `C1` SHORT, `C2` SHORT, `C3` SHORT, `C4` SHORT, "
        "`C5` SHORT, `C6` SHORT, `C7` SHORT, `C8` SHORT, `C9` SHORT, `C10` SHORT, `C11` SHORT, "
        "`C12` SHORT, `C13` SHORT, `C14` SHORT, `C15` SHORT, `C16` SHORT, `C17` CHAR(8) PRIMARY "
        "KEY `K`)",
        "INSERT INTO `Wide` (`K`, `C1`, `C17`) VALUES (1, 1, 'before')",
        "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT PRIMARY KEY `Name`)",
        // No data in either package: nothing to carry.
        "INSERT INTO `Binary` (`Name`) VALUES ('Empty')",
    };
}

std::vector<std::string> ChangedStatements() {
    auto s = BaseStatements();
    s.insert(s.end(),
             {
                 "UPDATE `Property` SET `Value` = '1.1.0' WHERE `Property` = 'ProductVersion'",
                 "UPDATE `Property` SET `Value` = '{33333333-3333-3333-3333-333333333333}' WHERE "
                 "`Property` = 'ProductCode'",
                 "DELETE FROM `Property` WHERE `Property` = 'Obsolete'",
                 "INSERT INTO `Property` (`Property`, `Value`) VALUES ('Comments', 'brand new')",
                 "UPDATE `Items` SET `Count` = 20, `Note` = '' WHERE `Item` = 'b'",
                 "DELETE FROM `Items` WHERE `Item` = 'c'",
                 "INSERT INTO `Items` (`Item`, `Count`) VALUES ('d', 4)",
                 "ALTER TABLE `Items` ADD `Extra` CHAR(32)",
                 "UPDATE `Items` SET `Extra` = 'x' WHERE `Item` = 'a'",
                 "ALTER TABLE `Items` ADD `Rank` SHORT",
                 "UPDATE `Items` SET `Rank` = 2 WHERE `Item` = 'b'",
                 "UPDATE `Pairs` SET `V` = 'uno' WHERE `K` = 'k1' AND `N` = 1",
                 "DELETE FROM `Pairs` WHERE `K` = 'k1' AND `N` = 2",
                 "INSERT INTO `Pairs` (`K`, `N`, `V`) VALUES ('k2', 1, 'dos')",
                 "DROP TABLE `OldTable`",
                 "CREATE TABLE `NewTable` (`Id` CHAR(16) NOT NULL, `Num` LONG, `Label` CHAR(64) "
                 "LOCALIZABLE PRIMARY KEY `Id`)",
                 "INSERT INTO `NewTable` (`Id`, `Num`, `Label`) VALUES ('n1', 100, 'new row')",
                 // C16 is the first column without a bit in the update mask;
                 // C17 keeps its value through the row's replacement.
                 "UPDATE `Wide` SET `C16` = 5, `C1` = 2 WHERE `K` = 1",
             });
    return s;
}

// Inserts a Binary row whose data is `bytes`.
UINT InsertBinary(MSIHANDLE db, const std::string& name, const std::string& bytes,
                  const std::filesystem::path& scratch) {
    testing_support::WriteFile(scratch, bytes);
    MSIHANDLE record = MsiCreateRecord(2);
    MsiRecordSetStringA(record, 1, name.c_str());
    MsiRecordSetStreamA(record, 2, scratch.string().c_str());
    MSIHANDLE view = 0;
    UINT rc =
        MsiDatabaseOpenViewA(db, "INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)", &view);
    if (rc == ERROR_SUCCESS) rc = MsiViewExecute(view, record);
    MsiCloseHandle(view);
    MsiCloseHandle(record);
    return rc;
}

class GenerateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = (dir_.path() / "base.msi").string();
        changed_ = (dir_.path() / "changed.msi").string();
        mst_ = (dir_.path() / "diff.mst").string();
        ASSERT_EQ(MakePackage(base_, BaseStatements()), ERROR_SUCCESS);
        ASSERT_EQ(MakePackage(changed_, ChangedStatements()), ERROR_SUCCESS);
        MSIHANDLE b = 0, c = 0;
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_TRANSACT, &b), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(changed_.c_str(), MSIDBOPEN_TRANSACT, &c), ERROR_SUCCESS);
        const auto scratch = dir_.path() / "blob";
        ASSERT_EQ(InsertBinary(b, "Icon1", "old icon", scratch), ERROR_SUCCESS);
        ASSERT_EQ(InsertBinary(b, "Same", "same bytes", scratch), ERROR_SUCCESS);
        ASSERT_EQ(InsertBinary(c, "Icon1", "new icon!", scratch), ERROR_SUCCESS);
        ASSERT_EQ(InsertBinary(c, "Same", "same bytes", scratch), ERROR_SUCCESS);
        ASSERT_EQ(InsertBinary(c, "Blob3", "third", scratch), ERROR_SUCCESS);
        // A value with a single quote, which SQL text cannot carry.
        MSIHANDLE params = MsiCreateRecord(1);
        MsiRecordSetStringA(params, 1, "it's new");
        MSIHANDLE update = 0;
        ASSERT_EQ(
            MsiDatabaseOpenViewA(
                c, "UPDATE `Property` SET `Value` = ? WHERE `Property` = 'Comments'", &update),
            ERROR_SUCCESS);
        ASSERT_EQ(MsiViewExecute(update, params), ERROR_SUCCESS);
        MsiCloseHandle(update);
        MsiCloseHandle(params);
        ASSERT_EQ(MsiDatabaseCommit(b), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(c), ERROR_SUCCESS);
        MsiCloseHandle(b);
        MsiCloseHandle(c);
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_READONLY, &base_db_), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(changed_.c_str(), MSIDBOPEN_READONLY, &changed_db_),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        MsiCloseHandle(base_db_);
        MsiCloseHandle(changed_db_);
    }
    // A fresh transacted copy of the base.
    MSIHANDLE BaseCopy(const std::string& name) {
        const auto copy = dir_.path() / name;
        std::filesystem::copy_file(base_, copy, std::filesystem::copy_options::overwrite_existing);
        MSIHANDLE db = 0;
        EXPECT_EQ(MsiOpenDatabaseA(copy.string().c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
        return db;
    }

    testing_support::TempDir dir_;
    std::string base_, changed_, mst_;
    MSIHANDLE base_db_ = 0, changed_db_ = 0;
};

TEST_F(GenerateTest, ComparesWithoutAFile) {
    EXPECT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, nullptr, 0, 0), ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseGenerateTransformA(base_db_, base_db_, nullptr, 0, 0), ERROR_NO_DATA);
    // Identical databases give no transform, with a file name too.
    EXPECT_EQ(MsiDatabaseGenerateTransformA(base_db_, base_db_, mst_.c_str(), 0, 0), ERROR_NO_DATA);
    EXPECT_FALSE(std::filesystem::exists(mst_));
    EXPECT_EQ(MsiDatabaseGenerateTransformA(0, base_db_, nullptr, 0, 0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, nullptr, 1, 0),
              ERROR_INVALID_PARAMETER);
}

TEST_F(GenerateTest, ApplyingTheTransformGivesTheChangedDatabase) {
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, mst_.c_str(), 0, 0),
              ERROR_SUCCESS);
    MSIHANDLE db = BaseCopy("applied.msi");
    ASSERT_EQ(MsiDatabaseApplyTransformA(db, mst_.c_str(), 0), ERROR_SUCCESS);
    EXPECT_EQ(Dump(db), Dump(changed_db_));
    // And it survives a commit and a reopen.
    ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
    MsiCloseHandle(db);
    ASSERT_EQ(
        MsiOpenDatabaseA((dir_.path() / "applied.msi").string().c_str(), MSIDBOPEN_READONLY, &db),
        ERROR_SUCCESS);
    EXPECT_EQ(Dump(db), Dump(changed_db_));
    MsiCloseHandle(db);
}

TEST_F(GenerateTest, ViewOfTheTransformListsEachChange) {
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, mst_.c_str(), 0, 0),
              ERROR_SUCCESS);
    MSIHANDLE db = BaseCopy("viewed.msi");
    ASSERT_EQ(MsiDatabaseApplyTransformA(db, mst_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
              ERROR_SUCCESS);
    auto rows = Query(db, "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`");
    std::sort(rows.begin(), rows.end());
    const std::vector<std::string> expected = {
        "Binary\tData\tBlob3\tBinary.Blob3\tNULL",
        "Binary\tData\tIcon1\tBinary.Icon1\tNULL",
        "Binary\tINSERT\tBlob3\tNULL\tNULL",
        "Items\tCount\tb\t20\t2",
        "Items\tCount\td\t4\tNULL",
        "Items\tDELETE\tc\tNULL\tNULL",
        "Items\tExtra\tNULL\t7456\t5",
        "Items\tExtra\ta\tx\tNULL",
        "Items\tExtra\td\tNULL\tNULL",
        "Items\tFlags\td\tNULL\tNULL",
        "Items\tINSERT\td\tNULL\tNULL",
        "Items\tNote\tb\tNULL\tsecond",
        "Items\tNote\td\tNULL\tNULL",
        "Items\tRank\tNULL\t5378\t6",
        "Items\tRank\tb\t2\tNULL",
        "Items\tRank\td\tNULL\tNULL",
        "NewTable\tCREATE\tNULL\tNULL\tNULL",
        "NewTable\tINSERT\tn1\tNULL\tNULL",
        "NewTable\tId\tNULL\t11536\t1",
        "NewTable\tLabel\tNULL\t8000\t3",
        "NewTable\tLabel\tn1\tnew row\tNULL",
        "NewTable\tNum\tNULL\t4356\t2",
        "NewTable\tNum\tn1\t100\tNULL",
        "OldTable\tDROP\tNULL\tNULL\tNULL",
        "Pairs\tDELETE\tk1\t2\tNULL\tNULL",
        "Pairs\tINSERT\tk2\t1\tNULL\tNULL",
        "Pairs\tV\tk1\t1\tuno\tone",
        "Pairs\tV\tk2\t1\tdos\tNULL",
        "Property\tDELETE\tObsolete\tNULL\tNULL",
        "Property\tINSERT\tComments\tNULL\tNULL",
        "Property\tValue\tComments\tit's new\tNULL",
        "Property\tValue\tProductCode\t{33333333-3333-3333-3333-333333333333}\t{11111111-1111-1111-"
        "1111-111111111111}",
        "Property\tValue\tProductVersion\t1.1.0\t1.0.0",
        // Column 16 has no update bit: the row is replaced (delete, then add).
        // The view meets each record against the unchanged database, so the
        // add shows as an update of the row that is still there.
        "Wide\tC1\t1\t2\t1",
        "Wide\tC10\t1\tNULL\tNULL",
        "Wide\tC11\t1\tNULL\tNULL",
        "Wide\tC12\t1\tNULL\tNULL",
        "Wide\tC13\t1\tNULL\tNULL",
        "Wide\tC14\t1\tNULL\tNULL",
        "Wide\tC15\t1\tNULL\tNULL",
        "Wide\tC16\t1\t5\tNULL",
        "Wide\tC17\t1\tbefore\tbefore",
        "Wide\tC2\t1\tNULL\tNULL",
        "Wide\tC3\t1\tNULL\tNULL",
        "Wide\tC4\t1\tNULL\tNULL",
        "Wide\tC5\t1\tNULL\tNULL",
        "Wide\tC6\t1\tNULL\tNULL",
        "Wide\tC7\t1\tNULL\tNULL",
        "Wide\tC8\t1\tNULL\tNULL",
        "Wide\tC9\t1\tNULL\tNULL",
        "Wide\tDELETE\t1\tNULL\tNULL",
    };
    EXPECT_EQ(rows, expected);
    MsiCloseHandle(db);
}

TEST_F(GenerateTest, RefusesChangesATransformCannotHold) {
    const std::string retyped = (dir_.path() / "retyped.msi").string();
    ASSERT_EQ(MakePackage(retyped, {"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, "
                                    "`Value` LONG PRIMARY KEY `Property`)"}),
              ERROR_SUCCESS);
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(retyped.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseGenerateTransformA(db, base_db_, mst_.c_str(), 0, 0),
              ERROR_INSTALL_TRANSFORM_FAILURE);
    MsiCloseHandle(db);
}

// What the two packages do not differ in gives no transform: a table that
// lives only in this session, and a binary cell whose stream is missing on
// both sides (a damaged package and a copy of it).
TEST_F(GenerateTest, TemporaryTablesAndTheSameMissingStreamAreNoDifference) {
    MSIHANDLE base = BaseCopy("lost-base.msi"), changed = BaseCopy("lost-changed.msi");
    for (MSIHANDLE db : {base, changed}) {
        ASSERT_EQ(InsertBinary(db, "Lost", "bytes", dir_.path() / "lost"), ERROR_SUCCESS);
        ASSERT_EQ(Exec(db, {"DELETE FROM `_Streams` WHERE `Name` = 'Binary.Lost'"}), ERROR_SUCCESS);
    }
    ASSERT_EQ(Query(changed, "SELECT `Name` FROM `Binary` WHERE `Data` IS NOT NULL").size(), 3u)
        << "the cell still names its stream";
    ASSERT_EQ(Exec(changed, {"CREATE TABLE `Scratch` (`K` SHORT NOT NULL TEMPORARY PRIMARY KEY "
                             "`K`) HOLD",
                             "INSERT INTO `Scratch` (`K`) VALUES (1)"}),
              ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseGenerateTransformA(changed, base, nullptr, 0, 0), ERROR_NO_DATA);
    MsiCloseHandle(base);
    MsiCloseHandle(changed);
}

// Streams no binary cell owns travel by name: added, changed by their bytes
// (a longer one too, which has a piece beyond the first), deleted, and left
// out when the same. A name shaped like a row of a table without binary
// columns ("Items.a") is such a stream all the same.
TEST_F(GenerateTest, FreeStreamsTravelByNameAndBytes) {
    const std::string big_old(70000, 'o');
    std::string big_new = big_old;
    big_new.back() = 'n';
    const struct {
        const char* name;
        std::string before, after;  // "" for none
    } streams[] = {{"Same", "same", "same"}, {"Items.a", "old", "new"}, {"Big", big_old, big_new},
                   {"Gone", "gone", ""},     {"Added", "", "added"},    {"Grown", "1234", "12345"}};
    MSIHANDLE base = BaseCopy("streams-base.msi"), changed = BaseCopy("streams-changed.msi");
    const auto scratch = dir_.path() / "stream";
    for (const auto& stream : streams) {
        for (auto [db, bytes] : {std::pair{base, stream.before}, {changed, stream.after}}) {
            if (bytes.empty()) continue;
            testing_support::WriteFile(scratch, bytes);
            MSIHANDLE record = MsiCreateRecord(2);
            MsiRecordSetStringA(record, 1, stream.name);
            MsiRecordSetStreamA(record, 2, scratch.string().c_str());
            MSIHANDLE view = 0;
            ASSERT_EQ(MsiDatabaseOpenViewA(
                          db, "INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)", &view),
                      ERROR_SUCCESS);
            EXPECT_EQ(MsiViewExecute(view, record), ERROR_SUCCESS) << stream.name;
            MsiCloseHandle(view);
            MsiCloseHandle(record);
        }
    }
    // Only the streams differ: the tables are the base's on both sides.
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed, base, mst_.c_str(), 0, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseApplyTransformA(base, mst_.c_str(), 0), ERROR_SUCCESS);
    const char* sql = "SELECT `Name`, `Data` FROM `_Streams` ORDER BY `Name`";
    auto applied = Query(base, sql), wanted = Query(changed, sql);
    std::sort(applied.begin(), applied.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(applied, wanted);
    EXPECT_EQ(MsiDatabaseGenerateTransformA(changed, base, nullptr, 0, 0), ERROR_NO_DATA);
    MsiCloseHandle(base);
    MsiCloseHandle(changed);
}

// Imports a table `Broad` of `columns` columns with one row into `db`; the
// archive form is the only way to make a table wider than CREATE TABLE allows.
UINT ImportBroadTable(MSIHANDLE db, const std::filesystem::path& folder, size_t columns) {
    std::string names = "K", types = "s8", row = "k";
    for (size_t c = 1; c < columns; ++c) {
        names += "\tC" + std::to_string(c);
        types += "\tI2";
        row += "\t" + std::to_string(c);
    }
    testing_support::WriteFile(folder / "Broad.idt",
                               names + "\r\n" + types + "\r\nBroad\tK\r\n" + row + "\r\n");
    return MsiDatabaseImportA(db, folder.string().c_str(), "Broad.idt");
}

// The installer's tables hold at most 32 columns, and an add record counts
// columns in one byte: a transform that would carry a wider table is
// refused, naming it, and nothing is written. A wide table the two packages
// share unchanged carries nothing and stops nothing.
TEST_F(GenerateTest, RefusesToCarryATableWiderThanTheInstallerAllows) {
    struct Case {
        size_t columns;
        bool in_base;  // the same table is in the reference as well
        UINT expected;
    };
    for (const Case& c :
         {Case{33, false, UINT(ERROR_INSTALL_TRANSFORM_FAILURE)},
          Case{255, false, UINT(ERROR_INSTALL_TRANSFORM_FAILURE)},
          Case{32, false, UINT(ERROR_SUCCESS)}, Case{40, true, UINT(ERROR_NO_DATA)}}) {
        SCOPED_TRACE(std::to_string(c.columns) + (c.in_base ? " in both" : " added"));
        std::filesystem::remove(mst_);
        const auto folder = dir_.path() / ("broad" + std::to_string(c.columns));
        std::filesystem::create_directories(folder);
        const std::string wide = (folder / "wide.msi").string();
        const std::string reference = (folder / "reference.msi").string();
        ASSERT_EQ(MakePackage(wide, BaseStatements()), ERROR_SUCCESS);
        ASSERT_EQ(MakePackage(reference, BaseStatements()), ERROR_SUCCESS);
        MSIHANDLE w = 0, r = 0;
        ASSERT_EQ(MsiOpenDatabaseA(wide.c_str(), MSIDBOPEN_TRANSACT, &w), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(reference.c_str(), MSIDBOPEN_TRANSACT, &r), ERROR_SUCCESS);
        EXPECT_EQ(ImportBroadTable(w, folder, c.columns), ERROR_SUCCESS);
        if (c.in_base) {
            EXPECT_EQ(ImportBroadTable(r, folder, c.columns), ERROR_SUCCESS);
        }
        EXPECT_EQ(MsiDatabaseGenerateTransformA(w, r, mst_.c_str(), 0, 0), c.expected);
        if (c.expected == ERROR_INSTALL_TRANSFORM_FAILURE) {
            EXPECT_NE(msi::LastFailureText().find("table Broad has " + std::to_string(c.columns) +
                                                  " columns"),
                      std::string::npos)
                << msi::LastFailureText();
            EXPECT_FALSE(std::filesystem::exists(mst_));
        }
        MsiCloseHandle(w);
        MsiCloseHandle(r);
    }
}

// Imports _ForceCodepage into `db`, giving its pool `code_page`.
UINT ForceCodePage(MSIHANDLE db, const std::filesystem::path& folder, int code_page) {
    std::filesystem::create_directories(folder);
    testing_support::WriteFile(folder / "_ForceCodepage.idt",
                               "\r\n\r\n" + std::to_string(code_page) + "\t_ForceCodepage\r\n");
    return MsiDatabaseImportA(db, folder.string().c_str(), "_ForceCodepage.idt");
}

// Runs a statement with one string parameter.
UINT ExecWith(MSIHANDLE db, const char* sql, const std::string& value) {
    MSIHANDLE params = MsiCreateRecord(1);
    MsiRecordSetStringA(params, 1, value.c_str());
    MSIHANDLE view = 0;
    UINT rc = MsiDatabaseOpenViewA(db, sql, &view);
    if (rc == ERROR_SUCCESS) rc = MsiViewExecute(view, params);
    MsiCloseHandle(view);
    MsiCloseHandle(params);
    return rc;
}

// A view writes nothing, so text the package's code page has no form for
// (Hebrew in a 1252 package) is listed as it is, read in the transform's
// own code page; only an apply, which would store it, refuses.
TEST_F(GenerateTest, ViewListsTextThePackagesCodePageHasNoFormFor) {
    const std::string shalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
    const std::string alef = "\xD7\x90", bet = "\xD7\x91";
    MSIHANDLE reference = BaseCopy("latin.msi");
    MSIHANDLE changed = BaseCopy("hebrew.msi");
    ASSERT_EQ(ForceCodePage(reference, dir_.path() / "cp1252", 1252), ERROR_SUCCESS);
    ASSERT_EQ(ForceCodePage(changed, dir_.path() / "cp1255", 1255), ERROR_SUCCESS);
    ASSERT_EQ(ExecWith(changed, "UPDATE `Property` SET `Value` = ? WHERE `Property` = 'Obsolete'",
                       shalom),
              ERROR_SUCCESS);
    MSIHANDLE record = MsiCreateRecord(2);
    MsiRecordSetStringA(record, 1, alef.c_str());
    MsiRecordSetStringA(record, 2, bet.c_str());
    MSIHANDLE insert = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(
                  changed, "INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", &insert),
              ERROR_SUCCESS);
    EXPECT_EQ(MsiViewExecute(insert, record), ERROR_SUCCESS);
    MsiCloseHandle(insert);
    MsiCloseHandle(record);
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed, reference, mst_.c_str(), 0, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseApplyTransformA(reference, mst_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
              ERROR_SUCCESS);
    std::vector<std::string> rows = Query(reference, "SELECT * FROM `_TransformView`");
    std::sort(rows.begin(), rows.end());
    const std::vector<std::string> expected = {
        "Property\tINSERT\t" + alef + "\tNULL\tNULL",
        "Property\tValue\tObsolete\t" + shalom + "\tx",
        "Property\tValue\t" + alef + "\t" + bet + "\tNULL",
    };
    EXPECT_EQ(rows, expected);
    MsiCloseHandle(reference);
    MSIHANDLE latin = BaseCopy("latin-applied.msi");
    ASSERT_EQ(ForceCodePage(latin, dir_.path() / "cp1252", 1252), ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseApplyTransformA(latin, mst_.c_str(), MSITRANSFORM_ERROR_CHANGECODEPAGE),
              ERROR_INSTALL_TRANSFORM_FAILURE);
    EXPECT_EQ(Query(latin, "SELECT `Value` FROM `Property` WHERE `Property` = 'Obsolete'"),
              std::vector<std::string>{"x"});
    MsiCloseHandle(latin);
    MsiCloseHandle(changed);
}

// The bytes 1252 leaves undefined read as the C1 controls of the same value,
// as the installer reads them, and write back as those bytes: such a value
// is stored, read, exported, carried by a transform and listed by its view.
TEST_F(GenerateTest, BytesCodePage1252LeavesUndefinedAreControlsThatRoundTrip) {
    const std::string text = "a\xC2\x81z\xC2\x9D";  // a U+0081 z U+009D
    const auto folder = dir_.path() / "cp1252";
    MSIHANDLE reference = BaseCopy("reference1252.msi");
    MSIHANDLE changed = BaseCopy("changed1252.msi");
    for (MSIHANDLE db : {reference, changed})
        ASSERT_EQ(ForceCodePage(db, folder, 1252), ERROR_SUCCESS);
    ASSERT_EQ(
        ExecWith(changed, "UPDATE `Property` SET `Value` = ? WHERE `Property` = 'Obsolete'", text),
        ERROR_SUCCESS);
    EXPECT_EQ(Query(changed, "SELECT `Value` FROM `Property` WHERE `Property` = 'Obsolete'"),
              std::vector<std::string>{text});
    ASSERT_EQ(MsiDatabaseExportA(changed, "Property", folder.string().c_str(), "Property.idt"),
              ERROR_SUCCESS);
    EXPECT_NE(testing_support::ReadFile(folder / "Property.idt").find("Obsolete\ta\x81z\x9D\r\n"),
              std::string::npos);
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed, reference, mst_.c_str(), 0, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseApplyTransformA(reference, mst_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(reference, "SELECT * FROM `_TransformView`"),
              std::vector<std::string>{"Property\tValue\tObsolete\t" + text + "\tx"});
    MsiCloseHandle(reference);
    MsiCloseHandle(changed);
}

std::string SummaryString(MSIHANDLE info, UINT pid) {
    UINT type = 0;
    INT value = 0;
    FILETIME time{};
    char text[512] = {};
    DWORD size = sizeof text;
    if (MsiSummaryInfoGetPropertyA(info, pid, &type, &value, &time, text, &size) != ERROR_SUCCESS)
        return "<error>";
    return type == VT_LPSTR ? std::string(text, size) : std::to_string(value);
}

TEST_F(GenerateTest, SummaryInformationNamesBothProducts) {
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, mst_.c_str(), 0, 0),
              ERROR_SUCCESS);
    ASSERT_EQ(MsiCreateTransformSummaryInfoA(changed_db_, base_db_, mst_.c_str(),
                                             MSITRANSFORM_ERROR_ADDEXISTINGROW,
                                             MSITRANSFORM_VALIDATE_PRODUCT),
              ERROR_SUCCESS);
    MSIHANDLE info = 0;
    ASSERT_EQ(MsiGetSummaryInformationA(0, mst_.c_str(), 0, &info), ERROR_SUCCESS);
    EXPECT_EQ(
        SummaryString(info, 9),
        "{11111111-1111-1111-1111-111111111111}1.0.0;{33333333-3333-3333-3333-333333333333}1.1.0;"
        "{22222222-2222-2222-2222-222222222222}");
    EXPECT_EQ(SummaryString(info, 16), std::to_string((MSITRANSFORM_VALIDATE_PRODUCT << 16) | 1));
    MsiCloseHandle(info);
    // The transform still applies with its summary in place.
    MSIHANDLE db = BaseCopy("applied.msi");
    EXPECT_EQ(MsiDatabaseApplyTransformA(db, mst_.c_str(), 0), ERROR_SUCCESS);
    MsiCloseHandle(db);
    // A database without ProductCode cannot describe a transform.
    const std::string bare = (dir_.path() / "bare.msi").string();
    ASSERT_EQ(MakePackage(bare, {"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, "
                                 "`Value` CHAR(0) PRIMARY KEY `Property`)"}),
              ERROR_SUCCESS);
    MSIHANDLE bare_db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(bare.c_str(), MSIDBOPEN_READONLY, &bare_db), ERROR_SUCCESS);
    EXPECT_EQ(MsiCreateTransformSummaryInfoA(changed_db_, bare_db, mst_.c_str(), 0, 0),
              ERROR_INSTALL_PACKAGE_INVALID);
    MsiCloseHandle(bare_db);
}

// The oracle applies our transform and ends with the changed database's
// tables, except its known fault: a dropped table keeps its rows there.
TEST_F(GenerateTest, OracleAppliesOurTransform) {
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, mst_.c_str(), 0, 0),
              ERROR_SUCCESS);
    const std::string out = (dir_.path() / "oracle.msi").string();
    bool ok = false;
    RunOracle({"applytransform", base_, mst_, out}, ok);
    ASSERT_TRUE(ok);
    for (const char* table : {"Property", "Items", "Pairs", "NewTable", "Wide"}) {
        const std::string sql = std::string("SELECT * FROM `") + table + "`";
        auto ours = Query(changed_db_, sql);
        auto theirs = OracleRows(RunOracle({"query", out, sql}, ok));
        ASSERT_TRUE(ok) << table;
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(ours, theirs) << table;
    }
}

// The oracle's view of our transform has the same rows as ours but one: it
// loses the row whose value holds a single quote (it fills _TransformView
// through SQL text with the values quoted inside, and that statement fails).
TEST_F(GenerateTest, OracleViewsOurTransformAsWeDo) {
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_EQ(MsiDatabaseGenerateTransformA(changed_db_, base_db_, mst_.c_str(), 0, 0),
              ERROR_SUCCESS);
    MSIHANDLE db = BaseCopy("viewed.msi");
    ASSERT_EQ(MsiDatabaseApplyTransformA(db, mst_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
              ERROR_SUCCESS);
    auto ours = Query(db, "SELECT * FROM `_TransformView`");
    MsiCloseHandle(db);
    bool ok = false;
    auto theirs = OracleRows(RunOracle({"viewtransform", base_, mst_}, ok));
    ASSERT_TRUE(ok);
    const RowDifference diff = Compare(ours, theirs);
    EXPECT_EQ(diff.only_theirs, std::vector<std::string>{});
    EXPECT_EQ(diff.only_ours,
              std::vector<std::string>{"Property\tValue\tComments\tit's new\tNULL"});
}

}  // namespace
}  // namespace msi::transform::test
