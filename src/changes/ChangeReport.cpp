// The change report's HTML: the line diff laid out in two columns, with the words that changed
// inside a changed line marked.

#include "changes/ChangeReport.h"

#include "changes/LineDiff.h"
#include "platform/system/MarkupEscape.h"
#include "records/LineAddress.h"
#include "records/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Unchanged lines shown around each change; longer runs are folded into one line that says how
// many there are.
constexpr std::size_t kContextLines = 3;
// Words are compared inside a changed line only while the two lines hold at most this many
// words together: beyond it (a minified page's one long line) the whole line is marked.
constexpr std::size_t kMostWordsCompared = 4000;
// The word comparisons one page's changed lines may make together; past them, each further
// changed line is marked whole.
constexpr std::uint64_t kWordComparisonsPerPage = std::uint64_t{1} << 26;

// Even if something of a page slipped through the escaping, the browser would run no script and
// load nothing: the page allows its own inline style and nothing else.
constexpr std::string_view kHead =
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
    "'unsafe-inline'; base-uri 'none'; form-action 'none'\">\n"
    "<meta name=\"referrer\" content=\"no-referrer\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Varnolt: what changed</title>\n"
    "<style>\n"
    "body{font:15px/1.45 system-ui,sans-serif;margin:1.5em;color:#1f2328;background:#fff}\n"
    "h1{font-size:1.5em;margin:0 0 1em}\n"
    "section{margin:0 0 2.5em}\n"
    "h2{font-size:1.2em;margin:0 0 .2em}\n"
    ".address{margin:0 0 .8em;overflow-wrap:anywhere}\n"
    ".address a{color:#0969da}\n"
    ".note{padding:.6em .8em;background:#f6f8fa;border:1px solid #d0d7de;border-radius:6px}\n"
    ".failure{background:#fff8c5;border-color:#d4a72c}\n"
    "table{width:100%;border-collapse:collapse;table-layout:fixed;border:1px solid #d0d7de;"
    "font:13px/1.4 ui-monospace,monospace}\n"
    "col.n{width:3.5em}\n"
    "th{font:600 14px system-ui,sans-serif;text-align:left;padding:.4em .6em;"
    "background:#f6f8fa;border-bottom:1px solid #d0d7de}\n"
    "td{padding:0 .6em;vertical-align:top;white-space:pre-wrap;overflow-wrap:anywhere}\n"
    "td.n{color:#6e7781;text-align:right;user-select:none}\n"
    "td.removed{background:#ffebe9}\n"
    "td.added{background:#e6ffec}\n"
    "del{background:#ffc1bd;color:#82071e;text-decoration:line-through}\n"
    "ins{background:#abf2bc;color:#055d20;text-decoration:none}\n"
    "tr.gap td{background:#ddf4ff;color:#57606a;font-style:italic;padding:.15em .6em}\n"
    "</style>\n</head>\n<body>\n<h1>What changed</h1>\n";

// Bytes of a page as text the report can hold: UTF-8 where they are valid UTF-8, otherwise each
// byte as its Latin-1 character; carriage returns dropped, and every other control character but
// the tab and the line end shown as U+FFFD, which no HTML reader takes for markup.
std::string ReadableText(std::string_view bytes) {
    // Control characters are single bytes in UTF-8 as in Latin-1: they are found after decoding.
    const std::string decoded = Utf8OrLatin1(bytes);
    std::string text;
    text.reserve(decoded.size());
    for (const char byte : decoded) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\r') {
            continue;
        }
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            text += "\xEF\xBF\xBD";
        } else {
            text += byte;
        }
    }
    return text;
}

// One row of the two columns: a line on either side (or a side left empty).
struct Row {
    bool changed = false;
    std::size_t leftNumber = 0; // 0: no line on that side
    std::size_t rightNumber = 0;
    std::string_view left; // in the texts the rows were made from
    std::string_view right;
};

