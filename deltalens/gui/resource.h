// The numbers of Deltalens's resources and controls.
#pragma once

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_DELTALENS_DIALOG 102

// Strings.
#define IDS_ABOUTBOX 101

// The system-menu command of the about box (a multiple of 16: the low four
// bits are the system's own).
#define IDM_ABOUTBOX 0x0010

// Icons.
#define IDR_MAINFRAME 128

// Controls of the main dialog (IDCANCEL is "Exit").
#define IDC_MSIFILE 1000
#define IDC_MSTFILE 1001
#define IDC_BROWSE_MSI 1002
#define IDC_BROWSE_MST 1003
#define IDC_CHANGES 1004
#define IDC_VIEW 1005
#define IDC_APPLY 3

// The change list's row menu.
#define ID_EDIT_COPY 0xE122
#define ID_COPY_ALL 0x8001
#define ID_SAVE_LIST 0x8002
