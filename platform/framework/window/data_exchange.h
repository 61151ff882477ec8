// Dialog data exchange: one function per member, called by a dialog's
// DoDataExchange in a fixed order, copying between a member and a control in
// the direction the exchange runs (controls to members when saving).
#pragma once

#include <string>

#include "win32/types.h"

class CDialog;
class CWnd;

class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, BOOL save_and_validate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(save_and_validate) {}

    CDialog* m_pDlgWnd;
    // TRUE: controls to members; FALSE: members to controls.
    BOOL m_bSaveAndValidate;
};

// The text of an edit field.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// The check state of a check box: 0 or 1.
void DDX_Check(CDataExchange* dx, int id, int& value);
// Attaches `control` to the dialog's control `id`, once; a control object
// attached already stays as it is.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
