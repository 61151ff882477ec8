#include "row_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <algorithm>

namespace viewer {

namespace {

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string_view FirstLine(std::string_view text) {
    std::size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(0, end);
}

bool ContainsFolded(std::string_view text, std::string_view needle) {
    if (needle.empty()) return true;
    auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                          [](char a, char b) { return Fold(a) == Fold(b); });
    return it != text.end();
}

void RowModel::SetTable(const TableRows* rows, const RowMarks* marks) {
    beginResetModel();
    rows_ = rows;
    marks_ = marks;
    filter_.clear();
    changed_only_ = false;
    sort_column_ = -1;
    sort_order_ = Qt::AscendingOrder;
    Rebuild();
    endResetModel();
}

void RowModel::SetFilter(const std::string& text) {
    if (text == filter_) return;
    beginResetModel();
    filter_ = text;
    Rebuild();
    endResetModel();
}

void RowModel::SetChangedRowsOnly(bool only) {
    beginResetModel();
    changed_only_ = only;
    Rebuild();
    endResetModel();
}

RowMark RowModel::MarkOf(std::size_t source_row) const {
    if (!marks_ || !rows_) return RowMark::kNone;
    return marks_->MarkOfRow(rows_->Table(), rows_->Key(source_row));
}

void RowModel::Rebuild() {
    shown_.clear();
    if (!rows_) return;
    const std::size_t width = rows_->Columns().size();
    shown_.reserve(rows_->RowCount());
    for (std::size_t row = 0; row < rows_->RowCount(); ++row) {
        if (changed_only_ && MarkOf(row) == RowMark::kNone) continue;
        bool keep = filter_.empty();
        for (std::size_t c = 0; c < width && !keep; ++c)
            keep = ContainsFolded(rows_->Cell(row, c).View(), filter_);
        if (keep) shown_.push_back(static_cast<std::uint32_t>(row));
    }
    if (sort_column_ < 0 || static_cast<std::size_t>(sort_column_) >= width) {
        // Key order is TableRows' own; descending reverses it.
        if (sort_order_ == Qt::DescendingOrder) std::reverse(shown_.begin(), shown_.end());
        return;
    }
    // Stable, so rows with equal cells stay in key order either way.
    rows_->Sort(shown_, static_cast<std::size_t>(sort_column_), sort_order_ == Qt::DescendingOrder);
}

void RowModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged();
    sort_column_ = column;
    sort_order_ = order;
    Rebuild();
    emit layoutChanged();
}

int RowModel::ShownRow(std::size_t source_row) const {
    auto it = std::find(shown_.begin(), shown_.end(), static_cast<std::uint32_t>(source_row));
    return it == shown_.end() ? -1 : static_cast<int>(it - shown_.begin());
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !rows_ ? 0 : static_cast<int>(rows_->Columns().size());
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !rows_) return {};
    const std::size_t row = SourceRow(index.row());
    const std::size_t column = static_cast<std::size_t>(index.column());
    const ColumnInfo& info = rows_->Columns()[column];
    // Only the roles that show the text look it up in the engine.
    const bool shows_text =
        role == Qt::DisplayRole || role == kWholeTextRole || role == Qt::ToolTipRole;
    const CellText cell_text = shows_text ? rows_->Cell(row, column) : CellText();
    const std::string_view cell = cell_text.View();
    switch (role) {
        case Qt::DisplayRole: {
            std::string_view line = FirstLine(cell);
            if (line.size() == cell.size()) return Text(cell);
            return Text(line) + QStringLiteral(" \u2026");
        }
        case kWholeTextRole:
            return Text(cell);
        case kMarkRole:
            return static_cast<int>(MarkOf(row));
        case Qt::ToolTipRole: {
            if (marks_) {
                if (auto change = marks_->ChangeOfCell(rows_->Table(), rows_->Key(row), info.name))
                    return QStringLiteral("Before: %1\nAfter: %2")
                        .arg(Text(change->before), Text(change->after));
            }
            if (FirstLine(cell).size() != cell.size()) return Text(cell);
            return {};
        }
        case Qt::TextAlignmentRole:
            if (info.IsInteger()) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case Qt::FontRole:
            if (MarkOf(row) == RowMark::kDeleted) {
                QFont font;
                font.setStrikeOut(true);
                return font;
            }
            return {};
        case Qt::BackgroundRole: {
            RowMark mark = MarkOf(row);
            if (mark == RowMark::kInserted) return QBrush(QColor(0xd8, 0xf5, 0xd8));
            if (mark == RowMark::kDeleted) return QBrush(QColor(0xf5, 0xd8, 0xd8));
            if (mark == RowMark::kChanged &&
                marks_->ChangeOfCell(rows_->Table(), rows_->Key(row), info.name))
                return QBrush(QColor(0xfa, 0xf0, 0xc0));
            return {};
        }
        default:
            return {};
    }
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!rows_) return {};
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole) return section + 1;
        return {};
    }
    const ColumnInfo& info = rows_->Columns()[static_cast<std::size_t>(section)];
    const bool added = marks_ && marks_->IsColumnAdded(rows_->Table(), info.name);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(info.name + "\n" + info.type +
                                      (info.key ? " \u2022 key" : "") +
                                      (added ? " \u2022 added" : ""));
    if (role == Qt::BackgroundRole && added) return QBrush(QColor(0xd8, 0xf5, 0xd8));
    if (role == Qt::ToolTipRole)
        return QString::fromStdString(info.name + ": " + info.type +
                                      (info.key ? ", a key column" : ""));
    return {};
}

}  // namespace viewer
