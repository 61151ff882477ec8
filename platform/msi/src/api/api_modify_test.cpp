// MsiViewModify the way programs edit through views: views of some of a
// table's columns, joins, key columns, nullable keys and _Streams.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

class ModifyApi : public ::testing::Test {
  protected:
    void SetUp() override {
        baseline_ = msi::OpenHandleCount();
        path_ = (dir_.path() / "modify.msi").string();
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, &db_), ERROR_SUCCESS);
        Exec(
            "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL, "
            "`Note` CHAR(20) PRIMARY KEY `Property`)");
        Exec("INSERT INTO `Property` (`Property`, `Value`, `Note`) VALUES ('A', '1', 'first')");
        Exec("INSERT INTO `Property` (`Property`, `Value`) VALUES ('B', '2')");
    }
    void TearDown() override {
        for (MSIHANDLE h : handles_) MsiCloseHandle(h);
        if (db_) {
            EXPECT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
        }
        EXPECT_EQ(msi::OpenHandleCount(), baseline_) << "a handle was left open";
    }

    UINT Exec(const std::string& sql, MSIHANDLE params = 0) {
        MSIHANDLE view = 0;
        UINT r = MsiDatabaseOpenViewA(db_, sql.c_str(), &view);
        if (r == ERROR_SUCCESS) r = MsiViewExecute(view, params);
        MsiCloseHandle(view);
        return r;
    }
    // An executed view, closed at the end of the test.
    MSIHANDLE View(const std::string& sql) {
        MSIHANDLE view = 0;
        EXPECT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS) << sql;
        return Keep(view);
    }
    MSIHANDLE Fetch(MSIHANDLE view) {
        MSIHANDLE rec = 0;
        EXPECT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
        return Keep(rec);
    }
    MSIHANDLE Record(const std::vector<std::string>& fields) {
        MSIHANDLE rec = MsiCreateRecord(static_cast<UINT>(fields.size()));
        for (size_t i = 0; i < fields.size(); ++i)
            MsiRecordSetStringA(rec, static_cast<UINT>(i + 1), fields[i].c_str());
        return Keep(rec);
    }
    MSIHANDLE Keep(MSIHANDLE h) {
        handles_.push_back(h);
        return h;
    }
    static std::string Text(MSIHANDLE rec, UINT field) {
        char buf[256];
        DWORD size = sizeof buf;
        if (MsiRecordGetStringA(rec, field, buf, &size) != ERROR_SUCCESS) return "<error>";
        return buf;
    }
    // Every row of a query, fields joined by '|', null as "~".
    std::vector<std::string> Rows(const std::string& sql) {
        std::vector<std::string> rows;
        MSIHANDLE view = View(sql), rec = 0;
        while (MsiViewFetch(view, &rec) == ERROR_SUCCESS) {
            std::string line;
            for (UINT i = 1; i <= MsiRecordGetFieldCount(rec); ++i)
                line += (i > 1 ? "|" : "") + (MsiRecordIsNull(rec, i) ? "~" : Text(rec, i));
            rows.push_back(line);
            MsiCloseHandle(rec);
        }
        return rows;
    }

    testing_support::TempDir dir_;
    std::string path_;
    MSIHANDLE db_ = 0;
    size_t baseline_ = 0;
    std::vector<MSIHANDLE> handles_;
};

TEST_F(ModifyApi, ViewOfOneColumnUpdatesAndRefreshesThatCellOnly) {
    MSIHANDLE view = View("SELECT `Value` FROM `Property` WHERE `Property` = 'A'");
    MSIHANDLE rec = Fetch(view);
    EXPECT_EQ(Text(rec, 1), "1");
    MsiRecordSetStringA(rec, 1, "changed");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT * FROM `Property`"),
              (std::vector<std::string>{"A|changed|first", "B|2|~"}));
    MsiRecordSetStringA(rec, 1, "scribbled");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REFRESH, rec), ERROR_SUCCESS);
    EXPECT_EQ(Text(rec, 1), "changed");
    // A column that takes no null keeps refusing one.
    MsiRecordSetStringA(rec, 1, "");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_DELETE, rec), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT `Property` FROM `Property`"), (std::vector<std::string>{"B"}));
}

