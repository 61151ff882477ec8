// CWnd: a window of the dialog framework, seen from the code that uses it.
//
// A CWnd refers to a window it does not own: a dialog's controls belong to
// the dialog, and several CWnd objects may refer to one control (the one
// GetDlgItem hands out and a member attached by data exchange). A CWnd with
// no window answers every question with "none", "disabled" or "".
#pragma once

#include <functional>
#include <string>

#include "window/window_types.h"

class CDialog;
class QWidget;
struct POINT;

// Rectangles in pixels, as the window functions hand them out.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CWnd {
  public:
    CWnd() = default;
    // A control object attached to a dialog's control leaves the dialog's
    // list when it goes (a dialog's members go before the dialog).
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The window this object stands for, or nullptr.
    HWND GetSafeHwnd() const { return widget_; }
    int GetDlgCtrlID() const { return id_; }

    // Returns whether the window was disabled before.
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    // Minimised.
    BOOL IsIconic() const;

    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;

    void SetFocus();
    // WM_COMMAND as the window hears it: LOWORD(wparam) the id, HIWORD(wparam)
    // the notification code (0 from a menu), `lparam` the control's window.
    // A window that handles commands (a dialog) overrides it; TRUE when handled.
    virtual BOOL OnCommand(WPARAM /*wparam*/, LPARAM /*lparam*/) { return FALSE; }
    // A dialog that accepts files hears of those dropped on it (and on its
    // controls) in OnDropFiles.
    void DragAcceptFiles(BOOL accept = TRUE);
    // The client area: left and top are 0.
    virtual void GetClientRect(CRect* rect) const;
    // The window's rectangle on the screen.
    void GetWindowRect(CRect* rect) const;
    // A screen rectangle in this window's client coordinates, and a client
    // point on the screen.
    void ScreenToClient(CRect* rect) const;
    void ClientToScreen(POINT* point) const;
    // Places a child window at `rect` of its parent's client area (a
    // top-level window: on the screen).
    void MoveWindow(const CRect& rect, BOOL repaint = TRUE);

    // Framework side: the widget behind the window. A control class that
    // listens to its widget starts and stops listening here.
    QWidget* widget() const { return widget_; }
    virtual void AttachWidget(QWidget* widget, int id);
    virtual void DetachWidget();

  protected:
    QWidget* widget_ = nullptr;
    int id_ = 0;

  private:
    friend class CDialog;
    // Set while a dialog keeps this object among the controls it attached:
    // the dialog it belongs to, and what tells that dialog to forget it.
    const CDialog* attached_to_ = nullptr;
    std::function<void()> forget_;
};
