// msi::TableCells against what "SELECT * FROM `table`" fetches: its columns,
// rows and every cell.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

class TableCellsApi : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (dir_.path() / "cells.msi").string();
        MSIHANDLE db = 0;
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
        Exec(db,
             "CREATE TABLE `T` (`Key` CHAR(20) NOT NULL, `Num` SHORT, `Big` LONG, `Text` CHAR(0) "
             "LOCALIZABLE, `Data` OBJECT PRIMARY KEY `Key`)");
        const std::string blob = (dir_.path() / "blob.bin").string();
        std::ofstream(blob, std::ios::binary) << std::string(70000, 'x');
        MSIHANDLE params = MsiCreateRecord(1);
        ASSERT_EQ(MsiRecordSetStreamA(params, 1, blob.c_str()), ERROR_SUCCESS);
        Exec(db,
             "INSERT INTO `T` (`Key`, `Num`, `Big`, `Text`, `Data`) VALUES ('b', -3, 70000, "
             "'caf\xc3\xa9', ?)",
             params);
        MsiCloseHandle(params);
        Exec(db, "INSERT INTO `T` (`Key`, `Num`) VALUES ('a', 7)");
        Exec(db, "INSERT INTO `T` (`Key`, `Big`, `Text`) VALUES ('c', -2147483647, 'last')");
        Exec(db, "INSERT INTO `T` (`Key`) VALUES ('gone')");
        Exec(db, "DELETE FROM `T` WHERE `Key` = 'gone'");
        ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(db);
    }

    static void Exec(MSIHANDLE db, const std::string& sql, MSIHANDLE params = 0) {
        MSIHANDLE view = 0;
        ASSERT_EQ(MsiDatabaseOpenViewA(db, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, params), ERROR_SUCCESS) << sql;
        MsiCloseHandle(view);
    }

    static std::string FieldText(MSIHANDLE record, UINT field) {
        char buffer[256];
        DWORD size = sizeof buffer;
        EXPECT_EQ(MsiRecordGetStringA(record, field, buffer, &size), ERROR_SUCCESS);
        return std::string(buffer, size);
    }

    // Every cell of `cells` as the fetched records give it.
    static void ExpectSameAsFetched(MSIHANDLE db, const std::string& table,
                                    const msi::TableCells& cells) {
        MSIHANDLE view = 0;
        const std::string query = "SELECT * FROM `" + table + "`";
        ASSERT_EQ(MsiDatabaseOpenViewA(db, query.c_str(), &view), ERROR_SUCCESS);
        ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        for (MSICOLINFO which : {MSICOLINFO_NAMES, MSICOLINFO_TYPES}) {
            MSIHANDLE info = 0;
            ASSERT_EQ(MsiViewGetColumnInfo(view, which, &info), ERROR_SUCCESS);
            ASSERT_EQ(cells.ColumnCount(), MsiRecordGetFieldCount(info)) << table;
            for (std::size_t c = 0; c < cells.ColumnCount(); ++c)
                EXPECT_EQ(which == MSICOLINFO_NAMES ? cells.ColumnName(c) : cells.ColumnType(c),
                          FieldText(info, static_cast<UINT>(c + 1)))
                    << table << " column " << c;
            MsiCloseHandle(info);
        }
        std::size_t row = 0;
        MSIHANDLE record = 0;
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            ASSERT_LT(row, cells.RowCount()) << table;
            ASSERT_EQ(cells.ColumnCount(), MsiRecordGetFieldCount(record)) << table;
            for (std::size_t c = 0; c < cells.ColumnCount(); ++c) {
                const UINT field = static_cast<UINT>(c + 1);
                const std::uint32_t cell = cells.Cell(row, c);
                const std::string where =
                    table + " row " + std::to_string(row) + " column " + std::to_string(c);
                switch (cells.ColumnKind(c)) {
                    case msi::TableCells::Kind::kString:
                        EXPECT_EQ(cells.Text(cell), FieldText(record, field)) << where;
                        break;
                    case msi::TableCells::Kind::kInteger:
                        EXPECT_EQ(static_cast<int>(cell), MsiRecordGetInteger(record, field))
                            << where;
                        break;
                    case msi::TableCells::Kind::kBinary:
                        EXPECT_EQ(cell == 0, MsiRecordIsNull(record, field) != 0) << where;
                        EXPECT_EQ(cells.StreamSize(row, c), MsiRecordDataSize(record, field))
                            << where;
                        break;
                }
            }
            MsiCloseHandle(record);
            ++row;
        }
        MsiCloseHandle(view);
        EXPECT_EQ(row, cells.RowCount()) << table;
    }

    testing_support::TempDir dir_;
    std::string path_;
};

TEST_F(TableCellsApi, EveryTableReadsAsSelectFetchesIt) {
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
    const std::vector<msi::TableCells::Kind> kinds = {
        msi::TableCells::Kind::kString, msi::TableCells::Kind::kInteger,
        msi::TableCells::Kind::kInteger, msi::TableCells::Kind::kString,
        msi::TableCells::Kind::kBinary};
    for (const char* table : {"T", "_Streams", "_Columns", "_Tables"}) {
        msi::TableCells cells;
        ASSERT_EQ(msi::TableCells::Read(db, table, cells), ERROR_SUCCESS) << table;
        ExpectSameAsFetched(db, table, cells);
        if (std::string(table) == "T") {
            EXPECT_EQ(cells.RowCount(), 3u);
            for (std::size_t c = 0; c < kinds.size(); ++c) EXPECT_EQ(cells.ColumnKind(c), kinds[c]);
        }
    }
    msi::TableCells kept;
    ASSERT_EQ(msi::TableCells::Read(db, "T", kept), ERROR_SUCCESS);
    EXPECT_EQ(msi::TableCells::Read(db, "Missing", kept), static_cast<UINT>(ERROR_INVALID_TABLE));
    EXPECT_EQ(msi::TableCells::Read(db, nullptr, kept), static_cast<UINT>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(msi::TableCells::Read(0, "T", kept), static_cast<UINT>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(kept.RowCount(), 3u) << "a failed read changed the cells";
    const std::string first_key(kept.Text(kept.Cell(0, 0)));
    EXPECT_FALSE(first_key.empty());
    MsiCloseHandle(db);
    // The cells keep their database: their strings still read after it closed.
    EXPECT_EQ(kept.Text(kept.Cell(0, 0)), first_key);
}

}  // namespace
