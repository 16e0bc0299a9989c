#pragma once
// The list box control behind CListBox.

#include "platform/framework/ListBoxModel.h"

#include <QListView>

#include <cstdint>

class ListBoxView : public QListView {
public:
    ListBoxView(std::uint32_t style, QWidget* parent);
    ListBoxModel& Model() { return m_model; }
    std::uint32_t Style() const { return m_style; }
    // Changes made from code raise no notification.
    bool Quiet() const { return m_quiet > 0; }
    struct QuietScope {
        explicit QuietScope(ListBoxView& view) : m_view(view) { ++m_view.m_quiet; }
        ~QuietScope() { --m_view.m_quiet; }
        ListBoxView& m_view;
    };

protected:
    // A single-selection list keeps its one selected line: a click or key never clears it (a
    // Ctrl+click on it, a click on the empty area below the lines, Ctrl+Space). Only deleting
    // the line or emptying the list does.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    ListBoxModel m_model;
    std::uint32_t m_style;
    int m_quiet = 0;
};
