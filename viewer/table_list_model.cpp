#include "table_list_model.h"

#include <QBrush>
#include <QFont>
#include <QPalette>

namespace viewer {

namespace {

// What a transform does to the table itself, after its name.
std::string TableMarkText(const RowMarks* marks, const std::string& table) {
    if (!marks) return "";
    switch (marks->MarkOfTable(table)) {
        case TableMark::kAdded:
            return "  (added)";
        case TableMark::kDropped:
            return "  (dropped)";
        case TableMark::kNone:
            break;
    }
    return "";
}

}  // namespace

int TableListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(package_.Tables().size());
}

int TableListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return package_.Marks() ? 3 : 2;
}

QVariant TableListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const TableEntry& entry = package_.Tables()[static_cast<std::size_t>(index.row())];
    const RowMarks* marks = package_.Marks();
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == kName)
                return QString::fromStdString(entry.name + (entry.system ? "  (system)" : "") +
                                              TableMarkText(marks, entry.name));
            if (index.column() == kRows)
                return entry.readable ? QVariant(static_cast<qulonglong>(entry.rows))
                                      : QVariant(QString::fromStdString(entry.failure));
            // Blank for a table the transform leaves alone, so the changed stand out.
            if (index.column() == kChanges && marks && marks->ChangeCount(entry.name) > 0)
                return marks->ChangeCount(entry.name);
            return {};
        case Qt::ToolTipRole:
            if (!entry.readable) return QString::fromStdString(entry.name + ": " + entry.failure);
            if (entry.system)
                return QString::fromStdString(entry.name + " is one of the installer's own tables");
            return {};
        case Qt::FontRole: {
            const bool dropped = marks && marks->MarkOfTable(entry.name) == TableMark::kDropped;
            if (!entry.system && !dropped) return {};
            QFont font;
            font.setItalic(entry.system);
            font.setStrikeOut(dropped);
            return font;
        }
        case Qt::BackgroundRole:
            if (marks && marks->MarkOfTable(entry.name) == TableMark::kAdded)
                return QBrush(QColor(0xd8, 0xf5, 0xd8));
            if (marks && marks->MarkOfTable(entry.name) == TableMark::kDropped)
                return QBrush(QColor(0xf5, 0xd8, 0xd8));
            return {};
        case Qt::ForegroundRole:
            if (!entry.readable) return QBrush(Qt::darkRed);
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() != kName && entry.readable)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case Qt::UserRole:
            return QString::fromStdString(entry.name);
        default:
            return {};
    }
}

QVariant TableListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kName:
            return QStringLiteral("Table");
        case kRows:
            return QStringLiteral("Rows");
        case kChanges:
            return QStringLiteral("Changes");
        default:
            return {};
    }
}

void TableListModel::TableChanged(int row) {
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace viewer
