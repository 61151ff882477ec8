// CMenu: the items of a menu, as data. A dialog's system menu is one: the
// dialog shows it as a pop-up (see dialog.h) and sends the chosen item's
// command to OnSysCommand. A program's own pop-up menu is another, shown with
// TrackPopupMenu.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"
#include "window/styles.h"  // MF_STRING, MF_SEPARATOR

class CWnd;

#define TPM_LEFTALIGN 0x0000u
#define TPM_RIGHTBUTTON 0x0002u
#define TPM_RETURNCMD 0x0100u

class CMenu {
  public:
    struct Item {
        UINT flags;        // MF_STRING or MF_SEPARATOR
        UINT id;           // the command; 0 for a separator
        std::string text;  // "&" marks the mnemonic
    };

    BOOL AppendMenu(UINT flags, UINT id = 0, const std::string& text = {});
    int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
    // The item's command, 0 for a separator, -1 out of range.
    int GetMenuItemID(int position) const;
    std::string GetMenuString(int position) const;
    const std::vector<Item>& Items() const { return items_; }

    // Shows the menu at (x, y) on the screen over `owner` and waits until
    // the user chooses or dismisses it. With TPM_RETURNCMD the chosen
    // item's command is returned (0: none chosen); else it goes to the
    // owner dialog's OnCommand and the answer is whether one was chosen.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

  private:
    std::vector<Item> items_;
};
