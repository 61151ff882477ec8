#include "window/list_ctrl.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <cstring>

#include "mbstring.h"
#include "window/list_view.h"
#include "window/qt_text.h"

namespace {

// Copies `text` into a caller's buffer of `size` bytes, cut to fit.
void CopyOut(const std::string& text, LPSTR buffer, int size) {
    if (buffer == nullptr || size <= 0) return;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

fw::ListViewWidget* CListCtrl::view() const {
    return dynamic_cast<fw::ListViewWidget*>(widget_);
}

CListCtrl::~CListCtrl() {
    if (fw::ListViewWidget* list = view()) list->SetControlListener({});
}

void CListCtrl::AttachWidget(QWidget* widget, int id) {
    CWnd::AttachWidget(widget, id);
    fw::ListViewWidget* list = view();
    if (list == nullptr) return;
    list->SetControlListener({
        [this](const NMHDR& header, LRESULT* result) {
            return OnReflectedNotify(&header, result) != FALSE;
        },
        [this](const NMHDR& header, LRESULT* result) { OnNotify(0, &header, result); },
    });
}

void CListCtrl::DetachWidget() {
    if (fw::ListViewWidget* list = view()) list->SetControlListener({});
    CWnd::DetachWidget();
}

int CListCtrl::InsertColumn(int column, const LVCOLUMN* record) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || record == nullptr) return -1;
    fw::ListColumn new_column;
    if ((record->mask & LVCF_TEXT) != 0 && record->pszText != nullptr)
        new_column.text = record->pszText;
    if ((record->mask & LVCF_FMT) != 0) new_column.format = record->fmt;
    new_column.sub_item = (record->mask & LVCF_SUBITEM) != 0 ? record->iSubItem : column;
    const int index = list->Model().InsertColumn(column, std::move(new_column));
    if (index >= 0 && (record->mask & LVCF_WIDTH) != 0 && record->cx >= 0)
        list->header()->resizeSection(index, record->cx);
    return index;
}

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width,
                            int sub_item) {
    LVCOLUMN record{
        LVCF_TEXT | LVCF_FMT, format, width, const_cast<LPSTR>(heading.c_str()), 0, sub_item};
    if (width != -1) record.mask |= LVCF_WIDTH;
    if (sub_item != -1) record.mask |= LVCF_SUBITEM;
    return InsertColumn(column, &record);
}

BOOL CListCtrl::DeleteColumn(int column) {
    fw::ListViewWidget* list = view();
    return list != nullptr && list->Model().DeleteColumn(column) ? TRUE : FALSE;
}

BOOL CListCtrl::GetColumn(int column, LVCOLUMN* record) const {
    fw::ListViewWidget* list = view();
    const fw::ListColumn* found = list != nullptr ? list->Model().Column(column) : nullptr;
    if (found == nullptr) return FALSE;
    if (record == nullptr) return TRUE;
    if ((record->mask & LVCF_FMT) != 0) record->fmt = found->format;
    if ((record->mask & LVCF_WIDTH) != 0) record->cx = list->header()->sectionSize(column);
    if ((record->mask & LVCF_TEXT) != 0) CopyOut(found->text, record->pszText, record->cchTextMax);
    if ((record->mask & LVCF_SUBITEM) != 0) record->iSubItem = found->sub_item;
    return TRUE;
}

int CListCtrl::GetColumnWidth(int column) const {
    fw::ListViewWidget* list = view();
    if (list == nullptr || list->Model().Column(column) == nullptr) return 0;
    return list->header()->sectionSize(column);
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || list->Model().Column(column) == nullptr || width < 0) return FALSE;
    list->header()->resizeSection(column, width);
    return TRUE;
}

int CListCtrl::GetStringWidth(const std::string& text) const {
    if (widget_ == nullptr) return 0;
    return QFontMetrics(widget_->font()).horizontalAdvance(fw::ToQString(text));
}

int CListCtrl::GetItemCount() const {
    fw::ListViewWidget* list = view();
    return list == nullptr ? 0 : list->Model().ItemCount();
}

int CListCtrl::InsertItem(const LVITEM* record) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || record == nullptr || record->iSubItem != 0) return -1;
    fw::ListItem item;
    item.texts.emplace_back(
        (record->mask & LVIF_TEXT) != 0 && record->pszText != nullptr ? record->pszText : "");
    if ((record->mask & LVIF_IMAGE) != 0) item.image = record->iImage;
    if ((record->mask & LVIF_PARAM) != 0) item.data = record->lParam;
    const int index = list->Model().InsertItem(record->iItem, std::move(item));
    if (index >= 0 && (record->mask & LVIF_STATE) != 0)
        SetItemState(index, record->state, record->stateMask);
    return index;
}

