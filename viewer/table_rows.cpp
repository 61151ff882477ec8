#include "table_rows.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <optional>
#include <string_view>
#include <utility>

#include "msi_scoped_handle.h"
#include "msiquery.h"

namespace viewer {

namespace {

std::string Quoted(const std::string& table) {
    return "SELECT * FROM `" + table + "`";
}

std::string CodeText(const std::string& step, UINT code) {
    return step + " failed (error " + std::to_string(code) + ")";
}

// A string field's text, read into `buffer` (grown as the installer asks).
bool GetField(MSIHANDLE record, UINT field, std::string& buffer, std::string_view& text) {
    DWORD size = static_cast<DWORD>(buffer.size());
    UINT result = MsiRecordGetStringA(record, field, buffer.data(), &size);
    if (result == ERROR_MORE_DATA) {
        buffer.resize(size + 1);
        size = static_cast<DWORD>(buffer.size());
        result = MsiRecordGetStringA(record, field, buffer.data(), &size);
    }
    if (result != ERROR_SUCCESS) return false;
    text = std::string_view(buffer.data(), size);
    return true;
}

// The table's query, run, so that a binary cell's record can be fetched.
bool Execute(MSIHANDLE database, const std::string& table, CMsiScopedHandle& view,
             std::string* failure) {
    UINT result = MsiDatabaseOpenViewA(database, Quoted(table).c_str(), view.GetHandleSlot());
    if (result == ERROR_SUCCESS) result = MsiViewExecute(view.Get(), 0);
    if (result != ERROR_SUCCESS) {
        if (failure) *failure = CodeText("the query", result);
        return false;
    }
    return true;
}

bool ReadCells(MSIHANDLE database, const std::string& table, msi::TableCells& cells,
               std::string* failure) {
    const UINT result = msi::TableCells::Read(database, table.c_str(), cells);
    if (result != ERROR_SUCCESS) {
        if (failure) *failure = CodeText("reading the rows", result);
        return false;
    }
    return true;
}

std::vector<std::string> KeyNames(MSIHANDLE database, const std::string& table) {
    CMsiScopedHandle record;
    std::vector<std::string> names;
    if (MsiDatabaseGetPrimaryKeysA(database, table.c_str(), record.GetHandleSlot()) !=
        ERROR_SUCCESS)
        return names;
    std::string buffer(256, '\0');
    UINT count = MsiRecordGetFieldCount(record.Get());
    for (UINT field = 1; field <= count; ++field) {
        std::string_view text;
        if (GetField(record.Get(), field, buffer, text)) names.emplace_back(text);
    }
    return names;
}

template <class T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// An integer cell's text as a number; none for null ("").
std::optional<long long> NumberOf(std::string_view text) {
    if (text.empty()) return std::nullopt;
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

std::string BinaryCellText(std::size_t size) {
    return "[" + std::to_string(size) + " bytes]";
}

CellText CellText::Own(std::string_view text) {
    CellText cell;
    cell.own_size_ = static_cast<std::uint8_t>(std::min(text.size(), sizeof cell.own_));
    std::copy_n(text.data(), cell.own_size_, cell.own_);
    return cell;
}

std::optional<std::size_t> TableRows::Count(MSIHANDLE database, const std::string& table,
                                            std::string* failure) {
    msi::TableCells cells;
    if (!ReadCells(database, table, cells, failure)) return std::nullopt;
    return cells.RowCount();
}

std::optional<TableRows> TableRows::Read(MSIHANDLE database, const std::string& table,
                                         std::string* failure) {
    TableRows rows;
    rows.table_ = table;
    if (!ReadCells(database, table, rows.cells_, failure)) return std::nullopt;
    std::vector<std::string> keys = KeyNames(database, table);
    // System tables have no key record; their first column names a row.
    if (keys.empty() && rows.cells_.ColumnCount() != 0) keys.push_back(rows.cells_.ColumnName(0));
    for (std::size_t i = 0; i < rows.cells_.ColumnCount(); ++i) {
        ColumnInfo column{rows.cells_.ColumnName(i), rows.cells_.ColumnType(i), false};
        column.key = std::find(keys.begin(), keys.end(), column.name) != keys.end();
        rows.columns_.push_back(std::move(column));
    }
    rows.order_.resize(rows.cells_.RowCount());
    std::iota(rows.order_.begin(), rows.order_.end(), 0u);
    std::vector<std::size_t> key_columns;
    for (std::size_t c = 0; c < rows.columns_.size(); ++c)
        if (rows.columns_[c].key) key_columns.push_back(c);
    std::stable_sort(rows.order_.begin(), rows.order_.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t c : key_columns)
            if (int order = rows.CompareStored(a, b, c); order != 0) return order < 0;
        return false;
    });
    return rows;
}

TableRows TableRows::Empty(std::string table, std::vector<ColumnInfo> columns) {
    TableRows rows;
    rows.table_ = std::move(table);
    rows.columns_ = std::move(columns);
    return rows;
}

CellText TableRows::StoredCell(std::size_t stored, std::size_t column) const {
    const std::size_t fetched = cells_.RowCount();
    if (stored >= fetched) return CellText(added_[(stored - fetched) * columns_.size() + column]);
    const std::uint32_t cell = cells_.Cell(stored, column);
    switch (cells_.ColumnKind(column)) {
        case msi::TableCells::Kind::kInteger: {
            if (cell == MSI_NULL_INTEGER) return {};
            char digits[16];
            auto end =
                std::to_chars(digits, digits + sizeof digits, static_cast<std::int32_t>(cell));
            return CellText::Own(
                std::string_view(digits, static_cast<std::size_t>(end.ptr - digits)));
        }
        case msi::TableCells::Kind::kBinary:
            if (cell == 0) return {};
            return CellText::Own(BinaryCellText(cells_.StreamSize(stored, column)));
        case msi::TableCells::Kind::kString:
            break;
    }
    return CellText(cells_.Text(cell));
}

std::optional<long long> TableRows::StoredNumber(std::size_t stored, std::size_t column) const {
    if (stored < cells_.RowCount() &&
        cells_.ColumnKind(column) == msi::TableCells::Kind::kInteger) {
        const std::uint32_t cell = cells_.Cell(stored, column);
        if (cell == MSI_NULL_INTEGER) return std::nullopt;
        return static_cast<std::int32_t>(cell);
    }
    return NumberOf(StoredCell(stored, column).View());
}

int TableRows::CompareStored(std::size_t a, std::size_t b, std::size_t column) const {
    if (columns_[column].IsInteger()) {
        const std::optional<long long> x = StoredNumber(a, column), y = StoredNumber(b, column);
        if (!x || !y) return static_cast<int>(x.has_value()) - static_cast<int>(y.has_value());
        return Order(*x, *y);
    }
    const std::size_t fetched = cells_.RowCount();
    if (a < fetched && b < fetched && cells_.ColumnKind(column) == msi::TableCells::Kind::kString) {
        // The common case, kept lean for sorting many rows: one string id
        // is one text, and looking one up leaves the other's view valid.
        const std::uint32_t x = cells_.Cell(a, column), y = cells_.Cell(b, column);
        return x == y ? 0 : Order(cells_.Text(x), cells_.Text(y));
    }
    const CellText x = StoredCell(a, column), y = StoredCell(b, column);
    return Order(x.View(), y.View());
}

int TableRows::Compare(std::size_t a, std::size_t b, std::size_t column) const {
    return CompareStored(order_[a], order_[b], column);
}

void TableRows::Sort(std::vector<std::uint32_t>& rows, std::size_t column, bool descending) const {
    if (cells_.ColumnCount() != columns_.size() ||
        cells_.ColumnKind(column) != msi::TableCells::Kind::kString) {
        auto less = [&](std::uint32_t a, std::uint32_t b) { return Compare(a, b, column) < 0; };
        auto greater = [&](std::uint32_t a, std::uint32_t b) { return Compare(b, a, column) < 0; };
        if (descending)
            std::stable_sort(rows.begin(), rows.end(), greater);
        else
            std::stable_sort(rows.begin(), rows.end(), less);
        return;
    }
    // A text column: each row's text is looked up once rather than at every
    // comparison (a sort compares each row about twenty times). Nothing here
    // calls the engine between the lookups and the sort, so the views last.
    std::vector<std::pair<std::string_view, std::uint32_t>> keyed;
    keyed.reserve(rows.size());
    const std::size_t fetched = cells_.RowCount();
    for (std::uint32_t row : rows) {
        const std::size_t stored = order_[row];
        keyed.emplace_back(
            stored < fetched
                ? cells_.Text(cells_.Cell(stored, column))
                : std::string_view(added_[(stored - fetched) * columns_.size() + column]),
            row);
    }
    auto by_text = [descending](const auto& a, const auto& b) {
        return descending ? b.first < a.first : a.first < b.first;
    };
    std::stable_sort(keyed.begin(), keyed.end(), by_text);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
}

CellText TableRows::Cell(std::size_t row, std::size_t column) const {
    return StoredCell(order_[row], column);
}

std::vector<std::string> TableRows::RowCells(std::size_t row) const {
    std::vector<std::string> cells;
    for (std::size_t c = 0; c < columns_.size(); ++c) cells.emplace_back(Cell(row, c).View());
    return cells;
}

std::vector<std::string> TableRows::Key(std::size_t row) const {
    std::vector<std::string> key;
    for (std::size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].key) key.emplace_back(Cell(row, c).View());
    return key;
}

