// Views through the interface: SQL statements, fetching, column information,
// MsiViewModify, _Streams, and handle bookkeeping.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

std::string GetString(MSIHANDLE rec, UINT field) {
    DWORD size = 0;
    char empty[1];
    if (MsiRecordGetStringA(rec, field, empty, &size) != ERROR_MORE_DATA) return "";
    std::string out(size + 1, '\0');
    ++size;
    MsiRecordGetStringA(rec, field, out.data(), &size);
    out.resize(size);
    return out;
}

class ViewApi : public ::testing::Test {
  protected:
    void SetUp() override {
        baseline_ = msi::OpenHandleCount();
        path_ = (dir_.path() / "test.msi").string();
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, &db_), ERROR_SUCCESS);
        Exec(
            "CREATE TABLE `Items` (`Name` CHAR(32) NOT NULL, `Count` SHORT, `Note` LONGCHAR "
            "PRIMARY KEY `Name`)");
        Exec("INSERT INTO `Items` (`Name`, `Count`, `Note`) VALUES ('zeta', 3, 'last')");
        Exec("INSERT INTO `Items` (`Name`, `Count`) VALUES ('alpha', 1)");
        MSIHANDLE params = MsiCreateRecord(2);
        MsiRecordSetStringA(params, 1, "mid");
        MsiRecordSetInteger(params, 2, 2);
        Exec("INSERT INTO `Items` (`Name`, `Count`) VALUES (?, ?)", params);
        MsiCloseHandle(params);
    }
    void TearDown() override {
        if (db_) {
            EXPECT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
        }
        EXPECT_EQ(msi::OpenHandleCount(), baseline_) << "a handle was left open";
    }

    void Exec(const std::string& sql, MSIHANDLE params = 0, UINT expected = ERROR_SUCCESS) {
        MSIHANDLE view = 0;
        ASSERT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, params), expected) << sql;
        MsiCloseHandle(view);
    }

    // Every row of a query as tab-joined field texts.
    std::vector<std::string> Query(const std::string& sql, MSIHANDLE db = 0) {
        std::vector<std::string> rows;
        MSIHANDLE view = 0;
        EXPECT_EQ(MsiDatabaseOpenViewA(db ? db : db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        MSIHANDLE rec = 0;
        UINT rc;
        while ((rc = MsiViewFetch(view, &rec)) == ERROR_SUCCESS) {
            std::string line;
            for (UINT i = 1; i <= MsiRecordGetFieldCount(rec); ++i) {
                if (i > 1) line += '\t';
                line += GetString(rec, i);
            }
            rows.push_back(line);
            MsiCloseHandle(rec);
        }
        EXPECT_EQ(rc, static_cast<UINT>(ERROR_NO_MORE_ITEMS));
        EXPECT_EQ(rec, 0u);
        MsiCloseHandle(view);
        return rows;
    }

    testing_support::TempDir dir_;
    std::string path_;
    MSIHANDLE db_ = 0;
    size_t baseline_ = 0;
};

TEST_F(ViewApi, SelectReturnsRowsInStoredKeyOrderAndEndsWithNoMoreItems) {
    // String keys sort by string id (insertion order here), not by text.
    EXPECT_EQ(Query("SELECT * FROM `Items`"),
              (std::vector<std::string>{"zeta\t3\tlast", "alpha\t1\t", "mid\t2\t"}));
    EXPECT_EQ(Query("SELECT `Name` FROM `Items` WHERE `Count` >= 2 ORDER BY `Count`"),
              (std::vector<std::string>{"mid", "zeta"}));
    EXPECT_EQ(Query("SELECT `Name` FROM `Items` WHERE `Note` IS NULL"),
              (std::vector<std::string>{"alpha", "mid"}));
}

TEST_F(ViewApi, FetchAfterTheEndStartsOverAndReExecuteWorks) {
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT `Name` FROM `Items` WHERE `Name` = ?", &view),
              ERROR_SUCCESS);
    EXPECT_EQ(MsiViewFetch(view, &rec), ERROR_FUNCTION_FAILED);  // not executed yet
    MSIHANDLE params = MsiCreateRecord(1);
    MsiRecordSetStringA(params, 1, "alpha");
    ASSERT_EQ(MsiViewExecute(view, params), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_EQ(GetString(rec, 1), "alpha");
    MsiCloseHandle(rec);
    EXPECT_EQ(MsiViewFetch(view, &rec), ERROR_NO_MORE_ITEMS);
    MsiRecordSetStringA(params, 1, "mid");
    ASSERT_EQ(MsiViewExecute(view, params), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_EQ(GetString(rec, 1), "mid");
    MsiCloseHandle(rec);
    EXPECT_EQ(MsiViewClose(view), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewFetch(view, nullptr), ERROR_INVALID_PARAMETER);
    MsiCloseHandle(params);
    MsiCloseHandle(view);
}

// A view fills its last record again only once the caller has closed it:
// records the caller still holds keep the rows they were fetched with.
TEST_F(ViewApi, RecordsTheCallerStillHoldsKeepTheirRows) {
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT `Name`, `Note` FROM `Items`", &view),
              ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    std::vector<MSIHANDLE> held;
    while (MsiViewFetch(view, &rec) == ERROR_SUCCESS) held.push_back(rec);
    std::vector<std::string> rows;
    for (MSIHANDLE record : held) {
        rows.push_back(GetString(record, 1) + "\t" + GetString(record, 2));
        MsiCloseHandle(record);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"zeta\tlast", "alpha\t", "mid\t"}));
    MsiCloseHandle(view);
}

