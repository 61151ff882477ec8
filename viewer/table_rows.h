// The rows of one table as the viewer shows them, kept compactly: every cell
// of the table as text in one buffer with one offset per cell, never an
// object per cell, so a table of 200,000 rows costs its text plus four bytes
// a cell. Rows are numbered in key order (integer key columns compared as
// numbers); rows added afterwards (a transform's deleted rows) follow them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msi.h"

namespace viewer {

struct ColumnInfo {
    std::string name;
    std::string type;  // the IDT notation: s72, I2, L0, v0...
    bool key = false;

    bool IsInteger() const { return !type.empty() && (type[0] == 'i' || type[0] == 'I'); }
    bool IsBinary() const { return !type.empty() && (type[0] == 'v' || type[0] == 'V'); }
};

class TableRows {
  public:
    // Reads every row of `table` through the installer interface; none when
    // it cannot be read, with the reason in `failure`. A binary cell reads
    // "[N bytes]" (its bytes stay in the package), a null cell "".
    // `expected_rows` (the table list's count, 0 when unknown) lets the
    // buffers be sized once instead of growing by copies.
    static std::optional<TableRows> Read(MSIHANDLE database, const std::string& table,
                                         std::string* failure, std::size_t expected_rows = 0);
    // Counts the rows without keeping them (the table list's figures); none
    // when the table cannot be read, with the reason in `failure`.
    static std::optional<std::size_t> Count(MSIHANDLE database, const std::string& table,
                                            std::string* failure);

    // A table with these columns and no rows yet (a dropped table's).
    static TableRows Empty(std::string table, std::vector<ColumnInfo> columns);

    const std::string& Table() const { return table_; }
    const std::vector<ColumnInfo>& Columns() const { return columns_; }
    std::size_t RowCount() const { return order_.size(); }
    std::string_view Cell(std::size_t row, std::size_t column) const;
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
    void Append(std::string_view cell);

    std::string table_;
    std::vector<ColumnInfo> columns_;
    std::string text_;
    std::vector<std::uint32_t> ends_;   // where each cell's text ends, row by row
    std::vector<std::uint32_t> order_;  // stored row of each row in key order
    std::size_t fetched_ = 0;           // rows read from the package
};

// A binary cell's text ("[1234 bytes]").
std::string BinaryCellText(std::size_t size);

}  // namespace viewer
