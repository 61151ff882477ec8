// The dialog controls with operations of their own: buttons and check boxes,
// edit fields, static texts and drop-down lists. Each refers to a control of
// a dialog (attached by data exchange or handed out by GetDlgItem).
#pragma once

#include <string>

#include "window/wnd.h"

// Check states.
#define BST_UNCHECKED 0u
#define BST_CHECKED 1u

// Combo-box answers.
#define CB_ERR (-1)

class CButton : public CWnd {
  public:
    // BST_CHECKED or BST_UNCHECKED; 0 for a button that is no check box.
    int GetCheck() const;
    void SetCheck(int check);
};

class CEdit : public CWnd {};

class CStatic : public CWnd {};

// A drop-down list. With CBS_SORT in its template the list keeps its
// entries in order as they are added: without regard to ASCII letter case,
// entries that differ only in case in byte order.
class CComboBox : public CWnd {
  public:
    // The index the entry took, or CB_ERR.
    int AddString(const std::string& text);
    void ResetContent();
    int GetCount() const;
    // The index of the selection, or CB_ERR with none.
    int GetCurSel() const;
    // CB_ERR for an index out of range (the selection is cleared then).
    int SetCurSel(int index);
    // The entry's text; "" out of range.
    std::string GetLBText(int index) const;
};
