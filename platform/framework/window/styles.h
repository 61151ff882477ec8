// The window-style bits that dialog templates use, with their Windows values,
// so that a template reads like the dialog resource it stands for. Only the
// bits that change what a control does or how it looks are acted on; the rest
// are accepted and ignored (a template may carry them as written).
#pragma once

// Any window.
#define WS_TABSTOP 0x00010000u
#define WS_GROUP 0x00020000u
#define WS_VSCROLL 0x00200000u
#define WS_BORDER 0x00800000u
#define WS_DISABLED 0x08000000u
#define WS_VISIBLE 0x10000000u
#define WS_CHILD 0x40000000u

// Edit fields.
#define ES_AUTOHSCROLL 0x0080u
#define ES_READONLY 0x0800u

// Combo boxes.
#define CBS_DROPDOWNLIST 0x0003u
#define CBS_SORT 0x0100u

// List views.
#define LVS_REPORT 0x0001u
#define LVS_SINGLESEL 0x0004u
#define LVS_SHOWSELALWAYS 0x0008u
#define LVS_NOSORTHEADER 0x8000u

// Dialog frames.
#define DS_MODALFRAME 0x80u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
// A frame the user may drag to a larger size (never below the template's).
#define WS_THICKFRAME 0x00040000u
#define WS_SYSMENU 0x00080000u
#define WS_CAPTION 0x00C00000u
#define WS_EX_APPWINDOW 0x00040000u

// Menu items.
#define MF_STRING 0x0000u
#define MF_SEPARATOR 0x0800u

// System commands (WM_SYSCOMMAND ids; the low four bits are the system's own).
#define SC_MINIMIZE 0xF020u
#define SC_MAXIMIZE 0xF030u
#define SC_CLOSE 0xF060u
#define SC_RESTORE 0xF120u

// OnSize's kinds of size.
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

// The framework's help command.
#define ID_HELP 0xE146u
