// Notifications: what a control tells its parent (and, reflected, itself)
// about what the user did, as the platform's notification records.
#pragma once

#include "window/window_types.h"

struct POINT {
    LONG x;
    LONG y;
};

struct NMHDR {
    HWND hwndFrom;          // the control's window
    std::uintptr_t idFrom;  // its id
    int code;               // NM_..., LVN_..., HDN_...
};

// The notification codes a command carries (HIWORD of OnCommand's first
// parameter, window_types.h).
#define BN_CLICKED 0
#define CBN_SELCHANGE 1
#define EN_CHANGE 0x0300

// The codes of the notification records.
#define NM_CLICK (-2)
#define NM_DBLCLK (-3)
#define NM_RCLICK (-5)
#define LVN_ITEMCHANGED (-101)
#define LVN_KEYDOWN (-155)
#define HDN_ITEMCLICKA (-302)
#define HDN_ITEMCLICKW (-322)

// Which parts of an item changed.
#define LVIF_TEXT 0x0001u
#define LVIF_IMAGE 0x0002u
#define LVIF_PARAM 0x0004u
#define LVIF_STATE 0x0008u

// Item states.
#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u

// LVN_ITEMCHANGED: an item's state changed.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;  // LVIF_ bits
    POINT ptAction;
    LPARAM lParam;  // the item's data
};

// NM_CLICK, NM_DBLCLK and NM_RCLICK on a list: where the click was (client
// coordinates) and on which item, -1 for none. A dialog that answers
// NM_RCLICK with a non-zero result has shown a menu of its own; else the
// click goes on to the dialog's background (its system menu).
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};

// LVN_KEYDOWN: a key pressed while the list has the focus.
struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;  // the virtual key: 'A'..'Z', '0'..'9', VK_...
    UINT flags;
};

// HDN_ITEMCLICK: a header item was clicked with a button (0 left, 1 right,
// 2 middle).
struct NMHEADER {
    NMHDR hdr;
    int iItem;
    int iButton;
    void* pitem;
};

// Virtual keys the framework reports besides letters and digits.
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12

// Whether a key is down now: negative when it is (the platform's top bit).
short GetKeyState(int virtual_key);
