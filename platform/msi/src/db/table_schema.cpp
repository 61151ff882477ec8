#include "db/table_schema.h"

namespace msi::db {

using format::ColumnType;

size_t TableSchema::KeyCount() const {
    size_t n = 0;
    while (n < columns.size() && columns[n].type.IsKey()) ++n;
    return n;
}

std::optional<size_t> TableSchema::FindColumn(const std::string& column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == column) return i;
    return std::nullopt;
}

bool TableSchema::HasPersistentColumns() const {
    for (const auto& c : columns)
        if (!c.type.IsTemporary()) return true;
    return false;
}

std::vector<uint8_t> TableSchema::StoredCellSizes(bool long_refs) const {
    std::vector<uint8_t> sizes;
    for (const auto& c : columns)
        if (!c.type.IsTemporary())
            sizes.push_back(static_cast<uint8_t>(c.type.CellSize(long_refs)));
    return sizes;
}

namespace {

// Type words as the installer's own tables use them: s64 key, i2 key, s64, i2;
// s62 key and V0 for the virtual tables.
constexpr uint16_t kS64Key = 0x2D40;
constexpr uint16_t kI2Key = 0x2502;
constexpr uint16_t kS64 = 0x0D40;
constexpr uint16_t kI2 = 0x0502;
constexpr uint16_t kS62Key = 0x2D3E;
constexpr uint16_t kV0Nullable = 0x1900;

TableSchema Make(std::string name, std::vector<std::pair<std::string, uint16_t>> cols) {
    TableSchema t;
    t.name = std::move(name);
    for (auto& [n, w] : cols) t.columns.push_back({n, ColumnType(w)});
    return t;
}

}  // namespace

const TableSchema& TablesTableSchema() {
    static const TableSchema schema = Make("_Tables", {{"Name", kS64Key}});
    return schema;
}

const TableSchema& ColumnsTableSchema() {
    static const TableSchema schema =
        Make("_Columns", {{"Table", kS64Key}, {"Number", kI2Key}, {"Name", kS64}, {"Type", kI2}});
    return schema;
}

const TableSchema& StreamsTableSchema() {
    static const TableSchema schema = Make("_Streams", {{"Name", kS62Key}, {"Data", kV0Nullable}});
    return schema;
}

const TableSchema& StoragesTableSchema() {
    static const TableSchema schema = Make("_Storages", {{"Name", kS62Key}, {"Data", kV0Nullable}});
    return schema;
}

}  // namespace msi::db
