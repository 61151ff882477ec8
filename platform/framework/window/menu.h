// CMenu: the items of a menu, as data. A dialog's system menu is one: the
// dialog shows it as a pop-up (see dialog.h) and sends the chosen item's
// command to OnSysCommand.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"
#include "window/styles.h"  // MF_STRING, MF_SEPARATOR

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

  private:
    std::vector<Item> items_;
};
