// The rows and columns behind a list view (framework side): items held as
// the program gave them, texts converted for Qt only when a cell is shown,
// so that filling a long list costs little more than storing its texts.
#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "window/window_types.h"

namespace fw {

struct ImageListData;

struct ListColumn {
    std::string text;
    int format = 0;  // LVCFMT_
    int sub_item = 0;
};

struct ListItem {
    std::vector<std::string> texts;  // by sub-item: 0 is the item's own text
    int image = 0;
    LPARAM data = 0;
};

class ListModel : public QAbstractTableModel {
  public:
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const ListColumn* Column(int column) const;
    // The column's index: `column`, or the end when it is past the end.
    int InsertColumn(int column, ListColumn record);
    bool DeleteColumn(int column);

    int ItemCount() const { return static_cast<int>(items_.size()); }
    const ListItem* Item(int item) const;
    // The item's index: `item`, or the end when it is past the end.
    int InsertItem(int item, ListItem record);
    // Changes an item through `change`; the view redraws its row.
    bool ChangeItem(int item, const std::function<void(ListItem&)>& change);
    bool DeleteItem(int item);
    void DeleteAllItems();
    // Deletes every item `drop` picks in one pass and tells the views once
    // (a reset), so that emptying a long list costs its length, not its
    // square; returns how many went.
    int DeleteItemsIf(const std::function<bool(const ListItem&)>& drop);
    // Stable sort by `less`; selection and focus follow their items.
    void Sort(const std::function<bool(const ListItem&, const ListItem&)>& less);

    // The images that items show; nullptr for none.
    void SetImages(const ImageListData* images);

    // The text a cell shows.
    const std::string& CellText(int item, int column) const;

  private:
    std::vector<ListColumn> columns_;
    std::vector<ListItem> items_;
    const ImageListData* images_ = nullptr;
};

}  // namespace fw
