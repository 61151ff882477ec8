// The shape of one table: its name and its columns in stored order. Key
// columns come first (the installer stores them first, in key order).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/column_type.h"

namespace msi::db {

struct ColumnSchema {
    std::string name;  // process code page (UTF-8)
    format::ColumnType type;
};

struct TableSchema {
    std::string name;  // process code page (UTF-8)
    std::vector<ColumnSchema> columns;
    // A temporary table lives in memory only: no _Tables row, no stream.
    bool temporary = false;

    size_t column_count() const { return columns.size(); }
    // Number of leading key columns.
    size_t KeyCount() const;
    // The 0-based index of a column (names are case-sensitive).
    std::optional<size_t> FindColumn(const std::string& column) const;
    // Whether any column is persistent (a table of only temporary columns is temporary).
    bool HasPersistentColumns() const;
    // Cell sizes of the persistent columns, in order, for the table stream.
    std::vector<uint8_t> StoredCellSizes(bool long_refs) const;
};

// The schemas of the two system tables that describe all others. They are
// never listed in _Tables or _Columns themselves.
const TableSchema& TablesTableSchema();
const TableSchema& ColumnsTableSchema();
// The virtual tables over the root's streams and sub-storages.
const TableSchema& StreamsTableSchema();
const TableSchema& StoragesTableSchema();

}  // namespace msi::db