// The installer puts a non-zero integer in field 0 of each fetched row;
// column information records leave it null.
TEST_F(ViewApi, FetchedRowsCarryANonZeroFieldZero) {
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT `Name` FROM `Items`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_FALSE(MsiRecordIsNull(rec, 0));
    EXPECT_NE(MsiRecordGetInteger(rec, 0), 0);
    EXPECT_NE(MsiRecordGetInteger(rec, 0), static_cast<int>(MSI_NULL_INTEGER));
    MsiCloseHandle(rec);
    ASSERT_EQ(MsiViewGetColumnInfo(view, MSICOLINFO_NAMES, &rec), ERROR_SUCCESS);
    EXPECT_TRUE(MsiRecordIsNull(rec, 0));
    MsiCloseHandle(rec);
    MsiCloseHandle(view);
}

TEST_F(ViewApi, ColumnInfoGivesNamesAndTypeStrings) {
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Items`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewGetColumnInfo(view, MSICOLINFO_NAMES, &rec), ERROR_SUCCESS);
    EXPECT_EQ(GetString(rec, 1) + "," + GetString(rec, 2) + "," + GetString(rec, 3),
              "Name,Count,Note");
    MsiCloseHandle(rec);
    ASSERT_EQ(MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, &rec), ERROR_SUCCESS);
    EXPECT_EQ(GetString(rec, 1) + "," + GetString(rec, 2) + "," + GetString(rec, 3), "s32,I2,S0");
    MsiCloseHandle(rec);
    EXPECT_EQ(MsiViewGetColumnInfo(view, static_cast<MSICOLINFO>(7), &rec),
              ERROR_INVALID_PARAMETER);
    MsiCloseHandle(view);
}

TEST_F(ViewApi, BadQueriesAreSyntaxErrors) {
    MSIHANDLE view = 0;
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, "SELEKT * FROM Items", &view), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Nope`", &view), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, "SELECT `Nope` FROM `Items`", &view),
              ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, nullptr, &view), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Items`", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiDatabaseOpenViewA(db_ + 1000, "SELECT * FROM `Items`", &view),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(view, 0u);
}

// A back quote that is not closed: the installer lets one after a plain name
// close it and reads names of control bytes and a leading '-' unquoted.
TEST_F(ViewApi, UnclosedBackQuotesReadAsTheInstallerReadsThem) {
    Exec("CREATE TABLE `c` (`b` CHAR(8) NOT NULL PRIMARY KEY `b`)");
    Exec("INSERT INTO `c` (`b`) VALUES ('x')");
    Exec("CREATE TABLE `\x05a` (`b` CHAR(8) NOT NULL PRIMARY KEY `b`)");
    Exec("CREATE TABLE `-a` (`b` CHAR(8) NOT NULL PRIMARY KEY `b`)");
    const struct {
        const char* query;
        UINT result;
    } cases[] = {
        {"select `c`.b` from `c`", ERROR_SUCCESS},
        {"select `c`.`b from `c`", ERROR_BAD_QUERY_SYNTAX},
        {"select `c`.b from `c`", ERROR_SUCCESS},
        {"select `c.`b` from `c`", ERROR_BAD_QUERY_SYNTAX},
        {"select c`.`b` from `c`", ERROR_SUCCESS},
        {"select c.`b` from `c`", ERROR_SUCCESS},
        {"select `c`.`b` from c`", ERROR_SUCCESS},
        {"select `c`.`b` from `c", ERROR_BAD_QUERY_SYNTAX},
        {"select `c`.`b` from c", ERROR_SUCCESS},
        {"SELECT * FROM \x05a", ERROR_SUCCESS},
        {"SELECT * FROM -a", ERROR_SUCCESS},
    };
    for (const auto& c : cases) {
        MSIHANDLE view = 0;
        EXPECT_EQ(MsiDatabaseOpenViewA(db_, c.query, &view), c.result) << c.query;
        MsiCloseHandle(view);
    }
    EXPECT_EQ(Query("select c`.`b` from c`"), (std::vector<std::string>{"x"}));
}

