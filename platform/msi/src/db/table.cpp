#include "db/table.h"

#include <algorithm>
#include <string>

#include "db/record.h"
#include "win32/debug.h"

namespace msi::db {

using format::ColumnType;

namespace {

// Every row of a table read from its stream, and their cells, row-major.
struct RowBlock {
    format::CellVector cells;
    std::vector<Row, MappedAllocator<Row>> rows;
};

// The rows of a row-major cell block whose key cells (the first `keys` of
// each row) are known, by row number: open addressing over row numbers, so a
// row costs a few bytes and its key is read from the block itself.
class KeySet {
  public:
    KeySet(const format::CellVector& cells, size_t width, size_t keys)
        : cells_(cells), width_(width), keys_(keys), slots_(64, kEmpty) {}

    // Whether a row already in the set has the key of row `r`.
    bool Contains(size_t r) const {
        for (size_t i = Hash(r) & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == kEmpty) return false;
            if (SameKey(slots_[i], r)) return true;
        }
    }

    // Adds row `r`, whose key is not in the set yet.
    void Insert(size_t r) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        Place(static_cast<uint32_t>(r));
        ++count_;
    }

  private:
    static constexpr uint32_t kEmpty = UINT32_MAX;

    size_t Hash(size_t r) const {
        uint64_t h = 0;
        for (size_t c = 0; c < keys_; ++c) h = (h ^ cells_[r * width_ + c]) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(h ^ (h >> 29));
    }
    bool SameKey(size_t a, size_t b) const {
        return std::equal(&cells_[a * width_], &cells_[a * width_ + keys_], &cells_[b * width_]);
    }
    void Place(uint32_t r) {
        size_t i = Hash(r) & (slots_.size() - 1);
        while (slots_[i] != kEmpty) i = (i + 1) & (slots_.size() - 1);
        slots_[i] = r;
    }
    void Grow() {
        std::vector<uint32_t> old(slots_.size() * 2, kEmpty);
        old.swap(slots_);
        for (uint32_t r : old)
            if (r != kEmpty) Place(r);
    }

    const format::CellVector& cells_;
    const size_t width_;
    const size_t keys_;
    std::vector<uint32_t> slots_;
    size_t count_ = 0;
};

}  // namespace

Result<std::unique_ptr<Table>> Table::FromStream(TableSchema schema, format::TableCells cells,
                                                 const format::StringPool& pool) {
    auto table = std::make_unique<Table>(std::move(schema));
    const auto& columns = table->schema_.columns;
    // Stored columns are the persistent ones, in order; temporary columns of
    // a loaded table cannot exist yet (they are added after loading).
    if (cells.column_count != columns.size())
        return Status::Corrupt("table " + table->schema_.name + ": stream has " +
                               std::to_string(cells.column_count) + " columns, schema " +
                               std::to_string(columns.size()));
    const size_t width = columns.size();
    // The stored values become cell values in place, a column at a time.
    for (size_t c = 0; c < width; ++c) {
        const ColumnType type = columns[c].type;
        uint32_t* cell = cells.cells.data() + c;
        for (size_t r = 0; r < cells.row_count; ++r, cell += width) {
            const uint32_t raw = *cell;
            if (type.IsBinary()) {
                *cell = raw != 0 ? 1 : 0;
            } else if (type.IsString()) {
                // An id the pool does not hold means the stream and the pool
                // disagree; reading on would hand out the wrong strings.
                if (raw != 0 && !pool.Lookup(raw))
                    return Status::Corrupt("table " + table->schema_.name + ": row " +
                                           std::to_string(r + 1) + " refers to unknown string " +
                                           std::to_string(raw));
            } else if (type.IsLongInteger()) {
                *cell = static_cast<uint32_t>(format::LoadLongInteger(raw));
            } else {
                *cell = static_cast<uint32_t>(format::LoadShortInteger(raw));
            }
        }
    }
    cells.row_count -= table->DropRepeatedKeys(cells.cells, width);
    table->rows_ = MakeRows(std::move(cells.cells), width);
    table->CheckSorted();
    return table;
}

