#include "platform/framework/Menu.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const std::string& text) {
    const bool separator = (nFlags & MF_SEPARATOR) != 0;
    m_items.push_back(
        {nFlags, separator ? 0u : static_cast<UINT>(nIDNewItem), separator ? std::string() : text});
    return TRUE;
}

int CMenu::GetMenuItemCount() const {
    return static_cast<int>(m_items.size());
}

UINT CMenu::GetMenuItemID(int nPos) const {
    if (nPos < 0 || nPos >= GetMenuItemCount()) {
        return static_cast<UINT>(-1);
    }
    return m_items[static_cast<std::size_t>(nPos)].id;
}

UINT CMenu::GetMenuState(UINT nPos, UINT) const {
    if (nPos >= m_items.size()) {
        return static_cast<UINT>(-1);
    }
    return m_items[nPos].flags;
}

int CMenu::GetMenuString(UINT nPos, std::string& text, UINT) const {
    text = nPos < m_items.size() ? m_items[nPos].text : std::string();
    return static_cast<int>(text.size());
}

BOOL CMenu::EnableMenuItem(UINT nIDItem, UINT nEnable) {
    for (Item& item : m_items) {
        if (item.id == nIDItem && (item.flags & MF_SEPARATOR) == 0) {
            item.flags = (item.flags & ~MF_GRAYED) | (nEnable & MF_GRAYED);
            return TRUE;
        }
    }
    return FALSE;
}

void CMenu::RemoveAll() {
    m_items.clear();
}
