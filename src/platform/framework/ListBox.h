#pragma once
// CListBox: a list of text lines. With the sort style a new line takes its place by comparing
// without regard to letter case, after any lines equal to it. Lines are shown as plain text.
// Changes made from code raise no selection notification. A list keeps its one selected line
// until that line is deleted or the list emptied: no click or key clears it.

#include "platform/framework/Wnd.h"

#include <string>

constexpr int LB_ERR = -1;

class CListBox : public CWnd {
public:
    int AddString(const std::string& text);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    void GetText(int nIndex, std::string& text) const;
    int GetTextLen(int nIndex) const;
    int GetTopIndex() const;
};
