#include "platform/framework/ListBox.h"

#include "platform/framework/ListBoxView.h"
#include "platform/framework/WindowHandle.h"

#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace {

ListBoxView* ViewOf(HWND hWnd) {
    return dynamic_cast<ListBoxView*>(AfxWidget(hWnd));
}

} // namespace

int CListBox::AddString(const std::string& text) {
    ListBoxView* view = ViewOf(m_hWnd);
    if (view == nullptr) {
        return LB_ERR;
    }
    ListBoxView::QuietScope quiet(*view);
    return view->Model().Insert(text, (view->Style() & LBS_SORT) != 0);
}

void CListBox::AddStrings(std::vector<std::string> lines) {
    if (ListBoxView* view = ViewOf(m_hWnd)) {
        ListBoxView::QuietScope quiet(*view);
        view->Model().InsertMany(std::move(lines), (view->Style() & LBS_SORT) != 0);
    }
}

int CListBox::DeleteString(UINT nIndex) {
    ListBoxView* view = ViewOf(m_hWnd);
    if (view == nullptr) {
        return LB_ERR;
    }
    ListBoxView::QuietScope quiet(*view);
    const bool selected = GetCurSel() == static_cast<int>(nIndex);
    if (!view->Model().Remove(static_cast<int>(nIndex))) {
        return LB_ERR;
    }
    if (selected) {
        // The selection goes with its line; the view would otherwise move it to the next one.
        view->selectionModel()->clearSelection();
    }
    return view->Model().rowCount();
}

void CListBox::ResetContent() {
    if (ListBoxView* view = ViewOf(m_hWnd)) {
        ListBoxView::QuietScope quiet(*view);
        view->Model().Clear();
    }
}

std::vector<std::string> CListBox::TakeStrings() {
    ListBoxView* view = ViewOf(m_hWnd);
    if (view == nullptr) {
        return {};
    }
    ListBoxView::QuietScope quiet(*view);
    return view->Model().TakeAll();
}

int CListBox::GetCount() const {
    ListBoxView* view = ViewOf(m_hWnd);
    return view ? view->Model().rowCount() : LB_ERR;
}

int CListBox::GetCurSel() const {
    ListBoxView* view = ViewOf(m_hWnd);
    if (view == nullptr) {
        return LB_ERR;
    }
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? LB_ERR : selected.first().row();
}

int CListBox::SetCurSel(int nSelect) {
    ListBoxView* view = ViewOf(m_hWnd);
    if (view == nullptr) {
        return LB_ERR;
    }
    ListBoxView::QuietScope quiet(*view);
    if (nSelect < 0) {
        view->selectionModel()->clearSelection();
        return LB_ERR;
    }
    if (nSelect >= view->Model().rowCount()) {
        return LB_ERR;
    }
    const QModelIndex index = view->Model().index(nSelect);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view->scrollTo(index);
    return nSelect;
}

void CListBox::GetText(int nIndex, std::string& text) const {
    ListBoxView* view = ViewOf(m_hWnd);
    const std::string* bytes = view ? view->Model().Bytes(nIndex) : nullptr;
    text = bytes ? *bytes : std::string();
}

int CListBox::GetTextLen(int nIndex) const {
    ListBoxView* view = ViewOf(m_hWnd);
    const std::string* bytes = view ? view->Model().Bytes(nIndex) : nullptr;
    return bytes ? static_cast<int>(bytes->size()) : LB_ERR;
}

int CListBox::GetTopIndex() const {
    ListBoxView* view = ViewOf(m_hWnd);
    if (view == nullptr) {
        return LB_ERR;
    }
    const int count = view->Model().rowCount();
    if (count == 0) {
        return 0;
    }
    view->doItemsLayout();
    return std::clamp(view->verticalScrollBar()->value(), 0, count - 1);
}