TEST_F(ViewApi, CommittedRowsReadBackAfterReopen) {
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    db_ = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `Items`"),
              (std::vector<std::string>{"zeta\t3\tlast", "alpha\t1\t", "mid\t2\t"}));
    EXPECT_EQ(Query("SELECT * FROM `_Columns`").size(), 3u);
}

TEST_F(ViewApi, CommittedRowsReadInMsiinfo) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    const testing_support::TempDir scratch;
    const auto exported = testing_support::Run({"msiinfo", "export", path_, "Items"},
                                               testing_support::RunOptions().In(scratch.path()));
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.out,
              "Name\tCount\tNote\r\ns32\tI2\tS0\r\nItems\tName\r\nzeta\t3\tlast\r\nalpha\t1\t\r\n"
              "mid\t2\t\r\n");
}

TEST_F(ViewApi, UpdateAndDeleteStatements) {
    Exec("UPDATE `Items` SET `Count` = 9, `Note` = 'changed' WHERE `Name` = 'alpha'");
    Exec("DELETE FROM `Items` WHERE `Count` = 3");
    EXPECT_EQ(Query("SELECT * FROM `Items`"),
              (std::vector<std::string>{"alpha\t9\tchanged", "mid\t2\t"}));
    // A key cannot be updated; a duplicate key cannot be inserted.
    Exec("UPDATE `Items` SET `Name` = 'x'", 0, ERROR_FUNCTION_FAILED);
    Exec("INSERT INTO `Items` (`Name`) VALUES ('mid')", 0, ERROR_FUNCTION_FAILED);
    Exec("DROP TABLE `Items`");
    MSIHANDLE view = 0;
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Items`", &view), ERROR_BAD_QUERY_SYNTAX);
}

TEST_F(ViewApi, ModifyUpdatesDeletesAndRefusesDuplicates) {
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Items`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);  // zeta
    MsiRecordSetInteger(rec, 2, 30);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, rec), ERROR_FUNCTION_FAILED);  // duplicate
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, rec), ERROR_INVALID_DATA);
    char column[32];
    DWORD size = sizeof column;
    EXPECT_EQ(MsiViewGetErrorA(view, column, &size), MSIDBERROR_DUPLICATEKEY);
    EXPECT_STREQ(column, "Name");
    EXPECT_EQ(MsiViewModify(view, static_cast<MSIMODIFY>(42), rec), ERROR_INVALID_DATA);

    MSIHANDLE fresh = MsiCreateRecord(3);
    MsiRecordSetStringA(fresh, 1, "new");
    MsiRecordSetInteger(fresh, 2, 5);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_UPDATE, fresh), ERROR_FUNCTION_FAILED);  // not fetched
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, fresh), ERROR_SUCCESS);
    MSIHANDLE keyless = MsiCreateRecord(3);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_INSERT, keyless), ERROR_INVALID_DATA);
    MsiCloseHandle(keyless);

    // SEEK fills a record from the row with its key.
    MSIHANDLE seek = MsiCreateRecord(3);
    MsiRecordSetStringA(seek, 1, "mid");
    ASSERT_EQ(MsiViewModify(view, MSIMODIFY_SEEK, seek), ERROR_SUCCESS);
    EXPECT_EQ(MsiRecordGetInteger(seek, 2), 2);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_DELETE, seek), ERROR_SUCCESS);
    MsiCloseHandle(seek);

    MsiCloseHandle(fresh);
    MsiCloseHandle(rec);
    MsiCloseHandle(view);
    EXPECT_EQ(Query("SELECT `Name`, `Count` FROM `Items`"),
              (std::vector<std::string>{"zeta\t30", "alpha\t1", "new\t5"}));
}