// The edit as rows: unchanged lines face themselves (each side as its own text has it, which
// may differ in letter case); in each run of changed lines the removed lines face the added ones
// in order, the longer side's rest facing nothing.
std::vector<Row> RowsOf(const std::string& before, const std::string& after) {
    const std::vector<std::string_view> a = SplitLines(before);
    const std::vector<std::string_view> b = SplitLines(after);
    const std::vector<LineEdit> edits = DiffLines(before, after);
    std::vector<Row> rows;
    std::size_t left = 0;
    std::size_t right = 0;
    for (std::size_t i = 0; i < edits.size();) {
        if (edits[i].kind == LineEdit::Kind::Same) {
            rows.push_back({false, left + 1, right + 1, a[left], b[right]});
            ++left;
            ++right;
            ++i;
            continue;
        }
        std::vector<std::size_t> removed;
        std::vector<std::size_t> added;
        for (; i < edits.size() && edits[i].kind != LineEdit::Kind::Same; ++i) {
            if (edits[i].kind == LineEdit::Kind::Removed) {
                removed.push_back(left++);
            } else {
                added.push_back(right++);
            }
        }
        for (std::size_t k = 0; k < std::max(removed.size(), added.size()); ++k) {
            Row row;
            row.changed = true;
            if (k < removed.size()) {
                row.leftNumber = removed[k] + 1;
                row.left = a[removed[k]];
            }
            if (k < added.size()) {
                row.rightNumber = added[k] + 1;
                row.right = b[added[k]];
            }
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

// A line as the parts a reader tells apart: words (letters, digits and every non-ASCII
// character), runs of blanks, and each other sign alone, so that a word changed inside markup
// ("<p>old" to "<p>new") is marked without its tags.
std::vector<std::string_view> WordsOf(std::string_view line, std::size_t most) {
    enum class Kind { Blank, Word, Sign };
    const auto kindOf = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ' ' || c == '\t') {
            return Kind::Blank;
        }
        if (u >= 0x80 || c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
            (c >= 'A' && c <= 'Z')) {
            return Kind::Word;
        }
        return Kind::Sign;
    };
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < line.size() && words.size() < most) {
        const Kind kind = kindOf(line[start]);
        std::size_t end = start + 1;
        while (kind != Kind::Sign && end < line.size() && kindOf(line[end]) == kind) {
            ++end;
        }
        words.push_back(line.substr(start, end - start));
        start = end;
    }
    return words;
}

std::string JoinedLines(const std::vector<std::string_view>& parts) {
    std::string joined;
    for (const std::string_view part : parts) {
        joined.append(part).append("\n");
    }
    return joined;
}

// A stretch of a changed line: the same on both sides, or changed (what each side holds).
struct Stretch {
    bool same = false;
    std::string left;
    std::string right;
};

// The line's stretches from the word diff, each side in its own letter case.
std::vector<Stretch> StretchesOf(const std::vector<std::string_view>& a,
                                 const std::vector<std::string_view>& b, std::uint64_t& budget) {
    std::vector<Stretch> stretches;
    std::size_t i = 0;
    std::size_t j = 0;
    const std::string wordsBefore = JoinedLines(a);
    const std::string wordsAfter = JoinedLines(b);
    for (const LineEdit& edit : DiffLines(wordsBefore, wordsAfter, &budget)) {
        const bool same = edit.kind == LineEdit::Kind::Same;
        if (stretches.empty() || stretches.back().same != same) {
            stretches.push_back({same, {}, {}});
        }
        if (edit.kind != LineEdit::Kind::Added) {
            stretches.back().left += a[i++];
        }
        if (edit.kind != LineEdit::Kind::Removed) {
            stretches.back().right += b[j++];
        }
    }
    return stretches;
}

