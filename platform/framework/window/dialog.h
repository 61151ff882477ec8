// CDialog: a dialog built from a template (resources.h), with the
// framework's behaviour of a dialog:
//
//   - DoModal builds the window, runs OnInitDialog, and waits until the
//     dialog ends; the window is gone when it returns.
//   - What a control tells its dialog is a command: OnCommand gets what the
//     platform's WM_COMMAND carries, the control's id in the low word of the
//     first parameter, the notification code in its high word, and the
//     control's window as the second. A click on a button or check box is
//     BN_CLICKED (0); a drop-down list sends CBN_SELCHANGE when the user
//     chooses an entry (not when the program selects one); an edit field
//     sends EN_CHANGE after each change of its text, the program's
//     SetWindowText included. A dialog dispatches its own handlers first
//     (fw::CommandMap); IDOK and IDCANCEL fall back to OnOK and OnCancel,
//     which end the dialog.
//   - F1 is ID_HELP, which goes to the application object when the dialog
//     leaves it, as every command the dialog does not handle does.
//   - Enter runs the default button's command (the first default push
//     button of the template, else IDOK) or, when a push button has the
//     focus, that button's; Escape and the close box are IDCANCEL.
//   - The system menu (GetSystemMenu) opens on a right click on the
//     dialog's background and on Shift+F10 or the Menu key: on Linux the
//     window manager owns the title bar's menu, so this is its stand-in.
//     The chosen item goes to OnSysCommand.
//   - Tab order is template order; only WS_TABSTOP controls are on it.
//   - The size is the template's, in dialog units of the application font,
//     and fixed; with WS_THICKFRAME the user may make it larger (never
//     smaller), and OnSize hears each new size.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/message_box.h"  // IDOK, IDCANCEL
#include "window/drop_files.h"
#include "window/menu.h"
#include "window/notify.h"
#include "window/resources.h"
#include "window/wnd.h"

namespace fw {
class DialogWindow;
}

class CDialog;

// The state of one data exchange (DoDataExchange): the functions that copy
// between members and controls are in data_exchange.h.
class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, BOOL save_and_validate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(save_and_validate) {}

    CDialog* m_pDlgWnd;
    // TRUE: controls to members; FALSE: members to controls.
    BOOL m_bSaveAndValidate;
};

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT template_id, CWnd* parent = nullptr);
    ~CDialog() override;

    // IDOK, IDCANCEL or what EndDialog was given; -1 when the template is
    // missing or the window cannot be made.
    virtual INT_PTR DoModal();
    // Builds and shows the window and runs OnInitDialog without waiting: the
    // dialog of a test, which drives it and reads it while it is up.
    BOOL Create();
    // Closes the window and makes `result` DoModal's answer.
    void EndDialog(int result);
    // The answer EndDialog was given; 0 while the dialog runs.
    int GetResult() const { return result_; }

    // Runs DoDataExchange: controls to members when `save`, else back.
    BOOL UpdateData(BOOL save = TRUE);

    // The dialog's control with this id (one CWnd per control, owned by the
    // dialog); nullptr without a window or for an unknown id.
    CWnd* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;
    // Focus on a control, as the dialog manager moves it.
    void GotoDlgCtrl(CWnd* control);
    // Runs command `id` (BN_CLICKED, no control) once the window's messages
    // are handled again (after OnInitDialog: once the dialog shows), as a
    // posted WM_COMMAND does.
    void PostCommand(int id);

    // The system menu; `revert` is accepted and ignored.
    CMenu* GetSystemMenu(BOOL revert);
    // Sets the window icon; returns the one set before.
    HICON SetIcon(HICON icon, BOOL big_icon);

    // Data exchange remembers the control objects it attached, so that they
    // let go of their widget when the window goes; a control object that
    // goes first is forgotten.
    void NoteAttachedControl(CWnd* control);
    void ForgetAttachedControl(CWnd* control);
    // Destroys the window now (DoModal does when it returns).
    void DestroyWindow();

    // Called by the framework; a dialog overrides what it handles. Public so
    // that tests can send what a user would. OnCommand: LOWORD(wparam) is
    // the id, HIWORD(wparam) the notification code, `lparam` the control's
    // window (0 for a key or a menu item); the default handles BN_CLICKED
    // only.
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    virtual void OnSysCommand(UINT id, LPARAM param);
    // A control's notification (notify.h); TRUE when handled, with the
    // answer in *result.
    virtual BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result);
    // The client area's new size (SIZE_ kinds in styles.h).
    virtual void OnSize(UINT type, int cx, int cy);
    // Files dropped on the dialog (DragAcceptFiles); drop_files.h reads them.
    virtual void OnDropFiles(HDROP drop);

  protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();
    virtual void OnCancel();
    // Painting of the client area; the default paints as the platform does.
    virtual void OnPaint();
    // Hands the message in progress to the default processing (OnPaint's).
    void Default();

  private:
    bool BuildWindow();
    void SetInitialFocus();

    UINT template_id_;
    CWnd* parent_;
    std::unique_ptr<fw::DialogWindow> window_;
    std::vector<std::unique_ptr<CWnd>> items_;
    std::vector<CWnd*> attached_;
    CMenu system_menu_;
    HICON big_icon_ = nullptr;
    HICON small_icon_ = nullptr;
    int result_ = 0;
};

namespace fw {

// What a dialog's initialisation does for its about box: when the dialog
// has a system menu and string `string_id` loads to a text, a separator and
// an item with that text and `command` are appended to the menu.
void AppendAboutItem(CDialog& dialog, int string_id, UINT command);

}  // namespace fw

// A dialog's own command handlers, as a table: each dialog class keeps one
// and dispatches from its OnCommand. An entry runs on its control's clicks
// unless it names another notification:
//   static const fw::CommandMap<CMyDlg> kCommands{
//       {1001, &CMyDlg::OnBrowse}, {1002, &CMyDlg::OnChooseTable, CBN_SELCHANGE}};
//   BOOL CMyDlg::OnCommand(WPARAM wparam, LPARAM lparam) {
//       return kCommands.Dispatch(this, wparam) || CDialog::OnCommand(wparam, lparam);
//   }
namespace fw {

template <class Dialog>
class CommandMap {
  public:
    struct Entry {
        int id;
        void (Dialog::*handler)();
        int code = BN_CLICKED;
    };
    CommandMap(std::initializer_list<Entry> entries) : entries_(entries) {}

    // Runs the handler of the command's id and notification code (an
    // OnCommand's first parameter); false when there is none.
    bool Dispatch(Dialog* dialog, WPARAM wparam) const {
        for (const Entry& entry : entries_) {
            if (entry.id == LOWORD(wparam) && entry.code == HIWORD(wparam)) {
                (dialog->*entry.handler)();
                return true;
            }
        }
        return false;
    }

  private:
    std::vector<Entry> entries_;
};

}  // namespace fw
