#include "window/list_model.h"

#include <algorithm>
#include <numeric>

#include "window/image_list_data.h"
#include "window/qt_text.h"

namespace fw {

namespace {

const std::string kNoText;

Qt::Alignment AlignmentOf(int format) {
    switch (format & 3) {
        case 1:
            return Qt::AlignRight | Qt::AlignVCenter;
        case 2:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ItemCount();
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

const std::string& ListModel::CellText(int item, int column) const {
    if (item < 0 || item >= ItemCount() || column < 0 || column >= ColumnCount()) return kNoText;
    const ListItem& row = items_[static_cast<std::size_t>(item)];
    const auto sub_item =
        static_cast<std::size_t>(columns_[static_cast<std::size_t>(column)].sub_item);
    return sub_item < row.texts.size() ? row.texts[sub_item] : kNoText;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return ToQString(CellText(index.row(), index.column()));
        case Qt::DecorationRole: {
            if (index.column() != 0 || images_ == nullptr) return {};
            const int image = items_[static_cast<std::size_t>(index.row())].image;
            if (image < 0 || image >= static_cast<int>(images_->images.size())) return {};
            return images_->images[static_cast<std::size_t>(image)];
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                AlignmentOf(columns_[static_cast<std::size_t>(index.column())].format));
        default:
            return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) return {};
    const ListColumn& column = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return ToQString(column.text);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(column.format));
    return {};
}

const ListColumn* ListModel::Column(int column) const {
    if (column < 0 || column >= ColumnCount()) return nullptr;
    return &columns_[static_cast<std::size_t>(column)];
}

int ListModel::InsertColumn(int column, ListColumn record) {
    if (column < 0) return -1;
    column = std::min(column, ColumnCount());
    beginInsertColumns({}, column, column);
    columns_.insert(columns_.begin() + column, std::move(record));
    endInsertColumns();
    return column;
}

bool ListModel::DeleteColumn(int column) {
    if (column < 0 || column >= ColumnCount()) return false;
    beginRemoveColumns({}, column, column);
    columns_.erase(columns_.begin() + column);
    endRemoveColumns();
    return true;
}

const ListItem* ListModel::Item(int item) const {
    if (item < 0 || item >= ItemCount()) return nullptr;
    return &items_[static_cast<std::size_t>(item)];
}

int ListModel::InsertItem(int item, ListItem record) {
    if (item < 0) return -1;
    item = std::min(item, ItemCount());
    beginInsertRows({}, item, item);
    items_.insert(items_.begin() + item, std::move(record));
    endInsertRows();
    return item;
}

bool ListModel::ChangeItem(int item, const std::function<void(ListItem&)>& change) {
    if (item < 0 || item >= ItemCount()) return false;
    change(items_[static_cast<std::size_t>(item)]);
    if (ColumnCount() > 0) emit dataChanged(index(item, 0), index(item, ColumnCount() - 1));
    return true;
}

bool ListModel::DeleteItem(int item) {
    if (item < 0 || item >= ItemCount()) return false;
    beginRemoveRows({}, item, item);
    items_.erase(items_.begin() + item);
    endRemoveRows();
    return true;
}

void ListModel::DeleteAllItems() {
    beginResetModel();
    items_.clear();
    endResetModel();
}

int ListModel::DeleteItemsIf(const std::function<bool(const ListItem&)>& drop) {
    const auto first_dropped = std::find_if(items_.begin(), items_.end(), drop);
    if (first_dropped == items_.end()) return 0;
    const std::size_t before = items_.size();
    beginResetModel();
    items_.erase(std::remove_if(first_dropped, items_.end(), drop), items_.end());
    endResetModel();
    return static_cast<int>(before - items_.size());
}

void ListModel::Sort(const std::function<bool(const ListItem&, const ListItem&)>& less) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return less(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
    });
    std::vector<ListItem> sorted;
    sorted.reserve(items_.size());
    std::vector<int> new_row_of(items_.size());
    for (std::size_t row = 0; row < order.size(); ++row) {
        sorted.push_back(std::move(items_[static_cast<std::size_t>(order[row])]));
        new_row_of[static_cast<std::size_t>(order[row])] = static_cast<int>(row);
    }
    items_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(new_row_of[static_cast<std::size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListModel::SetImages(const ImageListData* images) {
    images_ = images;
    if (ItemCount() > 0) emit dataChanged(index(0, 0), index(ItemCount() - 1, 0));
}

}  // namespace fw
