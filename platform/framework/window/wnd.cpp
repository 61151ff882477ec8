#include "window/wnd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "window/notify.h"
#include "window/qt_text.h"

CWnd::~CWnd() {
    if (forget_) forget_();
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (widget_ == nullptr) return FALSE;
    const bool was_disabled = !widget_->isEnabled();
    widget_->setEnabled(enable != FALSE);
    return was_disabled ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
    return widget_ != nullptr && widget_->isEnabled() ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    return widget_ != nullptr && widget_->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const {
    return widget_ != nullptr && widget_->isMinimized() ? TRUE : FALSE;
}

// The text of a window is what the platform calls it: a control's label or
// contents, a top-level window's caption.
void CWnd::SetWindowText(const std::string& text) {
    if (widget_ == nullptr) return;
    const QString qtext = fw::ToQString(text);
    if (widget_->isWindow()) {
        widget_->setWindowTitle(qtext);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget_)) {
        // The platform's edit tells its owner of every text set (EN_CHANGE),
        // also of one equal to the text it had; Qt's is silent then.
        const bool same = edit->text() == qtext;
        edit->setText(qtext);
        if (same) Q_EMIT edit->textChanged(qtext);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
        button->setText(qtext);
    } else if (auto* label = qobject_cast<QLabel*>(widget_)) {
        label->setText(qtext);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget_)) {
        group->setTitle(qtext);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget_)) {
        // A drop-down list shows only its entries: the text selects one.
        const int index = combo->findText(qtext, Qt::MatchFixedString);
        if (index >= 0) combo->setCurrentIndex(index);
    }
}

std::string CWnd::GetWindowText() const {
    if (widget_ == nullptr) return {};
    if (widget_->isWindow()) return fw::FromQString(widget_->windowTitle());
    if (auto* edit = qobject_cast<QLineEdit*>(widget_)) return fw::FromQString(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget_))
        return fw::FromQString(button->text());
    if (auto* label = qobject_cast<QLabel*>(widget_)) return fw::FromQString(label->text());
    if (auto* group = qobject_cast<QGroupBox*>(widget_)) return fw::FromQString(group->title());
    if (auto* combo = qobject_cast<QComboBox*>(widget_))
        return fw::FromQString(combo->currentText());
    return {};
}

void CWnd::DragAcceptFiles(BOOL accept) {
    if (widget_ == nullptr) return;
    widget_->setProperty("fwAcceptFiles", accept != FALSE);
    widget_->setAcceptDrops(accept != FALSE);
}

void CWnd::SetFocus() {
    if (widget_ != nullptr) widget_->setFocus(Qt::OtherFocusReason);
}

void CWnd::GetClientRect(CRect* rect) const {
    if (rect == nullptr) return;
    *rect = {};
    if (widget_ == nullptr) return;
    const QRect client = widget_->contentsRect();
    rect->right = client.width();
    rect->bottom = client.height();
}

void CWnd::GetWindowRect(CRect* rect) const {
    if (rect == nullptr) return;
    *rect = {};
    if (widget_ == nullptr) return;
    const QRect frame = widget_->isWindow() ? widget_->frameGeometry() : widget_->geometry();
    const QPoint top_left = widget_->isWindow() || widget_->parentWidget() == nullptr
                                ? frame.topLeft()
                                : widget_->parentWidget()->mapToGlobal(frame.topLeft());
    *rect = {top_left.x(), top_left.y(), top_left.x() + frame.width(),
             top_left.y() + frame.height()};
}

void CWnd::ScreenToClient(CRect* rect) const {
    if (rect == nullptr || widget_ == nullptr) return;
    const QPoint top_left = widget_->mapFromGlobal(QPoint(rect->left, rect->top));
    *rect = {top_left.x(), top_left.y(), top_left.x() + rect->Width(),
             top_left.y() + rect->Height()};
}

void CWnd::ClientToScreen(POINT* point) const {
    if (point == nullptr || widget_ == nullptr) return;
    const QPoint screen =
        widget_->mapToGlobal(widget_->contentsRect().topLeft() + QPoint(point->x, point->y));
    *point = {screen.x(), screen.y()};
}

void CWnd::MoveWindow(const CRect& rect, BOOL /*repaint*/) {
    if (widget_ == nullptr) return;
    // Qt repaints what moved on its own.
    widget_->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

void CWnd::AttachWidget(QWidget* widget, int id) {
    widget_ = widget;
    id_ = id;
}

void CWnd::DetachWidget() {
    widget_ = nullptr;
    id_ = 0;
}