TEST_F(ViewApi, StreamsTableTakesStreamsFromRecords) {
    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    testing_support::WriteFile(dir_.path() / "Data1.cab", bytes);
    MSIHANDLE params = MsiCreateRecord(2);
    MsiRecordSetStringA(params, 1, "Data1.cab");
    ASSERT_EQ(MsiRecordSetStreamA(params, 2, (dir_.path() / "Data1.cab").c_str()), ERROR_SUCCESS);
    Exec("INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)", params);
    MsiCloseHandle(params);
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);

    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM _Streams", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_EQ(GetString(rec, 1), "Data1.cab");
    DWORD size = 0;
    ASSERT_EQ(MsiRecordReadStream(rec, 2, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 100000u);
    std::string got;
    char piece[4096];
    do {
        size = sizeof piece;
        ASSERT_EQ(MsiRecordReadStream(rec, 2, piece, &size), ERROR_SUCCESS);
        got.append(piece, size);
    } while (size > 0);
    EXPECT_EQ(got, bytes);
    MsiCloseHandle(rec);
    MsiCloseHandle(view);
    Exec("DELETE FROM `_Streams` WHERE `Name` = 'Data1.cab'");
    EXPECT_TRUE(Query("SELECT `Name` FROM `_Streams`").empty());
}

// Rows keep the bytes their stream file held when they were inserted: one
// scratch file rewritten for every row (shorter, then longer) must neither
// fail the commit nor change rows inserted before.
TEST_F(ViewApi, InsertedStreamsKeepTheirBytesWhenTheFileIsRewritten) {
    Exec("CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT PRIMARY KEY `Name`)");
    const auto scratch = dir_.path() / "scratch";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"First", "first bytes"}, {"Second", "2nd"}, {"Third", "the third and longest"}};
    for (const auto& [name, bytes] : rows) {
        testing_support::WriteFile(scratch, bytes);
        MSIHANDLE params = MsiCreateRecord(2);
        MsiRecordSetStringA(params, 1, name.c_str());
        ASSERT_EQ(MsiRecordSetStreamA(params, 2, scratch.c_str()), ERROR_SUCCESS);
        Exec("INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)", params);
        MsiCloseHandle(params);
    }
    testing_support::WriteFile(scratch, "");
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    db_ = 0;
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db, "SELECT `Name`, `Data` FROM `Binary`", &view),
              ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    std::vector<std::pair<std::string, std::string>> got;
    while (MsiViewFetch(view, &rec) == ERROR_SUCCESS) {
        char buf[64];
        DWORD size = sizeof buf;
        EXPECT_EQ(MsiRecordReadStream(rec, 2, buf, &size), ERROR_SUCCESS);
        got.emplace_back(GetString(rec, 1), std::string(buf, size));
        MsiCloseHandle(rec);
    }
    MsiCloseHandle(view);
    MsiCloseHandle(db);
    std::sort(got.begin(), got.end());
    auto want = rows;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

