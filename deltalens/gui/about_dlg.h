// CAboutDlg: Deltalens's about box (template 100), opened from the system
// menu. It has no behaviour of its own: OK and Escape close it.
#pragma once

#include "resource.h"
#include "window/dialog.h"

class CAboutDlg : public CDialog {
  public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
