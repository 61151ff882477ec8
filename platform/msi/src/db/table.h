// The rows of one table, in memory.
//
// Cells are 32-bit values whose meaning depends on the column:
//   string   an id into the database's string pool (0 = null)
//   integer  the value itself, decoded from the stored bias; Record::kNullInteger = null
//   binary   1 when a stream exists (named Table.key1.key2...), 0 for null
// Rows are kept in the order the installer stores them: by key cells, key
// columns in column order, string keys by pool id (not by text), integer keys
// by signed value. A table read from a file keeps the file's order; when that
// order is not sorted (some writers do not sort), look-ups fall back to a scan.
// A row whose key an earlier row of the stream has is left out (and counted
// on the debug channel): a key names one row.
//
// Rows are shared so that a view can keep pointing at the rows it selected
// while the table changes; an erased row is marked so views skip it. The
// rows of a table read from its stream live in one block with their cells
// (cells.h): each RowPtr shares that block, which goes when the last of them
// does.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/mapped_allocator.h"
#include "common/status.h"
#include "db/cells.h"
#include "db/table_schema.h"
#include "format/string_pool.h"
#include "format/table_stream.h"

namespace msi::db {

struct Row {
    Cells cells;
    bool temporary = false;  // inserted with INSERT ... TEMPORARY: never written
    bool erased = false;     // taken out of its table
};
using RowPtr = std::shared_ptr<Row>;
// A table's rows, and a view's results, in the blocks table data is made of.
using RowList = std::vector<RowPtr, MappedAllocator<RowPtr>>;

// Whether a cell of a column of `type` holds null, as said above.
inline bool IsNullCell(format::ColumnType type, uint32_t cell) {
    return type.IsInteger() ? static_cast<int32_t>(cell) == format::kNullInteger : cell == 0;
}

class Table {
  public:
    explicit Table(TableSchema schema)
        : schema_(std::move(schema)), key_count_(schema_.KeyCount()) {}

    // Builds a table from a decoded stream, taking its cells over as the
    // rows' block. Checks every string id against the pool, so a damaged
    // stream fails here rather than in a query.
    static Result<std::unique_ptr<Table>> FromStream(TableSchema schema, format::TableCells cells,
                                                     const format::StringPool& pool);

    // Rows that share one block of cells (row-major, `width` to a row), as a
    // table read from its stream holds them: no allocation per row.
    static RowList MakeRows(format::CellVector cells, size_t width);

    const TableSchema& schema() const { return schema_; }
    const RowList& rows() const { return rows_; }
    size_t row_count() const { return rows_.size(); }

    // <0, 0, >0 comparing the key cells of two rows.
    int CompareKeys(std::span<const uint32_t> a, std::span<const uint32_t> b) const;
    // The row whose key cells equal those of `cells`, or null.
    RowPtr Find(std::span<const uint32_t> cells) const;
    // Inserts in key order; kExists when a row has the same key.
    Status Insert(RowPtr row);
    // Adds a row after the last one, keeping the caller's order (a text
    // archive import keeps the archive's row order, so that export, import
    // and export again give the same file). The caller has made sure no row
    // has the same key; rows out of key order make look-ups scan.
    void Append(RowPtr row);
    // Removes the row (marks it erased). No effect for a row of another table.
    void Erase(const RowPtr& row);
    // Removes every row.
    void Clear();
    // Appends a column; every row gets a null cell for it.
    void AddColumn(ColumnSchema column);
    // A copy without the temporary columns (rows copied too), for when the
    // last hold on the table goes: views reading this table keep it whole.
    std::shared_ptr<Table> WithoutTemporaryColumns() const;

    // The persistent part as cells for the table stream: persistent columns of
    // rows not inserted as temporary, integers biased for storage. Fails when
    // an integer does not fit its stored width.
    Result<format::TableCells> ToStream() const;

    // Whether any change was made since the table was loaded or created.
    bool modified() const { return modified_; }
    void set_modified() { modified_ = true; }

  private:
    // Takes out of a stream's cells (row-major) every row whose key an
    // earlier row has: a key names one row, and a stream that repeats one
    // must not cost a row per repeat. Says on the debug channel how many
    // went; returns that number.
    size_t DropRepeatedKeys(format::CellVector& cells, size_t width);
    // Position of the first row not less than `cells` (sorted tables only).
    size_t LowerBound(std::span<const uint32_t> cells) const;
    void CheckSorted();

    TableSchema schema_;
    size_t key_count_;  // schema_.KeyCount(), asked by every key comparison
    RowList rows_;
    bool sorted_ = true;
    bool modified_ = false;
};

}  // namespace msi::db
