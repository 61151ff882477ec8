// The Qt window of a CDialog (framework side only): builds the controls of
// the template, turns clicks, keys and the controls' changes into commands
// and notifications, and shows the system-menu stand-in. See dialog.h for
// the behaviour.
//
// The window knows nothing of its dialog: it tells it through the handlers
// the dialog registers (DialogEvents), as each control widget tells the
// window through its signals.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "window/dialog_template.h"
#include "window/drop_files.h"
#include "window/menu.h"
#include "window/notify.h"

class QMenu;
class QMimeData;

namespace fw {

// What the window tells its owner. Every handler must be set.
struct DialogEvents {
    // A command, with WM_COMMAND's parameters (see CDialog::OnCommand).
    std::function<void(WPARAM wparam, LPARAM lparam)> command;
    // The system-menu item chosen.
    std::function<void(UINT id)> system_command;
    // A control's notification record; the answer goes to *result.
    std::function<void(NMHDR& header, LRESULT* result)> notify;
    // The menu the system menu shows.
    std::function<const CMenu*()> system_menu;
    // Paints the client area; DefaultPaint paints as the platform does.
    std::function<void()> paint;
    // The window's new size (SIZE_RESTORED, SIZE_MAXIMIZED, SIZE_MINIMIZED)
    // and its client width and height.
    std::function<void(UINT type, int cx, int cy)> size;
    // Files dropped on the window, once it accepts them (DragAcceptFiles).
    std::function<void(HDROP drop)> drop_files;
};

class DialogWindow : public QDialog {
  public:
    DialogWindow(DialogEvents events, const DialogTemplate& dialog_template, QWidget* parent);

    // The control widget of `id`, or nullptr.
    QWidget* Control(int id) const;
    const std::map<int, QWidget*>& Controls() const { return controls_; }
    // The command Enter runs when no push button has the focus.
    int DefaultCommand() const { return default_command_; }
    // The base units the controls were placed with.
    DialogBaseUnits BaseUnits() const { return base_units_; }

    // Shows the system menu at `global_position` and sends the chosen item
    // to OnSysCommand.
    void ShowSystemMenu(const QPoint& global_position);
    // The paint default of CDialog::Default.
    void DefaultPaint();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  public:
    // Escape and the close box end the dialog through IDCANCEL.
    void reject() override;

  private:
    void BuildControls(const DialogTemplate& dialog_template);
    // Tells the owner what the control of `id` does.
    void ConnectControl(QWidget* widget, int id);
    // Command `id` with notification `code`, from its control if it has one.
    void SendCommand(int id, int code);
    bool IsSystemMenuKey(const QKeyEvent& event) const;
    // Local files being dragged, when the dialog accepts files; else none.
    std::vector<std::string> DroppableFiles(const QMimeData* data) const;
    void RunDefaultCommand();

    DialogEvents events_;
    std::map<int, QWidget*> controls_;
    int default_command_;
    DialogBaseUnits base_units_{};
    QPaintEvent* paint_event_ = nullptr;
};

}  // namespace fw
