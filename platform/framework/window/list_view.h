// The widget of a list view control (framework side): a tree view over a
// ListModel, set up as a flat report list with single selection, which
// turns the user's clicks and keys into the control's notifications. It
// knows neither its control object nor its dialog: they register listeners.
#pragma once

#include <QTreeView>
#include <functional>

#include "window/list_model.h"
#include "window/notify.h"

class CImageList;

namespace fw {

class ListViewWidget : public QTreeView {
  public:
    ListViewWidget(QWidget* parent, unsigned style);

    ListModel& Model() { return model_; }
    const ListModel& Model() const { return model_; }

    // The control object hears the notifications first: `items` those about
    // items (true: consumed, the parent does not hear it), `header` its
    // header's clicks. An empty listener hears nothing.
    struct ControlListener {
        std::function<bool(const NMHDR& header, LRESULT* result)> items;
        std::function<void(const NMHDR& header, LRESULT* result)> header;
    };
    void SetControlListener(ControlListener listener) { control_ = std::move(listener); }
    // The parent (the dialog) hears the notifications about items the
    // control leaves.
    using ParentListener = std::function<void(NMHDR& header, LRESULT* result)>;
    void SetParentListener(ParentListener listener) { parent_ = std::move(listener); }
    void SetImageList(CImageList* images);
    CImageList* ImageList() const { return images_; }

    // Client coordinates (inside the border, header included) and the
    // viewport's.
    QPoint ViewportFromClient(const QPoint& client) const;
    QPoint ClientFromViewport(const QPoint& viewport) const;
    // The size of the area that shows the items (below the header, inside
    // the border and scroll bars), laid out first if it never was.
    QSize ItemAreaSize();
    // Where item `row` shows its image, in viewport coordinates; empty
    // when it shows none.
    QRect IconRect(int row) const;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    // To the control, then (unless consumed) to the dialog.
    LRESULT SendItemNotification(NMHDR& header);
    // NM_CLICK or NM_DBLCLK at `position` (viewport coordinates).
    void SendClick(int code, const QPoint& position);
    LRESULT SendHeaderClick(int column, int button);
    NMHDR HeaderOf(int code);

    ListModel model_;
    ControlListener control_;
    ParentListener parent_;
    CImageList* images_ = nullptr;
};

// The widget of a kListView template control.
QWidget* CreateListViewWidget(QWidget* dialog, unsigned style);

}  // namespace fw