// A short stretch left the same between two changes ("the", a blank) is read as part of the
// change, so that a rewritten sentence reads as one change rather than as confetti: an unchanged
// stretch no longer than the changes on both sides of it is joined to them.
void JoinShortSameStretches(std::vector<Stretch>& stretches) {
    const auto size = [](const Stretch& s) { return std::max(s.left.size(), s.right.size()); };
    for (std::size_t k = 1; k + 1 < stretches.size();) {
        Stretch& same = stretches[k];
        if (!same.same || size(same) > size(stretches[k - 1]) ||
            size(same) > size(stretches[k + 1])) {
            ++k;
            continue;
        }
        Stretch joined{false, stretches[k - 1].left + same.left + stretches[k + 1].left,
                       stretches[k - 1].right + same.right + stretches[k + 1].right};
        stretches[k - 1] = std::move(joined);
        stretches.erase(stretches.begin() + static_cast<std::ptrdiff_t>(k),
                        stretches.begin() + static_cast<std::ptrdiff_t>(k + 2));
        k = k >= 3 ? k - 2 : 1; // the change grew: the stretch before it may now join too
    }
}

void AppendMarked(std::string_view tag, std::string_view text, std::string& html) {
    html.append("<").append(tag).append(">");
    html += EscapeMarkup(text);
    html.append("</").append(tag).append(">");
}

// The two sides of a changed line with the words that differ marked, found by the same line
// diff with each word a line of its own, within the page's budget of word comparisons.
void MarkChangedWords(std::string_view before, std::string_view after, std::string& left,
                      std::string& right, std::uint64_t& budget) {
    // A long line's words are not even listed past the most compared.
    const std::vector<std::string_view> a = WordsOf(before, kMostWordsCompared + 1);
    const std::vector<std::string_view> b =
        WordsOf(after, kMostWordsCompared + 1 - std::min(a.size(), kMostWordsCompared + 1));
    if (a.size() + b.size() > kMostWordsCompared || budget == 0) {
        AppendMarked("del", before, left);
        AppendMarked("ins", after, right);
        return;
    }
    std::vector<Stretch> stretches = StretchesOf(a, b, budget);
    JoinShortSameStretches(stretches);
    for (const Stretch& stretch : stretches) {
        if (stretch.same) {
            left += EscapeMarkup(stretch.left);
            right += EscapeMarkup(stretch.right);
            continue;
        }
        if (!stretch.left.empty()) {
            left += "<del>" + EscapeMarkup(stretch.left) + "</del>";
        }
        if (!stretch.right.empty()) {
            right += "<ins>" + EscapeMarkup(stretch.right) + "</ins>";
        }
    }
}

std::string NumberCell(std::size_t number) {
    return "<td class=\"n\">" + (number == 0 ? std::string() : std::to_string(number)) + "</td>";
}

void AppendRow(const Row& row, std::string& html, std::uint64_t& wordBudget) {
    html += "<tr>" + NumberCell(row.leftNumber);
    if (!row.changed) {
        html += "<td>";
        html += EscapeMarkup(row.left);
        html += "</td>" + NumberCell(row.rightNumber) + "<td>";
        html += EscapeMarkup(row.right);
        html += "</td>";
    } else {
        std::string left;
        std::string right;
        if (row.leftNumber != 0 && row.rightNumber != 0) {
            MarkChangedWords(row.left, row.right, left, right, wordBudget);
        } else if (row.leftNumber != 0) {
            AppendMarked("del", row.left, left);
        } else {
            AppendMarked("ins", row.right, right);
        }
        html += row.leftNumber != 0 ? "<td class=\"removed\">" : "<td>";
        html += left;
        html += "</td>" + NumberCell(row.rightNumber);
        html += row.rightNumber != 0 ? "<td class=\"added\">" : "<td>";
        html += right;
        html += "</td>";
    }
    html += "</tr>\n";
}

// The changed lines of a row: one on each side that has one.
std::size_t ChangedLinesOf(const Row& row) {
    return !row.changed ? 0 : (row.leftNumber != 0 ? 1 : 0) + (row.rightNumber != 0 ? 1 : 0);
}

void AppendGap(std::size_t lines, std::string& html) {
    html += "<tr class=\"gap\"><td colspan=\"4\">" + std::to_string(lines) +
            (lines == 1 ? " unchanged line" : " unchanged lines") + "</td></tr>\n";
}