size_t Table::DropRepeatedKeys(format::CellVector& cells, size_t width) {
    const size_t keys = schema_.KeyCount();
    const size_t rows = width == 0 ? 0 : cells.size() / width;
    if (keys == 0 || rows < 2) return 0;
    auto row = [&cells, width](size_t r) {
        return std::span<const uint32_t>(&cells[r * width], width);
    };
    // Mostly the rows are in key order and no key repeats: one pass tells.
    size_t unsure = 1;
    while (unsure < rows && CompareKeys(row(unsure - 1), row(unsure)) < 0) ++unsure;
    if (unsure == rows) return 0;
    // From there on each row is looked up among the keys kept so far, and
    // kept rows move down over the dropped ones. The set grows with the rows
    // kept, not with the stream: a stream repeating one row costs one slot.
    KeySet kept_keys(cells, width, keys);
    for (size_t r = 0; r < unsure; ++r) kept_keys.Insert(r);
    size_t kept = unsure;
    for (size_t r = unsure; r < rows; ++r) {
        if (kept_keys.Contains(r)) continue;
        if (kept != r) std::copy_n(&cells[r * width], width, &cells[kept * width]);
        kept_keys.Insert(kept);
        ++kept;
    }
    cells.resize(kept * width);
    if (kept < rows / 2) cells.shrink_to_fit();  // mostly repeats: give the rest back
    const size_t dropped = rows - kept;
    if (dropped == 0) return 0;
    const std::string line = "msi: table " + schema_.name + ": " + std::to_string(dropped) +
                             " rows repeat the key of an earlier row and were left out\n";
    OutputDebugStringA(line.c_str());
    return dropped;
}

RowList Table::MakeRows(format::CellVector cells, size_t width) {
    RowList rows;
    if (width == 0) return rows;
    auto block = std::make_shared<RowBlock>();
    block->cells = std::move(cells);
    const size_t count = block->cells.size() / width;
    block->rows.resize(count);
    rows.reserve(count);
    for (size_t r = 0; r < count; ++r) {
        Row& row = block->rows[r];
        row.cells = Cells::Viewing(block->cells.data() + r * width, width);
        rows.emplace_back(block, &row);
    }
    return rows;
}

int Table::CompareKeys(std::span<const uint32_t> a, std::span<const uint32_t> b) const {
    const size_t keys = key_count_;
    for (size_t c = 0; c < keys; ++c) {
        if (a[c] == b[c]) continue;
        // Integer keys order by signed value; a null integer (INT32_MIN) sorts
        // first, as its stored form 0 does. String keys order by pool id.
        if (schema_.columns[c].type.IsInteger())
            return static_cast<int32_t>(a[c]) < static_cast<int32_t>(b[c]) ? -1 : 1;
        return a[c] < b[c] ? -1 : 1;
    }
    return 0;
}

void Table::CheckSorted() {
    sorted_ = true;
    for (size_t i = 1; i < rows_.size(); ++i) {
        if (CompareKeys(rows_[i - 1]->cells, rows_[i]->cells) > 0) {
            sorted_ = false;
            return;
        }
    }
}

size_t Table::LowerBound(std::span<const uint32_t> cells) const {
    auto it = std::lower_bound(rows_.begin(), rows_.end(), cells,
                               [this](const RowPtr& row, std::span<const uint32_t> key) {
                                   return CompareKeys(row->cells, key) < 0;
                               });
    return static_cast<size_t>(it - rows_.begin());
}

RowPtr Table::Find(std::span<const uint32_t> cells) const {
    if (schema_.KeyCount() == 0) return nullptr;
    if (sorted_) {
        const size_t pos = LowerBound(cells);
        if (pos < rows_.size() && CompareKeys(rows_[pos]->cells, cells) == 0) return rows_[pos];
        return nullptr;
    }
    for (const auto& row : rows_)
        if (CompareKeys(row->cells, cells) == 0) return row;
    return nullptr;
}

