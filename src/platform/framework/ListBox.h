#pragma once
// CListBox: a list of text lines. With the sort style a new line takes its place by comparing
// without regard to letter case, after any lines equal to it. Lines are shown as plain text.
// Changes made from code raise no selection notification. A list keeps its one selected line
// until that line is deleted or the list emptied: no click or key clears it.

#include "platform/framework/Wnd.h"

#include <string>
#include <vector>

constexpr int LB_ERR = -1;

class CListBox : public CWnd {
public:
    // Finds the line's place with a binary search; yields its index.
    int AddString(const std::string& text);
    // Adds every line where AddString one after the other would put it, at the cost of one sort
    // when the list is empty (as it is when a window fills it at start).
    void AddStrings(std::vector<std::string> lines);
    int DeleteString(UINT nIndex);
    void ResetContent();
    // Empties the list as ResetContent does and yields the lines it held, in order.
    std::vector<std::string> TakeStrings();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    void GetText(int nIndex, std::string& text) const;
    int GetTextLen(int nIndex) const;
    int GetTopIndex() const;
};
