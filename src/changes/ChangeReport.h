#pragma once
// The change report: one self-contained HTML page showing, for each page, its last change side
// by side, the text before on the left and after on the right, removed text struck through in
// red and added text in green (whole lines, and the words inside a changed line).
//
// Nothing of a watched page can run or load in it: every text from the page (its title, its
// address, its markup and text) is escaped, the address is a link only when it is an http or
// https address, and the page forbids scripts and every outside resource of its own accord. It
// has no script, no outside style, image or font: it reads the same with no network.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One version of a page as the report shows it.
struct ReportVersion {
    std::string when; // when that copy was taken, as people read it
    std::string text; // what the comparison sees of it (the page's rules applied)
};

// One page's last change.
struct PageChange {
    std::string title;
    std::string url;
    std::optional<ReportVersion> before; // none: no earlier version is kept
    ReportVersion after;
    // Set when the change cannot be shown (the rules cannot be applied, a version cannot be
    // read): why, in plain words, shown in its place.
    std::string failure;
};

// The whole report for the pages, in the order given.
std::string ChangeReportHtml(const std::vector<PageChange>& pages);
