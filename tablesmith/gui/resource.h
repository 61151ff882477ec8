// The numbers of Tablesmith's resources and controls.
#pragma once

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_TABLESMITH_DIALOG 102

// Strings.
#define IDS_ABOUTBOX 101

// The system-menu command of the about box (the low four bits are the
// system's own, so it is a multiple of 16).
#define IDM_ABOUTBOX 0x0010

// Icons.
#define IDR_MAINFRAME 128

// Controls of the main dialog (IDOK is "Export", IDCANCEL "Exit").
#define IDC_MSIFILE 1000
#define IDC_BROWSE 1001
#define IDC_TABLES 1002
#define IDC_EXPORT_ALL 1003
#define IDC_TABLE_COUNT 1004
#define IDC_EXPORT_CAB 1005
#define IDC_ONLY_CAB 1006
// "View...": the package viewer at the chosen table.
#define IDC_VIEW 1007
#define IDC_GENERATE 3
