#include "window/dialog_window.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "core/message_box.h"
#include "window/control_factory.h"
#include "window/drop_files_internal.h"
#include "window/list_view.h"
#include "window/qt_text.h"
#include "window/styles.h"
#include "window/ui_test_hook_internal.h"

namespace fw {

DialogWindow::DialogWindow(DialogEvents events, const DialogTemplate& dialog_template,
                           QWidget* parent)
    : QDialog(parent), events_(std::move(events)), default_command_(IDOK) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((dialog_template.style & WS_MINIMIZEBOX) != 0) flags |= Qt::WindowMinimizeButtonHint;
    // A window manager draws a maximise button only where the hints ask
    // for one.
    if ((dialog_template.style & WS_MAXIMIZEBOX) != 0) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(ToQString(dialog_template.caption));
    BuildControls(dialog_template);
}

QWidget* DialogWindow::Control(int id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void DialogWindow::BuildControls(const DialogTemplate& dialog_template) {
    std::vector<QWidget*> widgets;
    for (const ControlTemplate& control : dialog_template.controls)
        widgets.push_back(CreateControlWidget(control, this));
    const DialogBaseUnits base = FittingBaseUnits(*this, dialog_template.controls, widgets);
    base_units_ = base;
    const QSize template_size(HorizontalPixels(dialog_template.cx, base),
                              VerticalPixels(dialog_template.cy, base));
    if ((dialog_template.style & WS_THICKFRAME) != 0) {
        setMinimumSize(template_size);
        resize(template_size);
    } else {
        setFixedSize(template_size);
    }

    bool have_default = false;
    QWidget* previous_in_tab_order = nullptr;
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        const ControlTemplate& control = dialog_template.controls[i];
        QWidget* widget = widgets[i];
        if (widget == nullptr) continue;
        PlaceControlWidget(widget, control, base);
        if (control.kind == ControlKind::kGroupBox) widget->lower();
        if (control.id != kStaticId) controls_.emplace(control.id, widget);
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            // This window decides what Enter does (see keyPressEvent).
            button->setAutoDefault(false);
            if (control.kind == ControlKind::kDefPushButton && !have_default) {
                button->setDefault(true);
                default_command_ = control.id;
                have_default = true;
            }
        }
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous_in_tab_order != nullptr) setTabOrder(previous_in_tab_order, widget);
            previous_in_tab_order = widget;
        }
        widget->installEventFilter(this);
        ConnectControl(widget, control.id);
    }
}

void DialogWindow::ConnectControl(QWidget* widget, int id) {
    if (id == kStaticId) return;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { SendCommand(id, BN_CLICKED); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // The user's choices only: the platform's list is silent when the
        // program selects an entry, and so is `activated`.
        connect(combo, &QComboBox::activated, this, [this, id] { SendCommand(id, CBN_SELCHANGE); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Typing and the program's SetWindowText alike (see CWnd).
        connect(edit, &QLineEdit::textChanged, this, [this, id] { SendCommand(id, EN_CHANGE); });
    } else if (auto* list = dynamic_cast<ListViewWidget*>(widget)) {
        list->SetParentListener(
            [this](NMHDR& header, LRESULT* result) { events_.notify(header, result); });
    }
}

void DialogWindow::SendCommand(int id, int code) {
    events_.command(MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
}

void DialogWindow::RunDefaultCommand() {
    QWidget* target = Control(default_command_);
    // A disabled default button does nothing, as on the platform.
    if (target != nullptr && !target->isEnabled()) return;
    SendCommand(default_command_, BN_CLICKED);
}

bool DialogWindow::IsSystemMenuKey(const QKeyEvent& event) const {
    const auto modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return event.key() == Qt::Key_Menu ||
           (event.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) ||
           (event.key() == Qt::Key_Space && modifiers == Qt::AltModifier);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (IsSystemMenuKey(*event)) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return;
    }
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        SendCommand(ID_HELP, BN_CLICKED);
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        // A push button with the focus is Enter's button; else the default.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr) {
            if (button->isEnabled()) button->click();
        } else {
            RunDefaultCommand();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

// The keys of the system menu reach the dialog whatever control has the
// focus; a control's own menu key (an edit field's) does not get them.
bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    // Files dropped on a control (an edit field would take their names as
    // text) are the dialog's.
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (DroppableFiles(drag->mimeData()).empty()) break;
            if (event->type() == QEvent::Drop) {
                dropEvent(drag);
            } else {
                drag->acceptProposedAction();
            }
            return true;
        }
        default:
            break;
    }
    if (event->type() == QEvent::KeyPress && IsSystemMenuKey(*static_cast<QKeyEvent*>(event))) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// A right click on the background (or a label or frame, which take no
// clicks of their own) opens the system menu.
void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    ShowSystemMenu(event->globalPos());
}

void DialogWindow::ShowSystemMenu(const QPoint& global_position) {
    QMenu menu(this);
    // Every item stays visible, separators included: the menu is the
    // dialog's data, shown as it stands.
    menu.setSeparatorsCollapsible(false);
    for (const CMenu::Item& item : events_.system_menu()->Items()) {
        if (item.flags == MF_SEPARATOR) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(ToQString(item.text));
            action->setData(item.id);
        }
    }
    test_hook::NotifyModalShowing(&menu);
    QAction* chosen = menu.exec(global_position);
    // The dialog stays the window the user works in (a platform that let
    // the menu take the activation gives it back here).
    if (isVisible()) activateWindow();
    if (chosen != nullptr) events_.system_command(chosen->data().toUInt());
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    paint_event_ = event;
    events_.paint();
    paint_event_ = nullptr;
}

void DialogWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    events_.size(isMaximized()   ? SIZE_MAXIMIZED
                 : isMinimized() ? SIZE_MINIMIZED
                                 : SIZE_RESTORED,
                 width(), height());
}

std::vector<std::string> DialogWindow::DroppableFiles(const QMimeData* data) const {
    std::vector<std::string> paths;
    if (!property("fwAcceptFiles").toBool() || data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths.push_back(FromQString(url.toLocalFile()));
    return paths;
}

void DialogWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppableFiles(event->mimeData()).empty()) return QDialog::dragEnterEvent(event);
    event->acceptProposedAction();
}

void DialogWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppableFiles(event->mimeData()).empty()) return QDialog::dragMoveEvent(event);
    event->acceptProposedAction();
}

void DialogWindow::dropEvent(QDropEvent* event) {
    DropFiles drop{DroppableFiles(event->mimeData())};
    if (drop.paths.empty()) return QDialog::dropEvent(event);
    event->acceptProposedAction();
    events_.drop_files(&drop);
}

void DialogWindow::DefaultPaint() {
    if (paint_event_ != nullptr) QDialog::paintEvent(paint_event_);
}

void DialogWindow::reject() {
    SendCommand(IDCANCEL, BN_CLICKED);
}

}  // namespace fw