Status Table::Insert(RowPtr row) {
    if (row->cells.size() != schema_.columns.size())
        return Status::InvalidArgument("row has the wrong number of cells");
    if (!sorted_ || schema_.KeyCount() == 0) {
        if (Find(row->cells))
            return Status::Exists("a row with this key exists in " + schema_.name);
        rows_.push_back(std::move(row));
        modified_ = true;
        return Status::Ok();
    }
    // Bulk inserts (imports, transform views) mostly come in key order: one
    // comparison with the last row then places the row without a search.
    size_t pos = rows_.size();
    if (!rows_.empty() && CompareKeys(rows_.back()->cells, row->cells) >= 0) {
        pos = LowerBound(row->cells);
        if (CompareKeys(rows_[pos]->cells, row->cells) == 0)
            return Status::Exists("a row with this key exists in " + schema_.name);
    }
    rows_.insert(rows_.begin() + static_cast<ptrdiff_t>(pos), std::move(row));
    modified_ = true;
    return Status::Ok();
}

void Table::Append(RowPtr row) {
    if (sorted_ && !rows_.empty() && CompareKeys(rows_.back()->cells, row->cells) > 0)
        sorted_ = false;
    rows_.push_back(std::move(row));
    modified_ = true;
}

void Table::Erase(const RowPtr& row) {
    auto it = std::find(rows_.begin(), rows_.end(), row);
    if (it == rows_.end()) return;
    (*it)->erased = true;
    rows_.erase(it);
    modified_ = true;
}

void Table::Clear() {
    for (auto& row : rows_) row->erased = true;
    rows_.clear();
    modified_ = true;
}

void Table::AddColumn(ColumnSchema column) {
    const uint32_t null_cell =
        column.type.IsInteger() ? static_cast<uint32_t>(Record::kNullInteger) : 0;
    schema_.columns.push_back(std::move(column));
    key_count_ = schema_.KeyCount();
    for (auto& row : rows_) row->cells.push_back(null_cell);
    modified_ = true;
}

std::shared_ptr<Table> Table::WithoutTemporaryColumns() const {
    std::vector<size_t> kept;
    TableSchema schema = schema_;
    schema.columns.clear();
    for (size_t c = 0; c < schema_.columns.size(); ++c) {
        if (schema_.columns[c].type.IsTemporary()) continue;
        kept.push_back(c);
        schema.columns.push_back(schema_.columns[c]);
    }
    auto table = std::make_shared<Table>(std::move(schema));
    table->rows_.reserve(rows_.size());
    for (const auto& row : rows_) {
        auto copy = std::make_shared<Row>();
        copy->temporary = row->temporary;
        for (size_t c : kept) copy->cells.push_back(row->cells[c]);
        table->rows_.push_back(std::move(copy));
    }
    table->sorted_ = sorted_;
    table->modified_ = modified_;
    return table;
}

Result<format::TableCells> Table::ToStream() const {
    std::vector<size_t> stored;
    for (size_t c = 0; c < schema_.columns.size(); ++c)
        if (!schema_.columns[c].type.IsTemporary()) stored.push_back(c);
    format::TableCells out;
    out.column_count = stored.size();
    for (const auto& row : rows_) {
        if (row->temporary) continue;
        for (size_t c : stored) {
            const ColumnType type = schema_.columns[c].type;
            const uint32_t cell = row->cells[c];
            if (type.IsInteger()) {
                const int32_t value = static_cast<int32_t>(cell);
                if (type.IsLongInteger()) {
                    out.cells.push_back(format::StoreLongInteger(value));
                } else {
                    auto stored_value = format::StoreShortInteger(value);
                    if (!stored_value.ok()) return stored_value.status();
                    out.cells.push_back(*stored_value);
                }
            } else {
                out.cells.push_back(cell);
            }
        }
        ++out.row_count;
    }
    return out;
}

}  // namespace msi::db