TEST_F(ModifyApi, RowsMadeFromAPartialViewGetNullInTheColumnsItLeavesOut) {
    MSIHANDLE view = View("SELECT `Note`, `Property`, `Value` FROM `Property`");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"n", "C", "3"})), ERROR_SUCCESS);

    view = View("SELECT `Property`, `Value` FROM `Property`");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"D", "4"})), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT_TEMPORARY, Record({"E", "5"})), ERROR_SUCCESS);
    // A record that made a row names it, as a fetched one does.
    MSIHANDLE assigned = Record({"F", "0"});
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_ASSIGN, assigned), ERROR_SUCCESS);
    MsiRecordSetStringA(assigned, 2, "6");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, assigned), ERROR_SUCCESS);
    // ASSIGN of an existing key changes what the view shows and keeps the
    // rest; the record names that row then.
    MSIHANDLE existing = Record({"A", "10"});
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_ASSIGN, existing), ERROR_SUCCESS);
    MsiRecordSetStringA(existing, 2, "11");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, existing), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_MERGE, Record({"G", "7"})), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_MERGE, Record({"G", "7"})), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_MERGE, Record({"G", "8"})), ERROR_FUNCTION_FAILED);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"D", "9"})), ERROR_FUNCTION_FAILED);
    EXPECT_EQ(Rows("SELECT * FROM `Property`"),
              (std::vector<std::string>{"A|11|first", "B|2|~", "C|3|n", "D|4|~", "E|5|~", "F|6|~",
                                        "G|7|~"}));
    // The temporary row is not saved.
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT `Property` FROM `Property` WHERE `Note` IS NULL").size(), 4u);
}

// Each mode that makes or moves a row, alone between two commits of a
// package that exists: the commit must know that there is something to save.
TEST_F(ModifyApi, EachModeThatMakesOrMovesARowIsSavedByTheNextCommit) {
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    const struct {
        MSIMODIFY mode;
        std::vector<std::string> fields;
    } steps[] = {{MSIMODIFY_INSERT, {"C", "3"}},
                 {MSIMODIFY_ASSIGN, {"D", "4"}},
                 {MSIMODIFY_MERGE, {"E", "5"}},
                 {MSIMODIFY_REPLACE, {"A2", "1"}}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.mode);
        ASSERT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_TRANSACT, &db_), ERROR_SUCCESS);
        MSIHANDLE view = View("SELECT `Property`, `Value` FROM `Property` WHERE `Property` = 'A'");
        MSIHANDLE rec = Record(step.fields);
        if (step.mode == MSIMODIFY_REPLACE) {
            rec = Fetch(view);
            MsiRecordSetStringA(rec, 1, step.fields[0].c_str());
        }
        EXPECT_EQ(MsiViewModify(view, step.mode, rec), ERROR_SUCCESS);
        EXPECT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    }
    ASSERT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT * FROM `Property`"),
              (std::vector<std::string>{"B|2|~", "C|3|~", "D|4|~", "E|5|~", "A2|1|first"}));
}

// Temporary rows are never saved, so moving one to a new key leaves nothing
// for a commit to write: the file stays the one it was.
TEST_F(ModifyApi, MovingATemporaryRowGivesACommitNothingToWrite) {
    MSIHANDLE view = View("SELECT `Property`, `Value` FROM `Property`");
    ASSERT_EQ(MsiViewModify(view, MSIMODIFY_INSERT_TEMPORARY, Record({"T", "9"})), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    struct stat before {};
    ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    view = View("SELECT `Property`, `Value` FROM `Property` WHERE `Property` = 'T'");
    MSIHANDLE rec = Fetch(view);
    MsiRecordSetStringA(rec, 1, "T2");
    ASSERT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, rec), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    struct stat after {};
    ASSERT_EQ(::stat(path_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Rows("SELECT `Property` FROM `Property`"),
              (std::vector<std::string>{"A", "B", "T2"}));
}

TEST_F(ModifyApi, APartialViewCannotMakeARowWithoutItsKeyOrARequiredColumn) {
    // No key in the view.
    MSIHANDLE view = View("SELECT `Value` FROM `Property`");
    MSIHANDLE rec = Record({"v"});
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT_TEMPORARY, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_ASSIGN, rec), ERROR_FUNCTION_FAILED);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_MERGE, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_SEEK, rec), ERROR_FUNCTION_FAILED);
    // Value takes no null and the view leaves it out.
    view = View("SELECT `Property`, `Note` FROM `Property`");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"H", "n"})), ERROR_INVALID_DATA);
    // A record with fewer fields than the view has columns.
    view = View("SELECT * FROM `Property`");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"H", "n"})), ERROR_INVALID_DATA);
    EXPECT_EQ(Rows("SELECT `Property` FROM `Property`"), (std::vector<std::string>{"A", "B"}));
}