std::optional<std::size_t> TableRows::FetchIndex(std::size_t row) const {
    if (order_[row] >= cells_.RowCount()) return std::nullopt;
    return order_[row];
}

void TableRows::AddRow(const std::vector<std::string>& cells) {
    const std::uint32_t stored = static_cast<std::uint32_t>(
        cells_.RowCount() + added_.size() / std::max<std::size_t>(columns_.size(), 1));
    for (std::size_t c = 0; c < columns_.size(); ++c)
        added_.push_back(c < cells.size() ? cells[c] : std::string());
    order_.push_back(stored);
}

std::string TableRows::ReadBinary(MSIHANDLE database, std::size_t row, std::size_t column,
                                  std::size_t limit, std::size_t* size) const {
    if (size) *size = 0;
    std::optional<std::size_t> index = FetchIndex(row);
    if (!index || column >= columns_.size() || !columns_[column].IsBinary()) return {};
    CMsiScopedHandle view;
    if (!Execute(database, table_, view, nullptr)) return {};
    CMsiScopedHandle record;
    for (std::size_t n = 0; n <= *index; ++n)
        if (MsiViewFetch(view.Get(), record.GetHandleSlot()) != ERROR_SUCCESS) return {};
    const UINT field = static_cast<UINT>(column + 1);
    if (MsiRecordIsNull(record.Get(), field)) return {};
    const std::size_t total = MsiRecordDataSize(record.Get(), field);
    if (size) *size = total;
    std::string bytes(std::min(total, limit), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1 << 20));
        if (MsiRecordReadStream(record.Get(), field, bytes.data() + got, &chunk) != ERROR_SUCCESS ||
            chunk == 0)
            break;
        got += chunk;
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace viewer
