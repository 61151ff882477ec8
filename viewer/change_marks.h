// What one or more transforms, or a patch, would do to a package, indexed for the
// viewer's grid: per table the rows the transforms insert, delete or change
// (changed cells with their values before and after), the tables and
// columns they add, the tables they drop, and how many changes each table
// has. The changes are the installer's own view of them: the transforms are
// applied in view mode and _TransformView is read, so a table counts as many
// changes as Deltalens lists for it.
//
// Neither file is changed: the package is opened in transacted mode, which
// the installer needs to build _TransformView, and never committed. No Qt
// here: the benchmark and the tests use it without a window.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "msi.h"
#include "outcome.h"
#include "transform_units.h"

namespace viewer {

enum class RowChange {
    kChanged,   // a row of the package with changed cells
    kInserted,  // a row the transform adds; its cells are in `cells`
    kDeleted,   // a row of the package the transform removes
};

struct CellEdit {
    std::string column;
    std::string before;  // "" for a cell of an inserted row
    std::string after;
};

struct RowChanges {
    // The row's key as the installer writes it (RowKeyText).
    std::string key;
    RowChange mark = RowChange::kChanged;
    // Changed cells, and for an inserted row every non-key cell, in the
    // order the installer lists them.
    std::vector<CellEdit> cells;
    // A deleted row as the package holds it, one text per column of the
    // table (binary cells as "[N bytes]"), so that the grid can still show it.
    std::vector<std::string> values;

    const CellEdit* FindCell(const std::string& column) const;
};

struct TableChanges {
    std::string name;
    std::size_t change_count = 0;  // the rows Deltalens lists for this table
    bool added = false;
    bool dropped = false;
    std::vector<std::string> added_columns;
    // The rows a transform inserts, deletes or changes, ordered by key
    // (byte order), each once. A vector rather than a map: a table's changes
    // come grouped by row, and a map's nodes would double the memory.
    std::vector<RowChanges> rows;

    const RowChanges* FindRow(const std::string& key) const;
    bool IsAddedColumn(const std::string& column) const;
};

class ChangeMarks {
  public:
    // Told the tables marked so far before each transform is applied for
    // real: the last moment a table it drops still has its rows.
    using BeforeApply = std::function<void(const std::vector<TableChanges>&)>;

    // Applies `transforms`, in order, to `package` in view mode and indexes
    // what they do. Each is viewed against the package as the ones before it
    // left it (each is applied for real after its view), as Deltalens lists
    // a chain, so a table counts the changes Deltalens lists for it. A patch
    // stands for its pairs that fit the package as it then stands
    // (installer/transform_units.h); one with none that fits is refused as
    // Deltalens refuses it. On failure tells one stop to `sink`, with the
    // same texts as Deltalens, and returns false holding no changes.
    bool Mark(const std::string& package, const std::vector<std::string>& transforms,
              diag::OutcomeSink& sink);
    // The same over a package the caller opened in a mode that may change
    // (transacted, never committed), whose handle stays the caller's: its
    // tables then read as the transforms leave them; each deleted row's
    // values have a cell for every column its table then has.
    bool MarkIn(MSIHANDLE database, const std::vector<std::string>& transforms,
                diag::OutcomeSink& sink, const BeforeApply& before_apply = {});

    // Every table a transform touches, ordered by name.
    const std::vector<TableChanges>& Tables() const { return tables_; }
    const TableChanges* FindTable(const std::string& name) const;
    std::size_t ChangeCount() const { return change_count_; }
    // "19,259 changes in 77 tables".
    std::string SummaryText() const;

  private:
    bool MarkOpen(CMsiDatabase& database, const std::vector<std::string>& transforms,
                  diag::OutcomeSink& sink, const BeforeApply& before_apply);
    // One transform of a unit: viewed, its changes added, then applied.
    bool MarkPart(CMsiDatabase& database, const installer::TransformUnit& unit,
                  const std::string& part, std::map<std::string, std::size_t>& index,
                  diag::OutcomeSink& sink, const BeforeApply& before_apply);
    // Drops what was marked; false, for the caller to return.
    bool Forget();

    std::vector<TableChanges> tables_;
    std::size_t change_count_ = 0;
};

// A row's key as the installer writes it in _TransformView: the key
// columns' texts joined by tabs, a null key as one blank.
std::string RowKeyText(const std::vector<std::string>& key_values);

// 19259 as "19,259".
std::string GroupedNumber(std::size_t number);

}  // namespace viewer