// T's key is (A, B) and A takes null: a view without A makes rows with A null
// in every mode that makes rows; a view without B (no null) makes none.
TEST_F(ModifyApi, AViewWithoutANullableKeyColumnMakesRowsWithItNull) {
    Exec(
        "CREATE TABLE `T` (`A` CHAR(8), `B` CHAR(8) NOT NULL, `C` CHAR(8), `D` INT "
        "PRIMARY KEY `A`, `B`)");
    Exec("INSERT INTO `T` (`A`, `B`, `C`, `D`) VALUES ('a', 'k', 'c0', 1)");
    const struct {
        const char* query;
        MSIMODIFY mode;
        std::vector<std::string> fields;
        UINT result;
    } steps[] = {
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_INSERT, {"k", "c1"}, ERROR_SUCCESS},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_INSERT, {"k", "c9"}, ERROR_FUNCTION_FAILED},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_INSERT_TEMPORARY, {"t", "c2"}, ERROR_SUCCESS},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_ASSIGN, {"s", "c3"}, ERROR_SUCCESS},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_ASSIGN, {"k", "c4"}, ERROR_SUCCESS},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_MERGE, {"m", "c5"}, ERROR_SUCCESS},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_MERGE, {"m", "c5"}, ERROR_SUCCESS},
        {"SELECT `B`, `C` FROM `T`", MSIMODIFY_MERGE, {"m", "other"}, ERROR_FUNCTION_FAILED},
        // B takes no null: a view without it names no row.
        {"SELECT `A`, `C` FROM `T`", MSIMODIFY_INSERT, {"z", "c6"}, ERROR_INVALID_DATA},
        {"SELECT `A`, `C` FROM `T`", MSIMODIFY_INSERT_TEMPORARY, {"z", "c6"}, ERROR_INVALID_DATA},
        {"SELECT `A`, `C` FROM `T`", MSIMODIFY_ASSIGN, {"z", "c6"}, ERROR_FUNCTION_FAILED},
        {"SELECT `A`, `C` FROM `T`", MSIMODIFY_MERGE, {"z", "c6"}, ERROR_INVALID_DATA},
    };
    for (const auto& step : steps) {
        MSIHANDLE view = View(step.query);
        EXPECT_EQ(MsiViewModify(view, step.mode, Record(step.fields)), step.result)
            << step.query << " mode " << step.mode << " " << step.fields[0];
    }
    EXPECT_EQ(
        Rows("SELECT * FROM `T`"),
        (std::vector<std::string>{"~|k|c4|~", "~|t|c2|~", "~|s|c3|~", "~|m|c5|~", "a|k|c0|1"}));
}

TEST_F(ModifyApi, ConstantColumnsOfAViewAreNotWritten) {
    MSIHANDLE view = View("SELECT 'tag', `Value`, `Property` FROM `Property`");
    MSIHANDLE rec = Fetch(view);
    EXPECT_EQ(Text(rec, 1), "tag");
    MsiRecordSetStringA(rec, 1, "ignored");
    MsiRecordSetStringA(rec, 2, "new");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"x", "5", "K"})), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT `Property`, `Value` FROM `Property`"),
              (std::vector<std::string>{"A|new", "B|2", "K|5"}));
}

TEST_F(ModifyApi, UpdateThatWouldChangeAKeyFails) {
    MSIHANDLE view = View("SELECT * FROM `Property`");
    MSIHANDLE rec = Fetch(view);
    MsiRecordSetStringA(rec, 1, "Z");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_FUNCTION_FAILED);
    // Nothing changed, the other fields neither.
    MsiRecordSetStringA(rec, 1, "A");
    MsiRecordSetStringA(rec, 2, "ok");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT `Property`, `Value` FROM `Property`"),
              (std::vector<std::string>{"A|ok", "B|2"}));
}

