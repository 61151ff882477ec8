// The Qt window of a CDialog (framework side only): builds the controls of
// the template, turns clicks and keys into the dialog's commands, and shows
// the system-menu stand-in. See dialog.h for the behaviour.
#pragma once

#include <QDialog>
#include <map>

#include "window/dialog_template.h"

class CDialog;
class QMenu;

namespace fw {

class DialogWindow : public QDialog {
  public:
    DialogWindow(CDialog& owner, const DialogTemplate& dialog_template, QWidget* parent);

    CDialog& Owner() const { return owner_; }
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

  public:
    // Escape and the close box end the dialog through IDCANCEL.
    void reject() override;

  private:
    void BuildControls(const DialogTemplate& dialog_template);
    void ConnectCommand(QWidget* widget, int id);
    bool IsSystemMenuKey(const QKeyEvent& event) const;
    void RunDefaultCommand();

    CDialog& owner_;
    std::map<int, QWidget*> controls_;
    int default_command_;
    DialogBaseUnits base_units_{};
    QPaintEvent* paint_event_ = nullptr;
};

}  // namespace fw
