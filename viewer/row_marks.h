// What a transform does to the rows the viewer shows, as the grid asks for
// it. The viewer's models consult a RowMarks when one is set (none: no
// transform, nothing marked); whoever applies the transform implements it.
//
// A row is named by its table and its key: the key columns' cells as the
// grid shows them, in column order. Cells are text as the grid shows them
// too (an integer in decimal, null as "", a binary cell as "[N bytes]").
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "msi.h"
#include "outcome.h"
#include "table_rows.h"

namespace viewer {

enum class RowMark { kNone, kInserted, kDeleted, kChanged };
enum class TableMark { kNone, kAdded, kDropped };

struct CellChange {
    std::string before;
    std::string after;
};

class RowMarks {
  public:
    virtual ~RowMarks() = default;

    // The transform's name as the window's title adds it ("AcroRead-rcs.mst").
    virtual std::string Title() const = 0;
    // The counts for the whole transform, for the status line
    // ("19,259 changes in 77 tables").
    virtual std::string StatusText() const = 0;

    virtual TableMark MarkOfTable(const std::string& table) const = 0;
    // How many rows of the table the transform changes (inserted, deleted
    // and changed ones); 0 for an untouched table.
    virtual int ChangeCount(const std::string& table) const = 0;
    // Tables the viewer cannot read from the database because the transform
    // drops them; they are listed with their TableMark.
    virtual std::vector<std::string> DroppedTables() const = 0;
    // The columns a dropped table had, to show its rows (ExtraRows) under.
    virtual std::vector<ColumnInfo> DroppedTableColumns(const std::string& table) const = 0;
    // Whether the transform adds this column to the table.
    virtual bool IsColumnAdded(const std::string& table, const std::string& column) const = 0;

    virtual RowMark MarkOfRow(const std::string& table,
                              const std::vector<std::string>& key) const = 0;
    // The cell's value before and after, when the transform changes it.
    virtual std::optional<CellChange> ChangeOfCell(const std::string& table,
                                                   const std::vector<std::string>& key,
                                                   const std::string& column) const = 0;
    // Rows to show that the database no longer holds (the deleted ones), each
    // with a cell per column of the table as the database now has it.
    virtual std::vector<std::vector<std::string>> ExtraRows(const std::string& table) const = 0;
};

// Makes the marks of `transforms` over `database`, the package opened
// transacted and never committed (the installer applies a transform only to
// a database it may change): it applies them (neither file changes) before
// the viewer reads a row. A transform that does not fit is told to `sink` as a
// stop and gives no marks (the viewer then opens no window).
using MarksMaker = std::function<std::unique_ptr<RowMarks>(
    MSIHANDLE database, const std::vector<std::string>& transforms, diag::OutcomeSink& sink)>;

}  // namespace viewer
