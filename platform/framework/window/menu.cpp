#include "window/menu.h"

#include <QMenu>

#include "window/wnd.h"
#include "window/qt_text.h"
#include "window/styles.h"
#include "window/ui_test_hook_internal.h"

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

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    QMenu menu(owner != nullptr ? owner->widget() : nullptr);
    menu.setSeparatorsCollapsible(false);
    for (const Item& item : items_) {
        if (item.flags == MF_SEPARATOR) {
            menu.addSeparator();
        } else {
            // The text after a tab is the item's shortcut, shown on the right.
            QAction* action = menu.addAction(fw::ToQString(item.text));
            action->setData(item.id);
        }
    }
    fw::test_hook::NotifyModalShowing(&menu);
    QAction* chosen = menu.exec(QPoint(x, y));
    const UINT id = chosen != nullptr ? chosen->data().toUInt() : 0;
    if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(id);
    // As the platform does, a chosen item is a command to the owner, from a
    // menu (notification code 0, no control).
    if (id != 0 && owner != nullptr) owner->OnCommand(MAKEWPARAM(id, 0), 0);
    return id != 0 ? TRUE : FALSE;
}