// The rows of the change, unchanged runs beyond the context around each change folded.
void AppendChangeTable(const PageChange& page, const std::vector<Row>& rows, std::string& html) {
    std::vector<bool> shown(rows.size(), false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].changed) {
            const std::size_t from = i >= kContextLines ? i - kContextLines : 0;
            const std::size_t to = std::min(rows.size(), i + kContextLines + 1);
            std::fill(shown.begin() + static_cast<std::ptrdiff_t>(from),
                      shown.begin() + static_cast<std::ptrdiff_t>(to), true);
        }
    }
    html += "<table>\n<colgroup><col class=\"n\"><col><col class=\"n\"><col></colgroup>\n"
            "<thead><tr><th colspan=\"2\">Before: " +
            EscapeMarkup(page.before->when) +
            "</th><th colspan=\"2\">After: " + EscapeMarkup(page.after.when) +
            "</th></tr></thead>\n<tbody>\n";
    std::size_t folded = 0;
    std::size_t changedShown = 0;
    std::uint64_t wordBudget = kWordComparisonsPerPage;
    std::size_t i = 0;
    for (; i < rows.size() && changedShown + ChangedLinesOf(rows[i]) <= kMostChangedLinesShown;
         ++i) {
        if (!shown[i]) {
            ++folded;
            continue;
        }
        if (folded > 0) {
            AppendGap(folded, html);
            folded = 0;
        }
        AppendRow(rows[i], html, wordBudget);
        changedShown += ChangedLinesOf(rows[i]);
    }
    if (folded > 0) {
        AppendGap(folded, html);
    }
    std::size_t notShown = 0;
    for (; i < rows.size(); ++i) {
        notShown += ChangedLinesOf(rows[i]);
    }
    if (notShown > 0) {
        html += "<tr class=\"gap\"><td colspan=\"4\">" + MoreChangedLinesText(notShown) +
                "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
}

void AppendPage(const PageChange& page, std::string& html) {
    const std::string title = ReadableText(page.title);
    const std::string url = ReadableText(page.url);
    html += "<section>\n<h2>" + EscapeMarkup(title.empty() ? url : title) + "</h2>\n";
    html += "<p class=\"address\">";
    if (IsWebAddress(url)) {
        html += "<a href=\"" + EscapeMarkup(url) + "\" rel=\"noreferrer\">" + EscapeMarkup(url) +
                "</a>";
    } else {
        html += EscapeMarkup(url);
    }
    html += "</p>\n";
    if (!page.failure.empty()) {
        html += "<p class=\"note failure\">This change cannot be shown: " +
                EscapeMarkup(ReadableText(page.failure)) + "</p>\n";
    } else if (!page.before) {
        html += "<p class=\"note\">No earlier version of this page is kept (this version is "
                "from " +
                EscapeMarkup(page.after.when) + ").</p>\n";
    } else {
        // The rows point into these texts.
        const std::string before = ReadableText(page.before->text);
        const std::string after = ReadableText(page.after.text);
        const std::vector<Row> rows = RowsOf(before, after);
        if (std::none_of(rows.begin(), rows.end(), [](const Row& row) { return row.changed; })) {
            // Rules changed since, or only letter case: nothing the checks would count.
            html += "<p class=\"note\">The last two versions (" + EscapeMarkup(page.before->when) +
                    " and " + EscapeMarkup(page.after.when) +
                    ") are the same as its checks compare them.</p>\n";
        } else {
            AppendChangeTable(page, rows, html);
        }
    }
    html += "</section>\n";
}

} // namespace

std::string ChangeReportHtml(const std::vector<PageChange>& pages) {
    std::string html(kHead);
    if (pages.empty()) {
        html += "<p class=\"note\">No pages.</p>\n";
    }
    for (const PageChange& page : pages) {
        AppendPage(page, html);
    }
    html += "</body>\n</html>\n";
    return html;
}
