#include "table_rows.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <numeric>

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

bool Execute(MSIHANDLE database, const std::string& table, CMsiScopedHandle& view,
             std::string* failure) {
    UINT result = MsiDatabaseOpenViewA(database, Quoted(table).c_str(), view.GetHandleSlot());
    if (result != ERROR_SUCCESS) {
        if (failure) *failure = CodeText("the query", result);
        return false;
    }
    result = MsiViewExecute(view.Get(), 0);
    if (result != ERROR_SUCCESS) {
        if (failure) *failure = CodeText("the query", result);
        return false;
    }
    return true;
}

std::vector<std::string> FieldTexts(MSIHANDLE view, MSICOLINFO which) {
    std::vector<std::string> texts;
    CMsiScopedHandle record;
    if (MsiViewGetColumnInfo(view, which, record.GetHandleSlot()) != ERROR_SUCCESS) return texts;
    std::string buffer(256, '\0');
    UINT count = MsiRecordGetFieldCount(record.Get());
    for (UINT field = 1; field <= count; ++field) {
        std::string_view text;
        texts.emplace_back(GetField(record.Get(), field, buffer, text) ? text : "");
    }
    return texts;
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

// Integer cells as numbers (null, "", first), text in byte order.
int CompareCells(std::string_view a, std::string_view b, bool integer) {
    if (integer) {
        if (a.empty() || b.empty()) return static_cast<int>(!a.empty()) - !b.empty();
        long long x = 0, y = 0;
        std::from_chars(a.data(), a.data() + a.size(), x);
        std::from_chars(b.data(), b.data() + b.size(), y);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

std::string BinaryCellText(std::size_t size) {
    return "[" + std::to_string(size) + " bytes]";
}

std::optional<std::size_t> TableRows::Count(MSIHANDLE database, const std::string& table,
                                            std::string* failure) {
    CMsiScopedHandle view;
    if (!Execute(database, table, view, failure)) return std::nullopt;
    // Fetching one column instead of all makes each fetched record small.
    MSIHANDLE source = view.Get();
    CMsiScopedHandle narrow;
    std::vector<std::string> names = FieldTexts(view.Get(), MSICOLINFO_NAMES);
    if (!names.empty()) {
        const std::string query = "SELECT `" + names[0] + "` FROM `" + table + "`";
        if (MsiDatabaseOpenViewA(database, query.c_str(), narrow.GetHandleSlot()) ==
                ERROR_SUCCESS &&
            MsiViewExecute(narrow.Get(), 0) == ERROR_SUCCESS)
            source = narrow.Get();
    }
    std::size_t count = 0;
    CMsiScopedHandle record;
    for (;;) {
        UINT result = MsiViewFetch(source, record.GetHandleSlot());
        if (result == ERROR_NO_MORE_ITEMS) return count;
        if (result != ERROR_SUCCESS) {
            if (failure) *failure = CodeText("reading row " + std::to_string(count + 1), result);
            return std::nullopt;
        }
        ++count;
    }
}

std::optional<TableRows> TableRows::Read(MSIHANDLE database, const std::string& table,
                                         std::string* failure, std::size_t expected_rows) {
    CMsiScopedHandle view;
    if (!Execute(database, table, view, failure)) return std::nullopt;
    TableRows rows;
    rows.table_ = table;
    std::vector<std::string> names = FieldTexts(view.Get(), MSICOLINFO_NAMES);
    std::vector<std::string> types = FieldTexts(view.Get(), MSICOLINFO_TYPES);
    std::vector<std::string> keys = KeyNames(database, table);
    // System tables have no key record; their first column names a row.
    if (keys.empty() && !names.empty()) keys.push_back(names[0]);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ColumnInfo column{names[i], i < types.size() ? types[i] : "s0", false};
        column.key = std::find(keys.begin(), keys.end(), column.name) != keys.end();
        rows.columns_.push_back(std::move(column));
    }
    const std::size_t width = rows.columns_.size();
    std::string buffer(256, '\0');
    CMsiScopedHandle record;
    for (;;) {
        UINT result = MsiViewFetch(view.Get(), record.GetHandleSlot());
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) {
            if (failure)
                *failure = CodeText("reading row " + std::to_string(rows.fetched_ + 1), result);
            return std::nullopt;
        }
        for (std::size_t c = 0; c < width; ++c) {
            const UINT field = static_cast<UINT>(c + 1);
            if (rows.columns_[c].IsBinary()) {
                rows.Append(MsiRecordIsNull(record.Get(), field)
                                ? std::string()
                                : BinaryCellText(MsiRecordDataSize(record.Get(), field)));
            } else {
                std::string_view text;
                rows.Append(GetField(record.Get(), field, buffer, text) ? text : "");
            }
        }
        if (rows.text_.size() > std::numeric_limits<std::uint32_t>::max() / 2) {
            if (failure) *failure = "the table's text is too large to show";
            return std::nullopt;
        }
        ++rows.fetched_;
        // After a sample of rows, room for all of them at the sample's size.
        constexpr std::size_t kSample = 256;
        if (rows.fetched_ == kSample && expected_rows > kSample) {
            rows.ends_.reserve(expected_rows * width);
            rows.text_.reserve(rows.text_.size() / kSample * expected_rows * 9 / 8);
        }
    }
    rows.order_.resize(rows.fetched_);
    std::iota(rows.order_.begin(), rows.order_.end(), 0u);
    std::vector<std::size_t> key_columns;
    for (std::size_t c = 0; c < width; ++c)
        if (rows.columns_[c].key) key_columns.push_back(c);
    auto stored_cell = [&rows, width](std::uint32_t row, std::size_t column) {
        std::size_t index = row * width + column;
        std::uint32_t begin = index == 0 ? 0 : rows.ends_[index - 1];
        return std::string_view(rows.text_).substr(begin, rows.ends_[index] - begin);
    };
    std::stable_sort(rows.order_.begin(), rows.order_.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t c : key_columns) {
            int order =
                CompareCells(stored_cell(a, c), stored_cell(b, c), rows.columns_[c].IsInteger());
            if (order != 0) return order < 0;
        }
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

void TableRows::Append(std::string_view cell) {
    text_.append(cell);
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

std::string_view TableRows::Cell(std::size_t row, std::size_t column) const {
    std::size_t index = static_cast<std::size_t>(order_[row]) * columns_.size() + column;
    std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(begin, ends_[index] - begin);
}

std::vector<std::string> TableRows::RowCells(std::size_t row) const {
    std::vector<std::string> cells;
    for (std::size_t c = 0; c < columns_.size(); ++c) cells.emplace_back(Cell(row, c));
    return cells;
}

std::vector<std::string> TableRows::Key(std::size_t row) const {
    std::vector<std::string> key;
    for (std::size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].key) key.emplace_back(Cell(row, c));
    return key;
}

std::optional<std::size_t> TableRows::FetchIndex(std::size_t row) const {
    if (order_[row] >= fetched_) return std::nullopt;
    return order_[row];
}

void TableRows::AddRow(const std::vector<std::string>& cells) {
    const std::uint32_t stored =
        static_cast<std::uint32_t>(ends_.size() / std::max<std::size_t>(columns_.size(), 1));
    for (std::size_t c = 0; c < columns_.size(); ++c)
        Append(c < cells.size() ? std::string_view(cells[c]) : std::string_view());
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