TEST_F(ModifyApi, AJoinRefreshesAndUpdatesNonKeyColumnsAndRefusesTheRest) {
    Exec("CREATE TABLE `Two` (`C` INT NOT NULL, `D` CHAR(10), `E` CHAR(72) PRIMARY KEY `C`)");
    Exec("INSERT INTO `Two` (`C`, `D`, `E`) VALUES (10, 'ten', 'A')");
    Exec("INSERT INTO `Two` (`C`, `D`, `E`) VALUES (20, 'twenty', 'B')");
    MSIHANDLE view =
        View("SELECT `Property`, `Note`, `C`, `D` FROM `Property`, `Two` WHERE `Property` = `E`");
    MSIHANDLE rec = Fetch(view);
    EXPECT_EQ(Text(rec, 1) + Text(rec, 4), "Aten");
    MsiRecordSetStringA(rec, 2, "NOTE");
    MsiRecordSetStringA(rec, 4, "TEN");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    MsiRecordSetStringA(rec, 4, "scribbled");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REFRESH, rec), ERROR_SUCCESS);
    EXPECT_EQ(Text(rec, 4), "TEN");
    EXPECT_EQ(Rows("SELECT `Note` FROM `Property` WHERE `Property` = 'A'"),
              (std::vector<std::string>{"NOTE"}));
    EXPECT_EQ(Rows("SELECT `D` FROM `Two`"), (std::vector<std::string>{"TEN", "twenty"}));
    // A key of either table stays as it is.
    MsiRecordSetInteger(rec, 3, 99);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_FUNCTION_FAILED);
    MsiRecordSetInteger(rec, 3, 10);
    for (MSIMODIFY mode :
         {MSIMODIFY_SEEK, MSIMODIFY_INSERT, MSIMODIFY_ASSIGN, MSIMODIFY_REPLACE, MSIMODIFY_MERGE,
          MSIMODIFY_DELETE, MSIMODIFY_INSERT_TEMPORARY, MSIMODIFY_VALIDATE, MSIMODIFY_VALIDATE_NEW,
          MSIMODIFY_VALIDATE_FIELD, MSIMODIFY_VALIDATE_DELETE})
        EXPECT_EQ(MsiViewModify(view, mode, rec), ERROR_FUNCTION_FAILED) << mode;
    EXPECT_EQ(Rows("SELECT `C` FROM `Two`"), (std::vector<std::string>{"10", "20"}));
}

// Rows put into the catalog views would be lost: they are refused.
TEST_F(ModifyApi, CatalogTablesTakeNoRowsThroughAView) {
    MSIHANDLE view = View("SELECT * FROM `_Tables`");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, Record({"Fake"})), ERROR_FUNCTION_FAILED);
    MSIHANDLE rec = Fetch(view);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_DELETE, rec), ERROR_FUNCTION_FAILED);
    EXPECT_EQ(Rows("SELECT * FROM `_Tables`"), (std::vector<std::string>{"Property"}));
}

