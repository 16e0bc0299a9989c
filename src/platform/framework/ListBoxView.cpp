#include "platform/framework/ListBoxView.h"

#include "platform/framework/AfxTypes.h"

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
