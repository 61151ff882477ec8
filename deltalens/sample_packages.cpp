#include "sample_packages.h"

#include <filesystem>
#include <system_error>

#include "msi_patch.h"
#include "msiquery.h"

namespace deltalens {

namespace {

// Closes an installer handle when it goes out of scope, so that every early
// return below leaves no handle open.
class ScopedHandle {
  public:
    ScopedHandle() = default;
    ~ScopedHandle() {
        if (handle_ != 0) MsiCloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    MSIHANDLE get() const { return handle_; }
    MSIHANDLE* slot() { return &handle_; }

  private:
    MSIHANDLE handle_ = 0;
};

std::string QuotedList(const std::vector<std::string>& names, const char* open, const char* close) {
    std::string list;
    for (const std::string& name : names) {
        if (!list.empty()) list += ", ";
        list += open + name + close;
    }
    return list;
}

}  // namespace

UINT RunStatements(MSIHANDLE database, const std::vector<std::string>& statements) {
    for (const std::string& statement : statements) {
        ScopedHandle view;
        UINT result = MsiDatabaseOpenViewA(database, statement.c_str(), view.slot());
        if (result == ERROR_SUCCESS) result = MsiViewExecute(view.get(), 0);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

UINT InsertRows(MSIHANDLE database, const std::string& table,
                const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> markers(columns.size(), "?");
    const std::string query = "INSERT INTO `" + table + "` (" + QuotedList(columns, "`", "`") +
                              ") VALUES (" + QuotedList(markers, "", "") + ")";
    ScopedHandle view;
    UINT result = MsiDatabaseOpenViewA(database, query.c_str(), view.slot());
    if (result != ERROR_SUCCESS) return result;
    ScopedHandle record;
    *record.slot() = MsiCreateRecord(static_cast<UINT>(columns.size()));
    if (record.get() == 0) return ERROR_FUNCTION_FAILED;
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t column = 0; column < columns.size(); ++column) {
            const char* value = column < row.size() ? row[column].c_str() : "";
            MsiRecordSetStringA(record.get(), static_cast<UINT>(column + 1), value);
        }
        result = MsiViewExecute(view.get(), record.get());
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

UINT CreatePackage(const std::string& path, const std::vector<std::string>& statements) {
    ScopedHandle database;
    UINT result = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, database.slot());
    if (result == ERROR_SUCCESS) result = RunStatements(database.get(), statements);
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database.get());
    return result;
}

std::vector<std::string> ProductProperties(const std::string& product_code,
                                           const std::string& product_name) {
    return {
        "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
        "LOCALIZABLE PRIMARY KEY `Property`)",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', '" + product_code +
            "')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductVersion', '1.0.0')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', '" + product_name +
            "')",
    };
}

UINT MakeChangedCopy(const std::string& base, const std::string& changed,
                     const std::vector<std::string>& statements) {
    std::error_code error;
    std::filesystem::copy_file(base, changed, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) return ERROR_CREATE_FAILED;
    ScopedHandle database;
    UINT result = MsiOpenDatabaseA(changed.c_str(), MSIDBOPEN_TRANSACT, database.slot());
    if (result == ERROR_SUCCESS) result = RunStatements(database.get(), statements);
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database.get());
    return result;
}

UINT MakeTransform(const std::string& base, const std::string& changed,
                   const std::string& transform, int validation) {
    ScopedHandle reference;
    ScopedHandle target;
    UINT result = MsiOpenDatabaseA(base.c_str(), MSIDBOPEN_READONLY, reference.slot());
    if (result == ERROR_SUCCESS)
        result = MsiOpenDatabaseA(changed.c_str(), MSIDBOPEN_READONLY, target.slot());
    if (result == ERROR_SUCCESS)
        result =
            MsiDatabaseGenerateTransformA(target.get(), reference.get(), transform.c_str(), 0, 0);
    // No error conditions to suppress: the viewer's own checks are what the
    // tests look at.
    if (result == ERROR_SUCCESS)
        result = MsiCreateTransformSummaryInfoA(target.get(), reference.get(), transform.c_str(), 0,
                                                validation);
    return result;
}

UINT MakePatch(const std::string& path, const std::string& targets, const std::string& listed,
               const std::vector<std::pair<std::string, std::string>>& storages) {
    const std::string tables = path + ".tables";
    UINT result = CreatePackage(tables, {});
    ScopedHandle database;
    ScopedHandle info;
    if (result == ERROR_SUCCESS)
        result = MsiOpenDatabaseA(tables.c_str(), MSIDBOPEN_TRANSACT, database.slot());
    if (result == ERROR_SUCCESS)
        result = MsiGetSummaryInformationA(database.get(), nullptr, 4, info.slot());
    const std::pair<UINT, std::string> values[] = {
        {PID_TITLE, "Patch"},
        {PID_TEMPLATE, targets},
        {PID_LASTAUTHOR, listed},
        {PID_REVNUMBER, "{CCCCCCCC-0000-0000-0000-000000000003}"}};
    for (const auto& [pid, text] : values)
        if (result == ERROR_SUCCESS)
            result =
                MsiSummaryInfoSetPropertyA(info.get(), pid, VT_LPSTR, 0, nullptr, text.c_str());
    if (result == ERROR_SUCCESS) result = MsiSummaryInfoPersist(info.get());
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database.get());
    if (result == ERROR_SUCCESS)
        result = msi::WritePatchFile(path.c_str(), tables.c_str(), storages);
    std::error_code ignored;
    std::filesystem::remove(tables, ignored);
    return result;
}

}  // namespace deltalens
