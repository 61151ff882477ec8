// The rows of one table as the viewer shows them, kept compactly: the
// engine's own cells (a string id or a number, four bytes a cell), never a
// copy of their text nor an object per cell. A cell's text is looked up in
// the engine's string pool when it is shown, compared or searched, so a
// table's strings are held once, by the database. Rows are numbered in key
// order (integer key columns compared as numbers); rows added afterwards (a
// transform's deleted rows, which the database no longer has) follow them
// and keep their own text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msi.h"
#include "msi_engine.h"

namespace viewer {

struct ColumnInfo {
    std::string name;
    std::string type;  // the IDT notation: s72, I2, L0, v0...
    bool key = false;

    bool IsInteger() const { return !type.empty() && (type[0] == 'i' || type[0] == 'I'); }
    bool IsBinary() const { return !type.empty() && (type[0] == 'v' || type[0] == 'V'); }
};

// A cell's text: a view of the engine's string, or a short text of its own (a
// number, "[N bytes]"). Read it at once: a view of the engine's string lasts
// only until the next call into the engine.
class CellText {
  public:
    CellText() = default;
    explicit CellText(std::string_view shared) : shared_(shared) {}
    static CellText Own(std::string_view text);

    std::string_view View() const {
        return own_size_ != 0 ? std::string_view(own_, own_size_) : shared_;
    }

  private:
    std::string_view shared_;
    char own_[32];  // the first own_size_ are the text
    std::uint8_t own_size_ = 0;
};

class TableRows {
  public:
    // Reads every row of `table` as the engine's cells (msi::TableCells);
    // none when it cannot be read, with the reason in `failure`. A binary cell reads
    // "[N bytes]" (its bytes stay in the package), a null cell "".
    static std::optional<TableRows> Read(MSIHANDLE database, const std::string& table,
                                         std::string* failure);
    // Counts the rows without keeping them (the table list's figures); none
    // when the table cannot be read, with the reason in `failure`.
    static std::optional<std::size_t> Count(MSIHANDLE database, const std::string& table,
                                            std::string* failure);

    // A table with these columns and no rows yet (a dropped table's).
    static TableRows Empty(std::string table, std::vector<ColumnInfo> columns);

    const std::string& Table() const { return table_; }
    const std::vector<ColumnInfo>& Columns() const { return columns_; }
    std::size_t RowCount() const { return order_.size(); }
    CellText Cell(std::size_t row, std::size_t column) const;
    // <0, 0, >0 ordering two rows by a column as a header click sorts:
    // integer columns by value (null first), the others by text in byte
    // order.
    int Compare(std::size_t a, std::size_t b, std::size_t column) const;
    // Orders `rows` (row numbers) by a column as Compare does, stably, so
    // that rows with equal cells keep their order either way.
    void Sort(std::vector<std::uint32_t>& rows, std::size_t column, bool descending) const;
    std::vector<std::string> RowCells(std::size_t row) const;
    // The key columns' cells, in column order (how RowMarks names a row).
    std::vector<std::string> Key(std::size_t row) const;
    // Which row the installer's view gives as its `n`th (the order a query
    // fetches, which binary reads walk); none for an added row.
    std::optional<std::size_t> FetchIndex(std::size_t row) const;

    // Appends a row after the others (a cell per column).
    void AddRow(const std::vector<std::string>& cells);

    // The bytes of a binary cell, read again from the package: at most
    // `limit` of them, and its whole size in `size`. Empty when the cell is
    // not a stream.
    std::string ReadBinary(MSIHANDLE database, std::size_t row, std::size_t column,
                           std::size_t limit, std::size_t* size) const;

  private:
    // The same as Compare, for stored rows.
    int CompareStored(std::size_t a, std::size_t b, std::size_t column) const;
    CellText StoredCell(std::size_t stored, std::size_t column) const;
    // An integer column's value in a stored row; none for null.
    std::optional<long long> StoredNumber(std::size_t stored, std::size_t column) const;

    std::string table_;
    std::vector<ColumnInfo> columns_;
    msi::TableCells cells_;             // the rows read from the package
    std::vector<std::string> added_;    // the added rows' cells, row by row
    std::vector<std::uint32_t> order_;  // stored row of each row in key order
};

// A binary cell's text ("[1234 bytes]").
std::string BinaryCellText(std::size_t size);

}  // namespace viewer
