#include "window/list_view.h"

#include <QHeaderView>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "window/image_list.h"
#include "window/image_list_data.h"
#include "window/message_modifiers.h"
#include "window/styles.h"

namespace fw {

namespace {

int ButtonIndex(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 0;
        case Qt::RightButton:
            return 1;
        default:
            return 2;
    }
}

// Letters and digits have the same codes in both worlds; the rest that a
// list's user would press are listed.
WORD VirtualKeyOf(int qt_key) {
    if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) ||
        (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9))
        return static_cast<WORD>(qt_key);
    switch (qt_key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        default:
            return 0;
    }
}

}  // namespace

ListViewWidget::ListViewWidget(QWidget* parent, unsigned style) : QTreeView(parent) {
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Every row one line high: the view then places a hundred thousand rows
    // without measuring each.
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode((style & LVS_SINGLESEL) != 0 ? QAbstractItemView::SingleSelection
                                                  : QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setFrameShape((style & WS_BORDER) != 0 ? QFrame::StyledPanel : QFrame::NoFrame);

    QHeaderView* header = this->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const bool sort_header = (style & LVS_NOSORTHEADER) == 0;
    header->setSectionsClickable(sort_header);
    if (sort_header) {
        // Left clicks, as the header tells them (a drag that resizes a
        // column is none); the other buttons through the filter below.
        connect(header, &QHeaderView::sectionClicked, this,
                [this](int column) { SendHeaderClick(column, 0); });
        header->viewport()->installEventFilter(this);
    }
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListViewWidget::OnSelectionChanged);
}

void ListViewWidget::SetImageList(CImageList* images) {
    images_ = images;
    const ImageListData* data = images != nullptr ? images->data() : nullptr;
    if (data != nullptr) setIconSize(data->size);
    model_.SetImages(data);
}

QPoint ListViewWidget::ViewportFromClient(const QPoint& client) const {
    return client + contentsRect().topLeft() - viewport()->geometry().topLeft();
}

QPoint ListViewWidget::ClientFromViewport(const QPoint& viewport_point) const {
    return viewport_point + viewport()->geometry().topLeft() - contentsRect().topLeft();
}

QRect ListViewWidget::IconRect(int row) const {
    const QModelIndex index = model_.index(row, 0);
    if (!index.isValid()) return {};
    const QVariant icon = index.data(Qt::DecorationRole);
    if (!icon.isValid()) return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.icon = qvariant_cast<QIcon>(icon);
    option.decorationSize = iconSize();
    option.text = index.data(Qt::DisplayRole).toString();
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

NMHDR ListViewWidget::HeaderOf(int code) {
    return {this, property("fwId").toUInt(), code};
}

LRESULT ListViewWidget::SendItemNotification(NMHDR& header) {
    LRESULT result = 0;
    if (control_.items && control_.items(header, &result)) return result;
    if (parent_) parent_(header, &result);
    return result;
}

LRESULT ListViewWidget::SendHeaderClick(int column, int button) {
    if (column < 0 || !control_.header) return 0;
    NMHEADER click{{header(), 0, HDN_ITEMCLICKA}, column, button, nullptr};
    LRESULT result = 0;
    control_.header(click.hdr, &result);
    return result;
}

void ListViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) SendClick(NM_CLICK, event->position().toPoint());
}

// The list's items cannot be edited and have no children, so the view's own
// double-click does nothing: the dialog decides what one means.
void ListViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) SendClick(NM_DBLCLK, event->position().toPoint());
}

void ListViewWidget::SendClick(int code, const QPoint& position) {
    const QModelIndex index = indexAt(position);
    const QPoint client = ClientFromViewport(position);
    NMITEMACTIVATE click{};
    click.hdr = HeaderOf(code);
    click.iItem = index.isValid() ? index.row() : -1;
    click.iSubItem = index.isValid() ? index.column() : 0;
    click.ptAction = {client.x(), client.y()};
    if (const ListItem* item = model_.Item(click.iItem)) click.lParam = item->data;
    SendItemNotification(click.hdr);
}

// A right click on an item: NM_RCLICK, which the dialog may answer with a
// menu of its own. The keyboard's menu keys open the dialog's system menu
// (the dialog sees to those), as does a right click beside the items.
void ListViewWidget::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : QModelIndex();
    if (!index.isValid()) {
        event->ignore();
        return;
    }
    const QPoint client = ClientFromViewport(event->pos());
    NMITEMACTIVATE click{};
    click.hdr = HeaderOf(NM_RCLICK);
    click.iItem = index.row();
    click.iSubItem = index.column();
    click.ptAction = {client.x(), client.y()};
    if (const ListItem* item = model_.Item(click.iItem)) click.lParam = item->data;
    if (SendItemNotification(click.hdr) != 0) {
        event->accept();
    } else {
        event->ignore();
    }
}

void ListViewWidget::keyPressEvent(QKeyEvent* event) {
    if (const WORD key = VirtualKeyOf(event->key()); key != 0) {
        MessageModifiers modifiers(event->modifiers());
        NMLVKEYDOWN down{HeaderOf(LVN_KEYDOWN), key, 0};
        SendItemNotification(down.hdr);
    }
    // The list copies nothing itself (the view would copy one cell): what
    // Copy does is its dialog's to say.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

QSize ListViewWidget::ItemAreaSize() {
    // A list that has not been shown yet has not laid out its item area:
    // lay it out now, as the platform's list has its size from creation.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        QResizeEvent resize(size(), QSize());
        QCoreApplication::sendEvent(this, &resize);
        setAttribute(Qt::WA_PendingResizeEvent, false);
    }
    return viewport()->size();
}

bool ListViewWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            SendHeaderClick(header()->logicalIndexAt(mouse->position().toPoint()),
                            ButtonIndex(mouse->button()));
    }
    return QTreeView::eventFilter(watched, event);
}

void ListViewWidget::OnSelectionChanged(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
    auto notify = [this](int row, UINT old_state, UINT new_state) {
        NMLISTVIEW change{};
        change.hdr = HeaderOf(LVN_ITEMCHANGED);
        change.iItem = row;
        change.uOldState = old_state;
        change.uNewState = new_state;
        change.uChanged = LVIF_STATE;
        if (const ListItem* item = model_.Item(row)) change.lParam = item->data;
        SendItemNotification(change.hdr);
    };
    // The item that lost the selection is told first, as on the platform.
    for (const QModelIndex& index : deselected.indexes())
        if (index.column() == 0) notify(index.row(), LVIS_SELECTED, 0);
    for (const QModelIndex& index : selected.indexes())
        if (index.column() == 0) notify(index.row(), 0, LVIS_SELECTED);
}

QWidget* CreateListViewWidget(QWidget* dialog, unsigned style) {
    return new ListViewWidget(dialog, style);
}

}  // namespace fw
