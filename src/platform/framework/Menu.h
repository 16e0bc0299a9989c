#pragma once
// CMenu: the window menu's items. The framework shows it as a pop-up menu on Alt+Space and on a
// right-click on the window's background; a chosen item arrives as WM_SYSCOMMAND with its id.

#include "platform/framework/AfxTypes.h"

#include <string>
#include <vector>

class CMenu {
public:
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const std::string& text = {});
    int GetMenuItemCount() const;
    // The command id at a position; 0 for a separator, and (UINT)-1 past the end.
    UINT GetMenuItemID(int nPos) const;
    // The flags (MF_SEPARATOR, MF_GRAYED) at a position, or (UINT)-1 past the end.
    UINT GetMenuState(UINT nPos, UINT nFlags = MF_BYPOSITION) const;
    int GetMenuString(UINT nPos, std::string& text, UINT nFlags = MF_BYPOSITION) const;
    BOOL EnableMenuItem(UINT nIDItem, UINT nEnable);
    void RemoveAll();

private:
    struct Item {
        UINT flags;
        UINT id;
        std::string text;
    };
    std::vector<Item> m_items;
};
