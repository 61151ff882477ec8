// A package whose compound file is laid out as other producers lay theirs
// out (every chain scattered, 512- or 4096-byte sectors; see
// storage/scattered_file.h) opens through the interface and holds exactly
// what the same package laid out by our writer holds: its tables, their
// binary cells in the mini stream and out of it, and its summary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interop_util.h"
#include "storage/compound_file.h"
#include "storage/scattered_file.h"
#include "test_support.h"

namespace {

using msi_interop::ApiTable;
using msi_interop::Cell;

void Exec(MSIHANDLE db, const std::string& sql, MSIHANDLE params = 0) {
    MSIHANDLE view = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db, sql.c_str(), &view), ERROR_SUCCESS) << sql;
    ASSERT_EQ(MsiViewExecute(view, params), ERROR_SUCCESS) << sql;
    MsiCloseHandle(view);
}

// Binary cells on both sides of the mini stream cutoff and of both sector
// sizes, and enough rows that the string pool and the table's stream are
// long chains themselves.
void MakePackage(const std::string& path, const testing_support::TempDir& dir) {
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
    Exec(db,
         "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT NOT NULL "
         "PRIMARY KEY `Name`)");
    Exec(db,
         "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
         "PRIMARY KEY `Property`)");
    for (size_t size : {1u, 63u, 64u, 4095u, 4096u, 4097u, 70000u}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 31 + size) & 0xFF);
        const auto file = dir.path() / ("cell" + std::to_string(size));
        testing_support::WriteFile(file, bytes);
        MSIHANDLE record = MsiCreateRecord(2);
        MsiRecordSetStringA(record, 1, ("Cell" + std::to_string(size)).c_str());
        MsiRecordSetStreamA(record, 2, file.string().c_str());
        Exec(db, "INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)", record);
        MsiCloseHandle(record);
    }
    for (int i = 0; i < 3000; ++i) {
        MSIHANDLE record = MsiCreateRecord(2);
        MsiRecordSetStringA(record, 1, ("Property" + std::to_string(i)).c_str());
        MsiRecordSetStringA(record, 2, ("value " + std::to_string(i * 7919)).c_str());
        Exec(db, "INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", record);
        MsiCloseHandle(record);
    }
    MSIHANDLE summary = 0;
    ASSERT_EQ(MsiGetSummaryInformationA(db, nullptr, 2, &summary), ERROR_SUCCESS);
    MsiSummaryInfoSetPropertyA(summary, PID_TITLE, VT_LPSTR, 0, nullptr, "Scattered");
    MsiSummaryInfoSetPropertyA(summary, PID_CODEPAGE, VT_I2, 1252, nullptr, nullptr);
    ASSERT_EQ(MsiSummaryInfoPersist(summary), ERROR_SUCCESS);
    MsiCloseHandle(summary);
    ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
    MsiCloseHandle(db);
}

// Every table as text lines, binary cells by their bytes, and the title.
std::vector<std::string> Contents(const std::string& path) {
    std::vector<std::string> lines;
    MSIHANDLE db = 0;
    EXPECT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS) << path;
    for (const std::string& table : msi_interop::TableNames(db)) {
        const ApiTable rows = msi_interop::ReadTable(db, table);
        EXPECT_EQ(rows.status, static_cast<UINT>(ERROR_SUCCESS)) << table;
        for (const auto& row : rows.rows) {
            std::string line = table;
            for (const Cell& cell : row)
                line += "\t" + cell.bytes + "/" + std::to_string(cell.integer);
            lines.push_back(line);
        }
    }
    MSIHANDLE summary = 0;
    EXPECT_EQ(MsiGetSummaryInformationA(db, nullptr, 0, &summary), ERROR_SUCCESS);
    char title[64] = {};
    DWORD size = sizeof title;
    UINT type = 0;
    MsiSummaryInfoGetPropertyA(summary, PID_TITLE, &type, nullptr, nullptr, title, &size);
    lines.push_back(std::string("title ") + title);
    MsiCloseHandle(summary);
    MsiCloseHandle(db);
    return lines;
}

TEST(ScatteredPackage, ReadsAsTheSamePackageInBothSectorSizes) {
    testing_support::TempDir dir;
    const std::string written = (dir.path() / "written.msi").string();
    MakePackage(written, dir);
    const auto expected = Contents(written);
    ASSERT_GT(expected.size(), 3000u);

    auto source = msi::storage::CompoundFile::Open(written);
    ASSERT_TRUE(source.ok());
    const auto tree = msi::storage::test::ReadTree(**source, msi::storage::CompoundFile::kRootId);
    for (unsigned shift : {msi::storage::kSectorShiftV3, msi::storage::kSectorShiftV4}) {
        SCOPED_TRACE("sector shift " + std::to_string(shift));
        const auto path = dir.path() / ("scattered" + std::to_string(shift) + ".msi");
        const auto bytes =
            msi::storage::test::BuildScatteredFile((*source)->root_clsid(), tree, shift);
        testing_support::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        EXPECT_EQ(Contents(path.string()), expected);
    }
}

}  // namespace
