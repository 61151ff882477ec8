#include "table_reader.h"

#include <cctype>

#include "msi_engine.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"
#include "package_tables.h"

namespace tablesmith {

namespace {

// The engine's words for the last failure, else the result code.
std::string FailureOf(UINT result) {
    std::string text = msi::LastFailureText();
    if (text.empty()) text = "the engine answered error " + std::to_string(result);
    return text;
}

std::string FieldText(MSIHANDLE record, UINT field) {
    std::string text(256, '\0');
    DWORD size = static_cast<DWORD>(text.size());
    UINT result = MsiRecordGetStringA(record, field, text.data(), &size);
    if (result == ERROR_MORE_DATA) {
        text.resize(size + 1);
        size = static_cast<DWORD>(text.size());
        result = MsiRecordGetStringA(record, field, text.data(), &size);
    }
    if (result != ERROR_SUCCESS) return "";
    text.resize(size);
    return text;
}

TableColumn ColumnOf(const std::string& name, const std::string& type) {
    TableColumn column;
    column.name = name;
    column.type = type;
    const char letter = type.empty() ? 's' : type[0];
    column.nullable = std::isupper(static_cast<unsigned char>(letter)) != 0;
    switch (std::tolower(static_cast<unsigned char>(letter))) {
        case 'i':
            column.kind = TableColumn::Kind::kInteger;
            break;
        case 'v':
            column.kind = TableColumn::Kind::kBinary;
            break;
        case 'l':
            column.localizable = true;
            break;
        default:
            break;
    }
    column.size = type.size() > 1 ? std::atoi(type.c_str() + 1) : 0;
    return column;
}

bool ReadBinary(MSIHANDLE record, UINT field, bool bytes, TableCell& cell) {
    cell.size = MsiRecordDataSize(record, field);
    if (!bytes) return true;
    cell.text.clear();
    char buffer[65536];
    for (;;) {
        DWORD count = sizeof buffer;
        if (MsiRecordReadStream(record, field, buffer, &count) != ERROR_SUCCESS) return false;
        if (count == 0) break;
        cell.text.append(buffer, count);
    }
    cell.size = cell.text.size();
    return true;
}

}  // namespace

bool ReadTableRows(MSIHANDLE database, const std::string& name, bool binary_bytes,
                   std::vector<TableColumn>& columns,
                   const std::function<void(const std::vector<TableCell>&)>& on_row,
                   std::string& failure) {
    columns.clear();
    CMsiScopedHandle view;
    const std::string query = "SELECT * FROM `" + name + "`";
    UINT result = MsiDatabaseOpenViewA(database, query.c_str(), view.GetHandleSlot());
    if (result == ERROR_SUCCESS) result = MsiViewExecute(view.Get(), 0);
    if (result != ERROR_SUCCESS) {
        failure = FailureOf(result);
        return false;
    }
    CMsiScopedHandle names;
    CMsiScopedHandle types;
    if (MsiViewGetColumnInfo(view.Get(), MSICOLINFO_NAMES, names.GetHandleSlot()) !=
            ERROR_SUCCESS ||
        MsiViewGetColumnInfo(view.Get(), MSICOLINFO_TYPES, types.GetHandleSlot()) !=
            ERROR_SUCCESS) {
        failure = "its columns cannot be read";
        return false;
    }
    const UINT count = MsiRecordGetFieldCount(names.Get());
    for (UINT field = 1; field <= count; ++field)
        columns.push_back(ColumnOf(FieldText(names.Get(), field), FieldText(types.Get(), field)));
    CMsiScopedHandle keys;
    if (MsiDatabaseGetPrimaryKeysA(database, name.c_str(), keys.GetHandleSlot()) == ERROR_SUCCESS) {
        const UINT key_count = MsiRecordGetFieldCount(keys.Get());
        for (UINT key = 1; key <= key_count && key <= count; ++key) columns[key - 1].key = true;
    }

    std::vector<TableCell> cells(count);
    CMsiScopedHandle record;
    for (;;) {
        result = MsiViewFetch(view.Get(), record.GetHandleSlot());
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) {
            failure = FailureOf(result);
            return false;
        }
        for (UINT field = 1; field <= count; ++field) {
            TableCell& cell = cells[field - 1];
            cell.null = MsiRecordIsNull(record.Get(), field) != 0;
            cell.text.clear();
            cell.size = 0;
            if (cell.null) continue;
            if (columns[field - 1].kind == TableColumn::Kind::kBinary) {
                if (!ReadBinary(record.Get(), field, binary_bytes, cell)) {
                    failure = "the data of a binary cell of column " + columns[field - 1].name +
                              " cannot be read";
                    return false;
                }
            } else {
                cell.text = FieldText(record.Get(), field);
            }
        }
        on_row(cells);
    }
    return true;
}

bool ReadTableNames(MSIHANDLE database, std::vector<std::string>& names, std::string& failure) {
    names.clear();
    std::vector<TableColumn> columns;
    const bool read = ReadTableRows(
        database, "_Tables", false, columns,
        [&](const std::vector<TableCell>& cells) {
            if (!cells.empty()) names.push_back(cells[0].text);
        },
        failure);
    SortTableNames(names);
    return read;
}

}  // namespace tablesmith