TEST_F(ViewApi, ViewKeepsItsDatabaseAliveAfterTheDatabaseHandleCloses) {
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT `Name` FROM `Items`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
    db_ = 0;
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_EQ(GetString(rec, 1), "zeta");
    EXPECT_EQ(MsiCloseAllHandles(), 2u);
}

TEST_F(ViewApi, ReadOnlyDatabaseRefusesChangesThroughViews) {
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    Exec("INSERT INTO `Items` (`Name`) VALUES ('x')", 0, ERROR_FUNCTION_FAILED);
    Exec("DELETE FROM `Items`", 0, ERROR_FUNCTION_FAILED);
    Exec("CREATE TABLE `T` (`A` SHORT PRIMARY KEY `A`)", 0, ERROR_FUNCTION_FAILED);
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Items`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_DELETE, rec), ERROR_ACCESS_DENIED);
    MsiCloseHandle(rec);
    MsiCloseHandle(view);
    EXPECT_EQ(Query("SELECT `Name` FROM `Items`").size(), 3u);
}

TEST_F(ViewApi, TransactedChangesDropWithoutCommit) {
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_TRANSACT, &db_), ERROR_SUCCESS);
    Exec("DELETE FROM `Items`");
    EXPECT_TRUE(Query("SELECT * FROM `Items`").empty());
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `Items`").size(), 3u);
}

TEST_F(ViewApi, SummaryInformationSetPersistCommitAndReadBack) {
    MSIHANDLE si = 0;
    ASSERT_EQ(MsiGetSummaryInformationA(db_, nullptr, 2, &si), ERROR_SUCCESS);
    EXPECT_EQ(
        MsiSummaryInfoSetPropertyA(si, PID_TITLE, VT_LPSTR, 0, nullptr, "Installation Database"),
        ERROR_SUCCESS);
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_TITLE, VT_I4, 5, nullptr, nullptr),
              ERROR_DATATYPE_MISMATCH);
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_SUBJECT, VT_LPSTR, 0, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr),
              ERROR_SUCCESS);
    // The update count allowed two new properties.
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_WORDCOUNT, VT_I4, 2, nullptr, nullptr),
              ERROR_FUNCTION_FAILED);
    ASSERT_EQ(MsiSummaryInfoPersist(si), ERROR_SUCCESS);
    MsiCloseHandle(si);
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);

    ASSERT_EQ(MsiGetSummaryInformationA(0, path_.c_str(), 0, &si), ERROR_SUCCESS);
    UINT count = 0, type = 0;
    INT value = 0;
    EXPECT_EQ(MsiSummaryInfoGetPropertyCount(si, &count), ERROR_SUCCESS);
    EXPECT_EQ(count, 2u);
    char buf[8];
    DWORD size = sizeof buf;
    EXPECT_EQ(MsiSummaryInfoGetPropertyA(si, PID_TITLE, &type, nullptr, nullptr, buf, &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 21u);
    EXPECT_EQ(
        MsiSummaryInfoGetPropertyA(si, PID_PAGECOUNT, &type, &value, nullptr, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(value, 200);
    MsiCloseHandle(si);
}

}  // namespace
