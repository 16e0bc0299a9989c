#pragma once

#include <QAbstractListModel>
#include <QString>

#include <string>
#include <vector>

// The list box's lines: the bytes as added, and the text shown for them.
class ListBoxModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int Insert(const std::string& bytes, bool sorted);
    // Adds the lines where inserting them one after the other would put them: into an empty
    // sorted list with one stable sort; into one that holds lines already, one insert each.
    void InsertMany(std::vector<std::string> lines, bool sorted);
    bool Remove(int row);
    void Clear();
    // Empties the list and yields its lines' bytes in the list's order, moved rather than copied.
    std::vector<std::string> TakeAll();
    const std::string* Bytes(int row) const;

private:
    struct Line {
        std::string bytes;
        // The text shown, made the first time it is asked for: a list of many lines shows few
        // of them, and ASCII lines sort without it.
        mutable QString shown;
        mutable bool shownMade = false;
        bool ascii = false; // every byte below 0x80: shown as the bytes themselves
    };
    static Line MakeLine(std::string bytes);
    static const QString& Shown(const Line& line);
    // The list's order: by the text shown, ignoring letter case.
    static bool SortsBefore(const Line& a, const Line& b);
    // Sorts by SortsBefore; equal lines keep their order.
    static void SortStably(std::vector<Line>& lines);
    // Held by value: one allocation less per line, and moving a line moves two handles.
    std::vector<Line> m_lines;
};
