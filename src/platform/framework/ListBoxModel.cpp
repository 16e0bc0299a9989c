#include "platform/framework/ListBoxModel.h"

#include "platform/framework/QtText.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return Shown(m_lines[static_cast<std::size_t>(index.row())]);
}

ListBoxModel::Line ListBoxModel::MakeLine(std::string bytes) {
    Line line;
    line.ascii = std::all_of(bytes.begin(), bytes.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    line.bytes = std::move(bytes);
    return line;
}

const QString& ListBoxModel::Shown(const Line& line) {
    if (!line.shownMade) {
        line.shown = AfxTextFromBytes(line.bytes);
        line.shownMade = true;
    }
    return line.shown;
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
    return QString::compare(Shown(a), Shown(b), Qt::CaseInsensitive) < 0;
}

namespace {

char FoldedAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

void ListBoxModel::SortStably(std::vector<Line>& lines) {
    // Each sort item carries eight bytes of its ASCII line, folded, as one number: those from
    // where the ASCII lines stop all beginning alike ("http://", say). Most comparisons of the
    // sort then decide on two numbers, without reaching into the lines; the items are small, and
    // the lines move once, into their places.
    struct SortItem {
        std::uint64_t
            key; // folded bytes [common, common + 8), the first the highest, 0 past the end
        std::uint32_t line;
        bool ascii;
    };
    std::size_t common = std::string::npos; // the length the ASCII lines all begin with alike
    const std::string* firstAscii = nullptr;
    for (const Line& line : lines) {
        if (!line.ascii) {
            continue;
        }
        if (firstAscii == nullptr) {
            firstAscii = &line.bytes;
            common = line.bytes.size();
            continue;
        }
        const std::size_t limit = std::min(common, line.bytes.size());
        std::size_t alike = 0;
        while (alike < limit &&
               FoldedAscii((*firstAscii)[alike]) == FoldedAscii(line.bytes[alike])) {
            ++alike;
        }
        common = alike;
    }
    std::vector<SortItem> items;
    items.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        std::uint64_t key = 0;
        if (line.ascii) {
            for (std::size_t at = common; at < common + 8; ++at) {
                const auto byte = at < line.bytes.size()
                                      ? static_cast<unsigned char>(FoldedAscii(line.bytes[at]))
                                      : 0U;
                key = (key << 8) | byte;
            }
        }
        items.push_back({key, static_cast<std::uint32_t>(i), line.ascii});
    }
    // Stable: equal lines keep their order of arrival, as one insert after another keeps it.
    std::stable_sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        // Unequal keys of two ASCII lines order them as their folded bytes do (a line that ends
        // first is padded with zeros, which no byte sorts before); anything else is decided by
        // the lines themselves.
        if (a.ascii && b.ascii && a.key != b.key) {
            return a.key < b.key;
        }
        return SortsBefore(lines[a.line], lines[b.line]);
    });
    // The lines are put in their places in cycles: a line's place is taken by the one sorted
    // into it, whose own place by the next, and so on back to the first; no second list is made.
    std::vector<bool> placed(lines.size(), false);
    for (std::size_t start = 0; start < lines.size(); ++start) {
        if (placed[start]) {
            continue;
        }
        Line held = std::move(lines[start]);
        std::size_t to = start;
        for (;;) {
            placed[to] = true;
            const std::size_t from = items[to].line;
            if (from == start) {
                lines[to] = std::move(held);
                break;
            }
            lines[to] = std::move(lines[from]);
            to = from;
        }
    }
}

int ListBoxModel::Insert(const std::string& bytes, bool sorted) {
    Line line = MakeLine(bytes);
    auto at = m_lines.end();
    if (sorted) {
        // A binary search: after every line that sorts before it or equal to it, so equal lines
        // keep their order of arrival. The lines below move down in one step.
        at = std::upper_bound(
            m_lines.begin(), m_lines.end(), line,
            [](const Line& added, const Line& existing) { return SortsBefore(added, existing); });
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
    std::vector<Line> added;
    added.reserve(lines.size());
    for (std::string& bytes : lines) {
        added.push_back(MakeLine(std::move(bytes)));
    }
    if (sorted) {
        SortStably(added);
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    if (m_lines.empty()) {
        m_lines = std::move(added);
    } else {
        m_lines.insert(m_lines.end(), std::make_move_iterator(added.begin()),
                       std::make_move_iterator(added.end()));
    }
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

std::vector<std::string> ListBoxModel::TakeAll() {
    beginResetModel();
    std::vector<std::string> lines;
    lines.reserve(m_lines.size());
    for (Line& line : m_lines) {
        lines.push_back(std::move(line.bytes));
    }
    m_lines.clear();
    m_lines.shrink_to_fit();
    endResetModel();
    return lines;
}

const std::string* ListBoxModel::Bytes(int row) const {
    if (row < 0 || row >= rowCount()) {
        return nullptr;
    }
    return &m_lines[static_cast<std::size_t>(row)].bytes;
}