int CListCtrl::InsertItem(int item, const std::string& text, int image) {
    LVITEM record{LVIF_TEXT | LVIF_IMAGE,          item, 0,     0, 0,
                  const_cast<LPSTR>(text.c_str()), 0,    image, 0};
    return InsertItem(&record);
}

BOOL CListCtrl::SetItem(const LVITEM* record) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || record == nullptr || record->iSubItem < 0) return FALSE;
    const bool changed = list->Model().ChangeItem(record->iItem, [record](fw::ListItem& item) {
        if ((record->mask & LVIF_TEXT) != 0) {
            const auto sub_item = static_cast<std::size_t>(record->iSubItem);
            if (item.texts.size() <= sub_item) item.texts.resize(sub_item + 1);
            item.texts[sub_item] = record->pszText != nullptr ? record->pszText : "";
        }
        if (record->iSubItem != 0) return;  // image and data belong to the item
        if ((record->mask & LVIF_IMAGE) != 0) item.image = record->iImage;
        if ((record->mask & LVIF_PARAM) != 0) item.data = record->lParam;
    });
    if (!changed) return FALSE;
    if ((record->mask & LVIF_STATE) != 0 && record->iSubItem == 0)
        SetItemState(record->iItem, record->state, record->stateMask);
    return TRUE;
}

BOOL CListCtrl::SetItemText(int item, int sub_item, const std::string& text) {
    LVITEM record{LVIF_TEXT, item, sub_item, 0, 0, const_cast<LPSTR>(text.c_str()), 0, 0, 0};
    return SetItem(&record);
}

std::string CListCtrl::GetItemText(int item, int sub_item) const {
    fw::ListViewWidget* list = view();
    const fw::ListItem* found = list != nullptr ? list->Model().Item(item) : nullptr;
    if (found == nullptr || sub_item < 0) return {};
    const auto index = static_cast<std::size_t>(sub_item);
    return index < found->texts.size() ? found->texts[index] : std::string();
}

LPARAM CListCtrl::GetItemData(int item) const {
    fw::ListViewWidget* list = view();
    const fw::ListItem* found = list != nullptr ? list->Model().Item(item) : nullptr;
    return found == nullptr ? 0 : found->data;
}

BOOL CListCtrl::SetItemData(int item, LPARAM data) {
    LVITEM record{LVIF_PARAM, item, 0, 0, 0, nullptr, 0, 0, data};
    return SetItem(&record);
}

int CListCtrl::GetItemImage(int item) const {
    fw::ListViewWidget* list = view();
    const fw::ListItem* found = list != nullptr ? list->Model().Item(item) : nullptr;
    return found == nullptr ? -1 : found->image;
}

BOOL CListCtrl::DeleteItem(int item) {
    fw::ListViewWidget* list = view();
    return list != nullptr && list->Model().DeleteItem(item) ? TRUE : FALSE;
}

BOOL CListCtrl::DeleteAllItems() {
    fw::ListViewWidget* list = view();
    if (list == nullptr) return FALSE;
    list->Model().DeleteAllItems();
    return TRUE;
}

int CListCtrl::DeleteItems(const std::function<bool(LPARAM data)>& drop) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || !drop) return 0;
    return list->Model().DeleteItemsIf(
        [&drop](const fw::ListItem& item) { return drop(item.data); });
}

int CListCtrl::FindItem(const LVFINDINFO* find, int start) const {
    fw::ListViewWidget* list = view();
    if (list == nullptr || find == nullptr) return -1;
    const fw::ListModel& model = list->Model();
    for (int item = std::max(0, start + 1); item < model.ItemCount(); ++item) {
        const fw::ListItem* candidate = model.Item(item);
        if ((find->flags & LVFI_PARAM) != 0) {
            if (candidate->data == find->lParam) return item;
        } else if ((find->flags & LVFI_STRING) != 0 && find->psz != nullptr) {
            if (!candidate->texts.empty() && _mbsicmp(candidate->texts[0].c_str(), find->psz) == 0)
                return item;
        }
    }
    return -1;
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE compare, LPARAM data) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || compare == nullptr) return FALSE;
    list->Model().Sort([compare, data](const fw::ListItem& a, const fw::ListItem& b) {
        return compare(a.data, b.data, data) < 0;
    });
    return TRUE;
}

