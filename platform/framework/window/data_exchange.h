// Dialog data exchange: one function per member, called by a dialog's
// DoDataExchange in a fixed order, copying between a member and a control in
// the direction the exchange runs (controls to members when saving).
//
// CDataExchange, the state of one exchange, is in dialog.h: the dialog makes
// it, and these functions, above the dialog, work on it.
#pragma once

#include <string>

#include "window/dialog.h"

// The text of an edit field.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// The check state of a check box: 0 or 1.
void DDX_Check(CDataExchange* dx, int id, int& value);
// Attaches `control` to the dialog's control `id`, once; a control object
// attached already stays as it is.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
