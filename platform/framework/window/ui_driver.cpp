#include "window/ui_driver.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QWidget>

#include "window/dialog.h"
#include "window/dialog_window.h"
#include "window/qt_text.h"

namespace fw::test {

namespace {

Qt::Key QtKey(Key key) {
    switch (key) {
        case Key::kEnter:
            return Qt::Key_Return;
        case Key::kEscape:
            return Qt::Key_Escape;
        case Key::kTab:
            return Qt::Key_Tab;
        case Key::kBacktab:
            return Qt::Key_Backtab;
        case Key::kSpace:
            return Qt::Key_Space;
        case Key::kF1:
            return Qt::Key_F1;
        case Key::kF10:
            return Qt::Key_F10;
        case Key::kMenu:
            return Qt::Key_Menu;
        case Key::kUp:
            return Qt::Key_Up;
        case Key::kDown:
            return Qt::Key_Down;
        case Key::kCopy:
            return Qt::Key_C;
    }
    return Qt::Key_unknown;
}

Qt::KeyboardModifiers QtModifiers(unsigned modifiers) {
    Qt::KeyboardModifiers qt = Qt::NoModifier;
    if ((modifiers & kShift) != 0) qt |= Qt::ShiftModifier;
    if ((modifiers & kAlt) != 0) qt |= Qt::AltModifier;
    if ((modifiers & kControl) != 0) qt |= Qt::ControlModifier;
    return qt;
}

// Where a key goes: an open menu, else the focus of the active window. A
// person's key comes after the window system has done what was pending
// (a window activated, a menu closed).
QWidget* KeyTarget() {
    QApplication::processEvents();
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) window = QApplication::activeWindow();
    if (window == nullptr) return QApplication::focusWidget();
    QWidget* focus = window->focusWidget();
    return focus != nullptr ? focus : window;
}

}  // namespace

void Click(CWnd& control) {
    if (QWidget* widget = control.widget()) QTest::mouseClick(widget, Qt::LeftButton);
}

void RightClick(CWnd& window, int x, int y) {
    QWidget* widget = window.widget();
    if (widget == nullptr) return;
    // What matters of a right click is the context menu it asks for, from
    // the widget under the pointer (which hands it on to its parent when it
    // has no menu of its own).
    QWidget* target = widget->childAt(x, y);
    if (target == nullptr) target = widget;
    const QPoint local = target->mapFrom(widget, QPoint(x, y));
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, widget->mapToGlobal(QPoint(x, y)));
    QApplication::sendEvent(target, &event);
}

void PressKey(Key key, unsigned modifiers) {
    if (QWidget* target = KeyTarget()) QTest::keyClick(target, QtKey(key), QtModifiers(modifiers));
}

void PressChar(char c, unsigned modifiers) {
    if (QWidget* target = KeyTarget()) QTest::keyClick(target, c, QtModifiers(modifiers));
}

void TypeText(CWnd& control, const std::string& text) {
    QWidget* widget = control.widget();
    if (widget == nullptr) return;
    widget->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(widget, ToQString(text));
}

int FocusedControlId(const CDialog& dialog) {
    auto* window = dynamic_cast<fw::DialogWindow*>(dialog.widget());
    if (window == nullptr) return -1;
    QWidget* focus = window->focusWidget();
    for (const auto& [id, widget] : window->Controls())
        if (widget == focus) return id;
    return -1;
}

void ProcessEvents() {
    QApplication::processEvents();
}

std::string ActiveWindowTitle() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) window = QApplication::activeWindow();
    return window == nullptr ? std::string() : FromQString(window->windowTitle());
}

}  // namespace fw::test