// REPLACE through a view of some columns and a constant: the columns the view
// leaves out move with the row, a binary one's stream too, and the record
// names the moved row afterwards.
TEST_F(ModifyApi, ReplaceOfAFetchedRecordMovesTheRowToItsNewKey) {
    MSIHANDLE view =
        View("SELECT `Property`, `Value`, 'tag' FROM `Property` WHERE `Property` = 'A'");
    MSIHANDLE rec = Fetch(view);
    MsiRecordSetStringA(rec, 2, "same key");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, rec), ERROR_SUCCESS);
    MsiRecordSetStringA(rec, 1, "B");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, rec), ERROR_FUNCTION_FAILED);  // B exists
    // Value takes no null, under a new key as under the old one.
    MsiRecordSetStringA(rec, 1, "A2");
    MsiRecordSetStringA(rec, 2, "");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, rec), ERROR_INVALID_DATA);
    MsiRecordSetStringA(rec, 2, "same key");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, rec), ERROR_SUCCESS);
    MsiRecordSetStringA(rec, 2, "updated");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT * FROM `Property`"),
              (std::vector<std::string>{"B|2|~", "A2|updated|first"}));
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, Record({"X", "y", "t"})),
              ERROR_FUNCTION_FAILED);

    ASSERT_EQ(Exec("CREATE TABLE `Bin` (`Name` CHAR(32) NOT NULL, `Data` OBJECT PRIMARY KEY "
                   "`Name`)"),
              ERROR_SUCCESS);
    testing_support::WriteFile(dir_.path() / "icon.bin", "icon bytes");
    MSIHANDLE params = Record({"old", ""});
    ASSERT_EQ(MsiRecordSetStreamA(params, 2, (dir_.path() / "icon.bin").c_str()), ERROR_SUCCESS);
    ASSERT_EQ(Exec("INSERT INTO `Bin` (`Name`, `Data`) VALUES (?, ?)", params), ERROR_SUCCESS);
    view = View("SELECT `Name` FROM `Bin`");
    rec = Fetch(view);
    MsiRecordSetStringA(rec, 1, "new");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REPLACE, rec), ERROR_SUCCESS);
    rec = Fetch(View("SELECT `Name`, `Data` FROM `Bin`"));
    EXPECT_EQ(Text(rec, 1), "new");
    char bytes[32];
    DWORD size = sizeof bytes;
    ASSERT_EQ(MsiRecordReadStream(rec, 2, bytes, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(bytes, size), "icon bytes");
    EXPECT_EQ(Rows("SELECT `Name` FROM `_Streams`"), (std::vector<std::string>{"Bin.new"}));
}

TEST_F(ModifyApi, NullableKeysTakeNullLikeAnyColumn) {
    ASSERT_EQ(Exec("CREATE TABLE `Nk` (`K` CHAR(10), `L` INT, `V` INT PRIMARY KEY `K`, `L`)"),
              ERROR_SUCCESS);
    EXPECT_EQ(Exec("INSERT INTO `Nk` (`K`, `L`, `V`) VALUES ('', 1, 1)"), ERROR_SUCCESS);
    EXPECT_EQ(Exec("INSERT INTO `Nk` (`V`) VALUES (2)"), ERROR_SUCCESS);  // both keys left out
    EXPECT_EQ(Exec("INSERT INTO `Nk` (`K`, `V`) VALUES ('x', 3)"), ERROR_SUCCESS);
    EXPECT_EQ(Exec("INSERT INTO `Nk` (`L`, `V`) VALUES (NULL, 4)"), ERROR_FUNCTION_FAILED);
    MSIHANDLE view = View("SELECT * FROM `Nk`");
    MSIHANDLE rec = MsiCreateRecord(3);
    Keep(rec);
    MsiRecordSetInteger(rec, 3, 5);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, rec), ERROR_FUNCTION_FAILED);  // taken
    MsiRecordSetInteger(rec, 2, 7);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, rec), ERROR_SUCCESS);
    MSIHANDLE seek = MsiCreateRecord(3);
    Keep(seek);
    MsiRecordSetInteger(seek, 2, 7);
    ASSERT_EQ(MsiViewModify(view, MSIMODIFY_SEEK, seek), ERROR_SUCCESS);
    EXPECT_EQ(MsiRecordGetInteger(seek, 3), 5);
    // The record found names its row, as a fetched one does.
    MsiRecordSetInteger(seek, 3, 6);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, seek), ERROR_SUCCESS);
    // A view without K cannot seek, not even the rows whose K is null.
    MSIHANDLE partial = MsiCreateRecord(2);
    Keep(partial);
    MsiRecordSetInteger(partial, 1, 1);
    EXPECT_EQ(MsiViewModify(View("SELECT `L`, `V` FROM `Nk`"), MSIMODIFY_SEEK, partial),
              ERROR_FUNCTION_FAILED);
    MsiRecordSetInteger(seek, 2, 8);  // no such row
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_SEEK, seek), ERROR_FUNCTION_FAILED);
    // Null keys sort first, as the installer stores them.
    const std::vector<std::string> rows = {"~|~|2", "~|1|1", "~|7|6", "x|~|3"};
    EXPECT_EQ(Rows("SELECT * FROM `Nk`"), rows);

    // They commit, read back and export like other rows.
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT * FROM `Nk`"), rows);
    ASSERT_EQ(MsiDatabaseExportA(db_, "Nk", dir_.str().c_str(), "Nk.idt"), ERROR_SUCCESS);
    EXPECT_EQ(testing_support::ReadFile(dir_.path() / "Nk.idt"),
              "K\tL\tV\r\nS10\tI2\tI2\r\nNk\tK\tL\r\n\t\t2\r\n\t1\t1\r\n\t7\t6\r\nx\t\t3\r\n");

    // A transform carries them: generated against a copy without them and
    // applied there, it gives the same rows.
    const std::string other = (dir_.path() / "other.msi").string();
    MSIHANDLE reference = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), other.c_str(), &reference), ERROR_SUCCESS);
    MSIHANDLE del = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(reference, "DELETE FROM `Nk` WHERE `K` IS NULL", &del),
              ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(del, 0), ERROR_SUCCESS);
    MsiCloseHandle(del);
    ASSERT_EQ(MsiDatabaseCommit(reference), ERROR_SUCCESS);
    const std::string mst = (dir_.path() / "nk.mst").string();
    ASSERT_EQ(MsiDatabaseGenerateTransformA(db_, reference, mst.c_str(), 0, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseApplyTransformA(reference, mst.c_str(), 0), ERROR_SUCCESS);
    std::swap(db_, reference);
    EXPECT_EQ(Rows("SELECT * FROM `Nk`"), rows);
    MsiCloseHandle(reference);
}

