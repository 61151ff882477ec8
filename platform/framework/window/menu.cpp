#include "window/menu.h"

#include "window/styles.h"

BOOL CMenu::AppendMenu(UINT flags, UINT id, const std::string& text) {
    if ((flags & MF_SEPARATOR) != 0) {
        items_.push_back({MF_SEPARATOR, 0, {}});
    } else {
        items_.push_back({MF_STRING, id, text});
    }
    return TRUE;
}

int CMenu::GetMenuItemID(int position) const {
    if (position < 0 || position >= GetMenuItemCount()) return -1;
    return static_cast<int>(items_[static_cast<std::size_t>(position)].id);
}

std::string CMenu::GetMenuString(int position) const {
    if (position < 0 || position >= GetMenuItemCount()) return {};
    return items_[static_cast<std::size_t>(position)].text;
}
