#include "deltalens_test_support.h"

#include <gtest/gtest.h>

#include "msiquery.h"
#include "sample_packages.h"
#include "test_support.h"

namespace deltalens_test {

namespace {

std::vector<std::string> ItemsTable() {
    return {
        "CREATE TABLE `Items` (`Item` CHAR(32) NOT NULL, `Count` SHORT, `Note` CHAR(64) "
        "PRIMARY KEY `Item`)",
        "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('alpha', 1, 'first')",
        "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('beta', 2, 'second')",
        "INSERT INTO `Items` (`Item`, `Count`) VALUES ('gamma', 3)",
    };
}

std::vector<std::string> Join(std::vector<std::string> first,
                              const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string Field(MSIHANDLE record, UINT field) {
    DWORD size = 0;
    char probe[1] = {};
    MsiRecordGetStringA(record, field, probe, &size);
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    size += 1;
    MsiRecordGetStringA(record, field, text.data(), &size);
    text.resize(size);
    return text;
}

}  // namespace

unsigned MakeCodePageCopy(const std::string& package, const std::string& copy,
                          const std::filesystem::path& folder, int code_page) {
    testing_support::WriteFile(folder / "_ForceCodepage.idt",
                               "\r\n\r\n" + std::to_string(code_page) + "\t_ForceCodepage\r\n");
    std::error_code error;
    std::filesystem::copy_file(package, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) return ERROR_CREATE_FAILED;
    MSIHANDLE database = 0;
    UINT result = MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &database);
    if (result == ERROR_SUCCESS)
        result = MsiDatabaseImportA(database, folder.string().c_str(), "_ForceCodepage.idt");
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database);
    MsiCloseHandle(database);
    std::filesystem::remove(folder / "_ForceCodepage.idt", error);
    return result;
}

SampleFiles MakeSampleFiles(const std::filesystem::path& folder) {
    SampleFiles files;
    const std::string package = (folder / "sample.msi").string();
    const std::string changed = (folder / "sample-changed.msi").string();
    const std::string other = (folder / "sample-other.msi").string();
    const std::string unrelated = (folder / "unrelated.msi").string();
    const std::string recoded = (folder / "sample-recoded.msi").string();
    const std::string product = "{6F9D5C2E-3A41-4B8E-9C1D-2E7F8A0B4C11}";

    EXPECT_EQ(deltalens::CreatePackage(
                  package, Join(deltalens::ProductProperties(product, "Sample"), ItemsTable())),
              ERROR_SUCCESS);
    EXPECT_EQ(deltalens::MakeChangedCopy(
                  package, changed,
                  {"UPDATE `Items` SET `Note` = 'changed' WHERE `Item` = 'alpha'",
                   "DELETE FROM `Items` WHERE `Item` = 'beta'",
                   "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('delta', 4, 'fourth')",
                   "INSERT INTO `Property` (`Property`, `Value`) VALUES ('Extra', '1')"}),
              ERROR_SUCCESS);
    EXPECT_EQ(deltalens::MakeChangedCopy(
                  package, other, {"UPDATE `Items` SET `Count` = 30 WHERE `Item` = 'gamma'"}),
              ERROR_SUCCESS);
    EXPECT_EQ(MakeCodePageCopy(package, recoded, folder, 1252), ERROR_SUCCESS);
    EXPECT_EQ(
        deltalens::CreatePackage(unrelated, deltalens::ProductProperties(
                                                "{0B1C2D3E-4F50-4617-8899-AABBCCDDEEFF}", "Other")),
        ERROR_SUCCESS);
    const std::string transform = (folder / "sample.mst").string();
    const std::string other_transform = (folder / "sample-other.mst").string();
    EXPECT_EQ(deltalens::MakeTransform(package, changed, transform), ERROR_SUCCESS);
    EXPECT_EQ(deltalens::MakeTransform(package, other, other_transform), ERROR_SUCCESS);
    const std::string empty_transform = (folder / "sample-empty.mst").string();
    EXPECT_EQ(deltalens::MakeTransform(package, recoded, empty_transform), ERROR_SUCCESS);
    const std::filesystem::path text_file = folder / "notes.txt";
    testing_support::WriteFile(text_file, "These are notes, not an installer database.\n");
    if (testing::Test::HasFailure()) return files;

    files.package = package;
    files.transform = transform;
    files.other_transform = other_transform;
    files.empty_transform = empty_transform;
    files.unrelated_package = unrelated;
    files.text_file = text_file.string();
    return files;
}

Rows EngineChanges(const std::string& package, const std::string& transform, bool& ok) {
    Rows rows;
    ok = false;
    MSIHANDLE database = 0;
    // The engine applies nothing to a read-only database, not even in view
    // mode; a transacted one that is never committed leaves the file alone.
    if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_TRANSACT, &database) != ERROR_SUCCESS)
        return rows;
    MSIHANDLE view = 0;
    if (MsiDatabaseApplyTransformA(database, transform.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM) ==
            ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(database, "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`",
                             &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        UINT result = ERROR_SUCCESS;
        while ((result = MsiViewFetch(view, &record)) == ERROR_SUCCESS) {
            std::vector<std::string> row;
            for (UINT field = 1; field <= 5; ++field) row.push_back(Field(record, field));
            rows.push_back(std::move(row));
            MsiCloseHandle(record);
        }
        ok = result == ERROR_NO_MORE_ITEMS;
    }
    MsiCloseHandle(view);
    MsiCloseHandle(database);
    return rows;
}

}  // namespace deltalens_test