int CListCtrl::HitTest(LVHITTESTINFO* info) const {
    fw::ListViewWidget* list = view();
    if (list == nullptr || info == nullptr) return -1;
    const QPoint point = list->ViewportFromClient(QPoint(info->pt.x, info->pt.y));
    const QModelIndex index =
        list->viewport()->rect().contains(point) ? list->indexAt(point) : QModelIndex();
    info->iItem = index.isValid() ? index.row() : -1;
    info->iSubItem = index.isValid() ? index.column() : 0;
    if (!index.isValid()) {
        info->flags = LVHT_NOWHERE;
    } else if (list->IconRect(index.row()).contains(point)) {
        info->flags = LVHT_ONITEMICON;
    } else {
        info->flags = LVHT_ONITEMLABEL;
    }
    return info->iItem;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
    fw::ListViewWidget* list = view();
    if (list == nullptr || list->Model().Item(item) == nullptr) return 0;
    UINT state = 0;
    if (list->selectionModel()->isRowSelected(item, {})) state |= LVIS_SELECTED;
    if (list->currentIndex().row() == item) state |= LVIS_FOCUSED;
    return state & mask;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    fw::ListViewWidget* list = view();
    if (list == nullptr) return FALSE;
    if (item == -1) {
        QItemSelectionModel* selection = list->selectionModel();
        if ((mask & LVIS_SELECTED) != 0 && (state & LVIS_SELECTED) == 0) {
            selection->clearSelection();
        } else if ((mask & LVIS_SELECTED) != 0 &&
                   list->selectionMode() != QAbstractItemView::SingleSelection) {
            list->selectAll();
        }
        // No item is the focused one once focus is taken from all.
        if ((mask & LVIS_FOCUSED) != 0 && (state & LVIS_FOCUSED) == 0)
            selection->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        return TRUE;
    }
    if (list->Model().Item(item) == nullptr) return FALSE;
    const QModelIndex index = list->Model().index(item, 0);
    QItemSelectionModel* selection = list->selectionModel();
    if ((mask & LVIS_FOCUSED) != 0 && (state & LVIS_FOCUSED) != 0)
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if ((mask & LVIS_SELECTED) != 0) {
        const auto command = (state & LVIS_SELECTED) != 0 ? QItemSelectionModel::Select
                                                          : QItemSelectionModel::Deselect;
        QItemSelectionModel::SelectionFlags flags = command | QItemSelectionModel::Rows;
        // One selected item at most in a single-selection list.
        if (list->selectionMode() == QAbstractItemView::SingleSelection &&
            command == QItemSelectionModel::Select)
            flags |= QItemSelectionModel::Clear;
        selection->select(index, flags);
    }
    return TRUE;
}

int CListCtrl::GetNextItem(int item, int flags) const {
    fw::ListViewWidget* list = view();
    if (list == nullptr) return -1;
    for (int next = std::max(0, item + 1); next < list->Model().ItemCount(); ++next) {
        if ((flags & LVNI_SELECTED) == 0 || GetItemState(next, LVIS_SELECTED) != 0) return next;
    }
    return -1;
}

BOOL CListCtrl::EnsureVisible(int item, BOOL /*partial_ok*/) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || list->Model().Item(item) == nullptr) return FALSE;
    list->scrollTo(list->Model().index(item, 0));
    return TRUE;
}

void CListCtrl::GetClientRect(CRect* rect) const {
    if (rect == nullptr) return;
    *rect = {};
    fw::ListViewWidget* list = view();
    if (list == nullptr) return;
    const QSize size = list->ItemAreaSize();
    rect->right = size.width();
    rect->bottom = size.height();
}

CImageList* CListCtrl::SetImageList(CImageList* images, int type) {
    fw::ListViewWidget* list = view();
    if (list == nullptr || type != LVSIL_SMALL) return nullptr;
    CImageList* previous = list->ImageList();
    list->SetImageList(images);
    return previous;
}

CImageList* CListCtrl::GetImageList(int type) const {
    fw::ListViewWidget* list = view();
    return list == nullptr || type != LVSIL_SMALL ? nullptr : list->ImageList();
}

BOOL CListCtrl::OnReflectedNotify(const NMHDR* /*header*/, LRESULT* /*result*/) {
    return FALSE;
}

BOOL CListCtrl::OnNotify(WPARAM /*id*/, const NMHDR* /*header*/, LRESULT* /*result*/) {
    return FALSE;
}
