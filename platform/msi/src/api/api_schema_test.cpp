// Tables and columns through SQL the way scripts use them: where CREATE TABLE
// puts key columns, the order of joins, constant columns, temporary tables
// and columns with HOLD and FREE, and the result codes of schema statements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

class SchemaApi : public ::testing::Test {
  protected:
    void SetUp() override {
        baseline_ = msi::OpenHandleCount();
        path_ = (dir_.path() / "schema.msi").string();
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, &db_), ERROR_SUCCESS);
    }
    void TearDown() override {
        if (db_) {
            EXPECT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
        }
        EXPECT_EQ(msi::OpenHandleCount(), baseline_) << "a handle was left open";
    }

    // The result of opening and running a statement, as scripts see it.
    UINT Run(const std::string& sql) {
        MSIHANDLE view = 0;
        UINT r = MsiDatabaseOpenViewA(db_, sql.c_str(), &view);
        if (r == ERROR_SUCCESS) r = MsiViewExecute(view, 0);
        MsiCloseHandle(view);
        return r;
    }
    static std::string Text(MSIHANDLE rec, UINT field) {
        char buf[256];
        DWORD size = sizeof buf;
        if (MsiRecordGetStringA(rec, field, buf, &size) != ERROR_SUCCESS) return "<error>";
        return MsiRecordIsNull(rec, field) ? "~" : buf;
    }
    static std::string Joined(MSIHANDLE rec) {
        std::string line;
        for (UINT i = 1; i <= MsiRecordGetFieldCount(rec); ++i)
            line += (i > 1 ? "|" : "") + Text(rec, i);
        return line;
    }
    // Names, types, then the rows of a query.
    std::vector<std::string> Query(const std::string& sql) {
        std::vector<std::string> lines;
        MSIHANDLE view = 0, rec = 0;
        EXPECT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        for (MSICOLINFO info : {MSICOLINFO_NAMES, MSICOLINFO_TYPES}) {
            EXPECT_EQ(MsiViewGetColumnInfo(view, info, &rec), ERROR_SUCCESS);
            lines.push_back(Joined(rec));
            MsiCloseHandle(rec);
        }
        while (MsiViewFetch(view, &rec) == ERROR_SUCCESS) {
            lines.push_back(Joined(rec));
            MsiCloseHandle(rec);
        }
        MsiCloseHandle(view);
        return lines;
    }

    testing_support::TempDir dir_;
    std::string path_;
    MSIHANDLE db_ = 0;
    size_t baseline_ = 0;
};

