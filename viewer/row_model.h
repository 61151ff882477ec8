// The grid's model: the rows of one table (TableRows), in key order or
// sorted by a column, narrowed by a filter text, with a transform's marks
// when the package view has them. It holds only the order of the rows it
// shows (one number a row); every cell is read from TableRows when painted.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "row_marks.h"
#include "table_rows.h"

namespace viewer {

class RowModel : public QAbstractTableModel {
  public:
    // The whole text of a cell (DisplayRole shows a long text's first line).
    static constexpr int kWholeTextRole = Qt::UserRole + 1;
    // The row's RowMark as an int.
    static constexpr int kMarkRole = Qt::UserRole + 2;

    explicit RowModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Shows `rows` (null: nothing) in key order with no filter; `marks` may be null.
    void SetTable(const TableRows* rows, const RowMarks* marks);
    const TableRows* Rows() const { return rows_; }
    // Keeps the rows that hold `text` in any cell, ASCII letters compared
    // without regard to case; "" keeps every row.
    void SetFilter(const std::string& text);
    // With a transform: keeps only rows the transform inserts, deletes or changes.
    void SetChangedRowsOnly(bool only);

    // The TableRows row shown at `row`, and the shown row of a TableRows row
    // (-1 when filtered out).
    std::size_t SourceRow(int row) const { return shown_[static_cast<std::size_t>(row)]; }
    int ShownRow(std::size_t source_row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Column -1 is key order.
    void sort(int column, Qt::SortOrder order) override;

  private:
    void Rebuild();
    RowMark MarkOf(std::size_t source_row) const;

    const TableRows* rows_ = nullptr;
    const RowMarks* marks_ = nullptr;
    std::vector<std::uint32_t> shown_;  // TableRows rows, in the order shown
    std::string filter_;
    bool changed_only_ = false;
    int sort_column_ = -1;
    Qt::SortOrder sort_order_ = Qt::AscendingOrder;
};

// A cell's first line, for the grid; the whole text when it has one line.
std::string_view FirstLine(std::string_view text);
// Whether `text` holds `needle`, ASCII letters compared without regard to case.
bool ContainsFolded(std::string_view text, std::string_view needle);

}  // namespace viewer
