// MSIMODIFY_UPDATE changes the non-key columns of the row a record was
// fetched from. A record whose key was changed names another row: the update
// is refused and the table stays as it was, whichever key column changed and
// wherever the view put it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msiquery.h"
#include "test_support.h"

namespace {

class ModifyKey : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (dir_.path() / "keys.msi").string();
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, &db_), ERROR_SUCCESS);
        Exec(
            "CREATE TABLE `Items` (`Name` CHAR(32) NOT NULL, `Count` SHORT, `Note` CHAR(0) "
            "PRIMARY KEY `Name`)");
        Exec("INSERT INTO `Items` (`Name`, `Count`, `Note`) VALUES ('zeta', 3, 'last')");
        Exec("INSERT INTO `Items` (`Name`, `Count`, `Note`) VALUES ('alpha', 1, 'first')");
        Exec(
            "CREATE TABLE `Pairs` (`K` CHAR(8) NOT NULL, `N` SHORT NOT NULL, `V` CHAR(8) "
            "PRIMARY KEY `K`, `N`)");
        Exec("INSERT INTO `Pairs` (`K`, `N`, `V`) VALUES ('k', 1, 'one')");
        Exec("INSERT INTO `Pairs` (`K`, `N`, `V`) VALUES ('k', 2, 'two')");
    }
    void TearDown() override { MsiCloseHandle(db_); }

    void Exec(const std::string& sql) {
        MSIHANDLE view = 0;
        ASSERT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS) << sql;
        MsiCloseHandle(view);
    }
    // Every row of a table, fields joined by '|'.
    std::vector<std::string> Rows(const std::string& table) {
        std::vector<std::string> rows;
        MSIHANDLE view = 0, record = 0;
        const std::string sql = "SELECT * FROM `" + table + "`";
        EXPECT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS);
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            std::string row;
            for (UINT field = 1; field <= MsiRecordGetFieldCount(record); ++field) {
                char text[64];
                DWORD size = sizeof text;
                MsiRecordGetStringA(record, field, text, &size);
                row += (field > 1 ? "|" : "") + std::string(text);
            }
            rows.push_back(row);
            MsiCloseHandle(record);
        }
        MsiCloseHandle(view);
        return rows;
    }
    // Fetches the first row of `query`, lets `change` edit the record, and
    // returns what MSIMODIFY_UPDATE answers.
    template <class Change>
    UINT UpdateFirstRow(const std::string& query, Change change) {
        MSIHANDLE view = 0, record = 0;
        EXPECT_EQ(MsiDatabaseOpenViewA(db_, query.c_str(), &view), ERROR_SUCCESS);
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        EXPECT_EQ(MsiViewFetch(view, &record), ERROR_SUCCESS);
        change(record);
        const UINT result = MsiViewModify(view, MSIMODIFY_UPDATE, record);
        MsiCloseHandle(record);
        MsiCloseHandle(view);
        return result;
    }

    testing_support::TempDir dir_;
    std::string path_;
    MSIHANDLE db_ = 0;
};

TEST_F(ModifyKey, ChangedKeyIsRefusedAndNothingChanges) {
    const auto before = Rows("Items");
    struct Case {
        const char* what;
        const char* query;
        UINT key_field;
        const char* new_key;  // nullptr: the key made null
    };
    for (const Case& c :
         {Case{"another key", "SELECT * FROM `Items`", 1, "omega"},
          Case{"the key in another letter case", "SELECT * FROM `Items`", 1, "ZETA"},
          Case{"a null key", "SELECT * FROM `Items`", 1, nullptr},
          Case{"the key as the view's last column", "SELECT `Count`, `Note`, `Name` FROM `Items`",
               3, "omega"}}) {
        SCOPED_TRACE(c.what);
        const UINT result = UpdateFirstRow(c.query, [&](MSIHANDLE record) {
            MsiRecordSetStringA(record, c.key_field, c.new_key);
            // Another column changes in the same record: it must not reach the table either.
            MsiRecordSetStringA(record, c.key_field == 1 ? 3 : 2, "changed");
        });
        EXPECT_NE(result, static_cast<UINT>(ERROR_SUCCESS));
        EXPECT_EQ(Rows("Items"), before);
    }
    // What was refused is not written by a commit either.
    ASSERT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
    MsiCloseHandle(db_);
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db_), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Items"), before);
}

TEST_F(ModifyKey, EveryColumnOfATwoColumnKeyCounts) {
    const auto before = Rows("Pairs");
    EXPECT_NE(UpdateFirstRow("SELECT * FROM `Pairs`",
                             [](MSIHANDLE record) {
                                 MsiRecordSetInteger(record, 2, 2);  // now names the other row
                                 MsiRecordSetStringA(record, 3, "changed");
                             }),
              static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_NE(UpdateFirstRow("SELECT * FROM `Pairs`",
                             [](MSIHANDLE record) { MsiRecordSetStringA(record, 1, "j"); }),
              static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(Rows("Pairs"), before);
}

}  // namespace
