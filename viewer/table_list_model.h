// The viewer's table list: one row per table of the package, with its name,
// its row count (or why it cannot be read) and, with a transform, its number
// of changes. System tables are marked in their name column.
#pragma once

#include <QAbstractTableModel>

#include "package_view.h"

namespace viewer {

class TableListModel : public QAbstractTableModel {
  public:
    enum Column { kName, kRows, kChanges };

    explicit TableListModel(const PackageView& package, QObject* parent = nullptr)
        : QAbstractTableModel(parent), package_(package) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // A table's entry changes when its rows turn out unreadable.
    void TableChanged(int row);

  private:
    const PackageView& package_;
};

}  // namespace viewer
