#include "engine_table_reader.h"

#include "msiquery.h"

namespace installer_test {

std::vector<std::vector<std::string>> ReadTableDirectly(const std::string& package,
                                                        const std::string& table) {
    std::vector<std::vector<std::string>> rows;
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS)
        return rows;
    MSIHANDLE view = 0;
    const std::string query = "SELECT * FROM `" + table + "`";
    if (MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE types = 0;
        MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, &types);
        MSIHANDLE row = 0;
        while (MsiViewFetch(view, &row) == ERROR_SUCCESS) {
            std::vector<std::string> fields;
            const UINT count = MsiRecordGetFieldCount(row);
            for (UINT field = 1; field <= count; ++field) {
                char type[32] = {};
                DWORD type_size = sizeof type;
                MsiRecordGetStringA(types, field, type, &type_size);
                if (type[0] == 'v' || type[0] == 'V') {
                    fields.push_back(MsiRecordIsNull(row, field)
                                         ? ""
                                         : "[Binary]" +
                                               std::to_string(MsiRecordDataSize(row, field)));
                    continue;
                }
                DWORD size = 0;
                char empty[1] = {};
                MsiRecordGetStringA(row, field, empty, &size);
                std::string text(size + 1, '\0');
                size += 1;
                MsiRecordGetStringA(row, field, text.data(), &size);
                text.resize(size);
                fields.push_back(text);
            }
            rows.push_back(fields);
            MsiCloseHandle(row);
        }
        MsiCloseHandle(types);
        MsiViewClose(view);
    }
    MsiCloseHandle(view);
    MsiCloseHandle(database);
    return rows;
}

}  // namespace installer_test
