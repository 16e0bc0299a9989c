#include "platform/framework/ListBox.h"

#include "platform/framework/QtWindow.h"

#include <QScrollBar>

#include <algorithm>

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return m_lines[static_cast<std::size_t>(index.row())]->shown;
}

int ListBoxModel::Insert(const std::string& bytes, bool sorted) {
    auto line = std::make_unique<Line>();
    line->bytes = bytes;
    line->shown = AfxTextFromBytes(bytes);
    auto at = m_lines.end();
    if (sorted) {
        // After every line that sorts before it or equal to it, so equal lines keep their
        // order of arrival.
        at = std::upper_bound(m_lines.begin(), m_lines.end(), line->shown,
                              [](const QString& text, const std::unique_ptr<Line>& existing) {
                                  return QString::compare(text, existing->shown,
                                                          Qt::CaseInsensitive) < 0;
                              });
    }
    const int row = static_cast<int>(at - m_lines.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.insert(at, std::move(line));
    endInsertRows();
    return row;
}

bool ListBoxModel::Remove(int row) {
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_lines.erase(m_lines.begin() + row);
    endRemoveRows();
    return true;
}

void ListBoxModel::Clear() {
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

const std::string* ListBoxModel::Bytes(int row) const {
    if (row < 0 || row >= rowCount()) {
        return nullptr;
    }
    return &m_lines[static_cast<std::size_t>(row)]->bytes;
}

ListBoxView::ListBoxView(std::uint32_t style, QWidget* parent) : QListView(parent), m_style(style) {
    setModel(&m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    // No horizontal extent is ever set, so a line wider than the list is cut off at its edge.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded
                                                    : Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

QItemSelectionModel::SelectionFlags ListBoxView::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (!index.isValid() ||
        (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))) {
        return QItemSelectionModel::NoUpdate;
    }
    return command;
}

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