TEST_F(SchemaApi, EachKeyColumnTakesTheSlotOfItsKeyNumberBySwapping) {
    ASSERT_EQ(Run("CREATE TABLE `T` (`B` SHORT NOT NULL, `C` SHORT NOT NULL, `A` CHAR(255), "
                  "`E` INT, `D` CHAR(255) NOT NULL PRIMARY KEY `D`, `E`)"),
              ERROR_SUCCESS);
    ASSERT_EQ(Run("INSERT INTO `T` (`B`, `C`, `A`, `E`, `D`) VALUES (1, 2, 'a', 3, 'bc')"),
              ERROR_SUCCESS);
    const std::vector<std::string> t = {"D|E|A|C|B", "s255|I2|S255|i2|i2", "bc|3|a|2|1"};
    EXPECT_EQ(Query("SELECT * FROM `T`"), t);
    EXPECT_EQ(Query("SELECT `Number`, `Name`, `Type` FROM `_Columns` WHERE `Table` = 'T'"),
              (std::vector<std::string>{"Number|Name|Type", "i2|s64|i2", "1|D|11775", "2|E|13570",
                                        "3|A|7679", "4|C|1282", "5|B|1282"}));
    ASSERT_EQ(Run("CREATE TABLE `Z` (`B` SHORT NOT NULL, `C` SHORT NOT NULL, `A` CHAR(255), "
                  "`E` INT, `D` CHAR(255) NOT NULL PRIMARY KEY `C`, `A`, `D`)"),
              ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `Z`")[0], "C|A|D|E|B");
    // The file keeps that order: a reopened package reads the same.
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `T`"), t);
    MSIHANDLE keys = 0;
    ASSERT_EQ(MsiDatabaseGetPrimaryKeysA(db_, "T", &keys), ERROR_SUCCESS);
    EXPECT_EQ(Text(keys, 0) + ":" + Joined(keys), "T:D|E");
    MsiCloseHandle(keys);
}

TEST_F(SchemaApi, AJoinTurnsTheFirstTableFastest) {
    ASSERT_EQ(Run("CREATE TABLE `One` (`A` SHORT PRIMARY KEY `A`)"), ERROR_SUCCESS);
    ASSERT_EQ(Run("CREATE TABLE `Two` (`B` SHORT PRIMARY KEY `B`)"), ERROR_SUCCESS);
    ASSERT_EQ(Run("CREATE TABLE `Three` (`C` SHORT PRIMARY KEY `C`)"), ERROR_SUCCESS);
    for (const char* sql :
         {"INSERT INTO `One` (`A`) VALUES (1)", "INSERT INTO `One` (`A`) VALUES (2)",
          "INSERT INTO `Two` (`B`) VALUES (10)", "INSERT INTO `Two` (`B`) VALUES (20)",
          "INSERT INTO `Three` (`C`) VALUES (100)", "INSERT INTO `Three` (`C`) VALUES (200)"})
        ASSERT_EQ(Run(sql), ERROR_SUCCESS);
    const auto rows = Query("SELECT `A`, `B`, `C` FROM `One`, `Two`, `Three`");
    EXPECT_EQ(std::vector<std::string>(rows.begin() + 2, rows.end()),
              (std::vector<std::string>{"1|10|100", "2|10|100", "1|20|100", "2|20|100", "1|10|200",
                                        "2|10|200", "1|20|200", "2|20|200"}));
    // ORDER BY sorts stably over that order.
    const auto ordered = Query("SELECT `A`, `B` FROM `One`, `Two` ORDER BY `B`");
    EXPECT_EQ(std::vector<std::string>(ordered.begin() + 2, ordered.end()),
              (std::vector<std::string>{"1|10", "2|10", "1|20", "2|20"}));
}

TEST_F(SchemaApi, ConstantColumnsShowTheirTextInEveryRow) {
    ASSERT_EQ(Run("CREATE TABLE `T` (`A` SHORT NOT NULL, `B` CHAR(10) PRIMARY KEY `A`)"),
              ERROR_SUCCESS);
    ASSERT_EQ(Run("INSERT INTO `T` (`A`, `B`) VALUES (1, 'one')"), ERROR_SUCCESS);
    ASSERT_EQ(Run("INSERT INTO `T` (`A`, `B`) VALUES (2, 'two')"), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT 'x', `A` FROM `T`"),
              (std::vector<std::string>{"~|A", "f0|i2", "x|1", "x|2"}));
    EXPECT_EQ(Query("SELECT '' FROM `T`"), (std::vector<std::string>{"~", "f0", "~", "~"}));
    EXPECT_EQ(Query("SELECT `B`, 'y', 'z' FROM `T` WHERE `A` = 2 ORDER BY `A`"),
              (std::vector<std::string>{"B|~|~", "S10|f0|f0", "two|y|z"}));
    EXPECT_EQ(Query("SELECT DISTINCT 'same' FROM `T`"),
              (std::vector<std::string>{"~", "f0", "same"}));
}

TEST_F(SchemaApi, TemporaryTablesLiveWhileHeld) {
    // Without HOLD a table of temporary columns is gone at once.
    EXPECT_EQ(Run("CREATE TABLE `Gone` (`K` SHORT TEMPORARY PRIMARY KEY `K`)"), ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(db_, "Gone"), MSICONDITION_NONE);
    EXPECT_EQ(Run("SELECT * FROM `Gone`"), ERROR_BAD_QUERY_SYNTAX);

    ASSERT_EQ(Run("CREATE TABLE `T` (`B` SHORT NOT NULL TEMPORARY, `C` CHAR(255) TEMPORARY "
                  "PRIMARY KEY `C`) HOLD"),
              ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(db_, "T"), MSICONDITION_FALSE);
    EXPECT_EQ(Query("SELECT * FROM `T`")[1], "G255|j2");
    EXPECT_EQ(Query("SELECT * FROM `_Tables` WHERE `Name` = 'T'").size(), 3u);
    EXPECT_EQ(Query("SELECT * FROM `_Columns` WHERE `Table` = 'T'").size(), 2u);
    ASSERT_EQ(Run("INSERT INTO `T` (`B`, `C`) VALUES (1, 'a')"), ERROR_SUCCESS);
    // Two holds: the first FREE leaves it, the second ends it; a third finds nothing.
    EXPECT_EQ(Run("ALTER TABLE `T` HOLD"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `T` FREE"), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `T`").size(), 3u);
    EXPECT_EQ(Run("ALTER TABLE `T` FREE"), ERROR_SUCCESS);
    EXPECT_EQ(Run("SELECT * FROM `T`"), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(Run("ALTER TABLE `T` FREE"), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(Run("ALTER TABLE `T` HOLD"), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(db_, "T"), MSICONDITION_NONE);

    // A persistent table cannot be keyed by a temporary column; the other
    // way round it is persistent.
    EXPECT_EQ(Run("CREATE TABLE `T4` (`B` SHORT NOT NULL, `C` CHAR(255) TEMPORARY PRIMARY KEY "
                  "`C`)"),
              ERROR_FUNCTION_FAILED);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(db_, "T4"), MSICONDITION_NONE);
    EXPECT_EQ(Run("CREATE TABLE `T3` (`B` SHORT NOT NULL TEMPORARY, `C` CHAR(255) PRIMARY KEY "
                  "`C`)"),
              ERROR_SUCCESS);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(db_, "T3"), MSICONDITION_TRUE);
    // Its temporary column stays until a hold on the table is freed.
    EXPECT_EQ(Query("SELECT * FROM `T3`")[1], "S255|j2");
    EXPECT_EQ(Run("INSERT INTO `T3` (`B`, `C`) VALUES (1, 'a')"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `T3` HOLD"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `T3` FREE"), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `T3`"), (std::vector<std::string>{"C", "S255", "a"}));
    EXPECT_EQ(Run("INSERT INTO `T3` (`B`, `C`) VALUES (2, 'b')"), ERROR_BAD_QUERY_SYNTAX);
    for (const char* system : {"_Tables", "_Columns", "_Streams", "_Storages"})
        EXPECT_EQ(MsiDatabaseIsTablePersistentA(db_, system), MSICONDITION_NONE) << system;
}

TEST_F(SchemaApi, TemporaryColumnsLiveWhileTheirTableIsHeld) {
    ASSERT_EQ(Run("CREATE TABLE `U` (`A` INTEGER, `B` INTEGER PRIMARY KEY `B`)"), ERROR_SUCCESS);
    // Added to a table nobody holds, a temporary column is gone at once.
    EXPECT_EQ(Run("ALTER TABLE `U` ADD `Gone` INTEGER TEMPORARY"), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `U`")[0], "B|A");
    EXPECT_EQ(Run("ALTER TABLE `U` HOLD"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `U` ADD `C` INTEGER"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `U` ADD `D` INTEGER TEMPORARY"), ERROR_SUCCESS);
    EXPECT_EQ(Run("INSERT INTO `U` (`A`, `B`, `C`, `D`) VALUES (1, 2, 3, 4)"), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `U` WHERE `D` = 4").size(), 3u);
    // A view opened now keeps the column it saw after the last hold goes.
    MSIHANDLE view = 0, rec = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "SELECT `D` FROM `U`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `U` FREE"), ERROR_SUCCESS);
    EXPECT_EQ(Run("SELECT * FROM `U` WHERE `D` = 4"), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(Query("SELECT * FROM `U`"), (std::vector<std::string>{"B|A|C", "I2|I2|I2", "2|1|3"}));
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiRecordGetInteger(rec, 1), 4);
    MsiCloseHandle(rec);
    MsiCloseHandle(view);
    // ADD ... HOLD holds the table once more; a persistent table survives
    // any number of FREEs.
    EXPECT_EQ(Run("ALTER TABLE `U` ADD `E` INTEGER TEMPORARY HOLD"), ERROR_SUCCESS);
    EXPECT_EQ(Run("INSERT INTO `U` (`A`, `B`, `C`, `E`) VALUES (5, 6, 7, 8)"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `U` FREE"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `U` FREE"), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `U`")[0], "B|A|C");
    // Nothing temporary reaches the file.
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Query("SELECT * FROM `U`"),
              (std::vector<std::string>{"B|A|C", "I2|I2|I2", "2|1|3", "6|5|7"}));
}

TEST_F(SchemaApi, SchemaStatementsThatDoNotFitTheDatabaseAreQueryErrors) {
    ASSERT_EQ(Run("CREATE TABLE `T` (`A` INT PRIMARY KEY `A`)"), ERROR_SUCCESS);
    EXPECT_EQ(Run("CREATE TABLE `T` (`A` INT PRIMARY KEY `A`)"), ERROR_BAD_QUERY_SYNTAX);
    for (const char* system : {"_Tables", "_Columns", "_Streams", "_Storages"}) {
        EXPECT_EQ(Run(std::string("CREATE TABLE `") + system + "` (`A` INT PRIMARY KEY `A`)"),
                  ERROR_BAD_QUERY_SYNTAX)
            << system;
    }
    EXPECT_EQ(Run("ALTER TABLE `T` ADD `B` INT"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `T` ADD `B` INT"), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(Run("ALTER TABLE `T` ADD `A` LONG"), ERROR_BAD_QUERY_SYNTAX);
    for (const char* sql : {"ALTER TABLE `Nope` ADD `B` INT", "ALTER TABLE `Nope` HOLD",
                            "ALTER TABLE `Nope` FREE", "DROP TABLE `Nope`"})
        EXPECT_EQ(Run(sql), ERROR_BAD_QUERY_SYNTAX) << sql;
    // The code comes from MsiViewExecute when the view opened before the change.
    MSIHANDLE view = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db_, "CREATE TABLE `Late` (`A` INT PRIMARY KEY `A`)", &view),
              ERROR_SUCCESS);
    ASSERT_EQ(Run("CREATE TABLE `Late` (`A` INT PRIMARY KEY `A`)"), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewExecute(view, 0), ERROR_BAD_QUERY_SYNTAX);
    MsiCloseHandle(view);
}

// The installer keeps at most 32 columns in a table; a statement that would
// make a wider one is a query error (Wine's msi.dll 8.0 makes any width).
TEST_F(SchemaApi, TablesHoldAtMost32Columns) {
    const auto create = [](const std::string& table, int columns) {
        std::string sql = "CREATE TABLE `" + table + "` (`K` INT";
        for (int c = 1; c < columns; ++c) sql += ", `C" + std::to_string(c) + "` INT";
        return sql + " PRIMARY KEY `K`)";
    };
    EXPECT_EQ(Run(create("Full", 32)), ERROR_SUCCESS);
    MSIHANDLE view = 0;
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, create("Over", 33).c_str(), &view), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, create("Far", 300).c_str(), &view), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(Run("ALTER TABLE `Full` ADD `More` INT"), ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(Run(create("Less", 31)), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `Less` ADD `Last` INT"), ERROR_SUCCESS);
    EXPECT_EQ(Run("ALTER TABLE `Less` ADD `More` INT"), ERROR_BAD_QUERY_SYNTAX);
}

}  // namespace