TEST_F(ModifyApi, StreamsAreReplacedByUpdateAndGoneForRecordsAfterADelete) {
    auto stream_record = [&](const std::string& name, const std::string& bytes) {
        const auto file = dir_.path() / (name + ".bin");
        testing_support::WriteFile(file, bytes);
        MSIHANDLE rec = Record({name, ""});
        EXPECT_EQ(MsiRecordSetStreamA(rec, 2, file.c_str()), ERROR_SUCCESS);
        return rec;
    };
    auto read = [](MSIHANDLE rec, UINT field) {
        char buf[64];
        DWORD size = sizeof buf;
        if (MsiRecordReadStream(rec, field, buf, &size) != ERROR_SUCCESS)
            return std::string("<error>");
        return std::string(buf, size);
    };
    ASSERT_EQ(Exec("INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)",
                   stream_record("data1", "hello world")),
              ERROR_SUCCESS);
    // An UPDATE statement with a stream parameter replaces the bytes.
    MSIHANDLE params = MsiCreateRecord(1);
    Keep(params);
    testing_support::WriteFile(dir_.path() / "new.bin", "replaced");
    ASSERT_EQ(MsiRecordSetStreamA(params, 1, (dir_.path() / "new.bin").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(Exec("UPDATE `_Streams` SET `Data` = ? WHERE `Name` = 'data1'", params),
              ERROR_SUCCESS);
    MSIHANDLE view = View("SELECT `Name`, `Data` FROM `_Streams` WHERE `Name` = 'data1'");
    MSIHANDLE rec = Fetch(view);
    EXPECT_EQ(read(rec, 2), "replaced");
    // So does MSIMODIFY_UPDATE of a fetched record.
    testing_support::WriteFile(dir_.path() / "third.bin", "third bytes");
    ASSERT_EQ(MsiRecordSetStreamA(rec, 2, (dir_.path() / "third.bin").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    view = View("SELECT `Data` FROM `_Streams` WHERE `Name` = 'data1'");
    MSIHANDLE fetched = Fetch(view);
    EXPECT_EQ(read(fetched, 1), "third bytes");
    // A record fetched before its stream was deleted reads nothing.
    ASSERT_EQ(Exec("DELETE FROM `_Streams` WHERE `Name` = 'data1'"), ERROR_SUCCESS);
    DWORD size = 99;
    EXPECT_EQ(MsiRecordReadStream(fetched, 1, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(read(fetched, 1), "");
    EXPECT_TRUE(Rows("SELECT `Name` FROM `_Streams`").empty());
}

}  // namespace
