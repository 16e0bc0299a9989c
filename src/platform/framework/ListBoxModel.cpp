#include "platform/framework/ListBoxModel.h"

#include "platform/framework/QtText.h"

#include <algorithm>
#include <iterator>
#include <utility>

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return m_lines[static_cast<std::size_t>(index.row())]->shown;
}

std::unique_ptr<ListBoxModel::Line> ListBoxModel::MakeLine(std::string bytes) {
    auto line = std::make_unique<Line>();
    line->shown = AfxTextFromBytes(bytes);
    line->ascii = std::all_of(bytes.begin(), bytes.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    line->bytes = std::move(bytes);
    return line;
}

bool ListBoxModel::SortsBefore(const Line& a, const Line& b) {
    if (a.ascii && b.ascii) {
        // What the toolkit's comparison below gives for such texts, without converting them:
        // letter by letter with A-Z folded to a-z, a shorter text before a longer one it starts.
        const auto folded = [](char c) {
            return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        };
        return std::lexicographical_compare(a.bytes.begin(), a.bytes.end(), b.bytes.begin(),
                                            b.bytes.end(),
                                            [&](char x, char y) { return folded(x) < folded(y); });
    }
    return QString::compare(a.shown, b.shown, Qt::CaseInsensitive) < 0;
}

namespace {

// The text with A-Z folded to a-z: for texts below 0x80, comparing these bytes gives the list's
// order, and they compare as fast as bytes compare.
std::string FoldedAscii(const std::string& bytes) {
    std::string folded(bytes);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

} // namespace

void ListBoxModel::SortStably(std::vector<std::unique_ptr<Line>>& lines) {
    // Each line's folded text is made once rather than in every comparison of the sort.
    struct SortItem {
        std::string folded;
        std::unique_ptr<Line> line;
    };
    std::vector<SortItem> items;
    items.reserve(lines.size());
    for (std::unique_ptr<Line>& line : lines) {
        std::string folded = line->ascii ? FoldedAscii(line->bytes) : std::string();
        items.push_back({std::move(folded), std::move(line)});
    }
    // Stable: equal lines keep their order of arrival, as one insert after another keeps it.
    std::stable_sort(items.begin(), items.end(), [](const SortItem& a, const SortItem& b) {
        return a.line->ascii && b.line->ascii ? a.folded < b.folded : SortsBefore(*a.line, *b.line);
    });
    for (std::size_t i = 0; i < items.size(); ++i) {
        lines[i] = std::move(items[i].line);
    }
}

int ListBoxModel::Insert(const std::string& bytes, bool sorted) {
    std::unique_ptr<Line> line = MakeLine(bytes);
    auto at = m_lines.end();
    if (sorted) {
        // A binary search: after every line that sorts before it or equal to it, so equal lines
        // keep their order of arrival. The lines below move down in one step.
        at = std::upper_bound(
            m_lines.begin(), m_lines.end(), line,
            [](const std::unique_ptr<Line>& added, const std::unique_ptr<Line>& existing) {
                return SortsBefore(*added, *existing);
            });
    }
    const int row = static_cast<int>(at - m_lines.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.insert(at, std::move(line));
    endInsertRows();
    return row;
}

void ListBoxModel::InsertMany(std::vector<std::string> lines, bool sorted) {
    if (lines.empty()) {
        return;
    }
    if (sorted && !m_lines.empty()) {
        // Lines are already shown (and may be selected): each new one takes its place as a
        // single insert would give it.
        for (const std::string& bytes : lines) {
            Insert(bytes, true);
        }
        return;
    }
    std::vector<std::unique_ptr<Line>> added;
    added.reserve(lines.size());
    for (std::string& bytes : lines) {
        added.push_back(MakeLine(std::move(bytes)));
    }
    if (sorted) {
        SortStably(added);
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    m_lines.insert(m_lines.end(), std::make_move_iterator(added.begin()),
                   std::make_move_iterator(added.end()));
    endInsertRows();
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
