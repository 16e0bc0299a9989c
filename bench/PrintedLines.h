#pragma once
// What a check printed, read back from its output: varnolt-cli prints one line a page, the bare
// URL when the page is unchanged, "UPDATE URL" when it changed, anything else when it failed;
// urlwatch prints "CHANGED: URL" and "ERROR: URL" lines in its report (each twice: in the summary
// and above the page's differences) and nothing for an unchanged page, so its distinct URLs count.

#include "RealManuals.h"

#include <set>
#include <sstream>
#include <string>
#include <utility>

struct PrintedLines {
    int same = 0;
    int changed = 0;
    int other = 0;
};

inline PrintedLines ReadCheckLines(const std::string& path) {
    PrintedLines lines;
    std::istringstream text(ReadWholeFileText(path));
    for (std::string line; std::getline(text, line);) {
        if (line.empty()) {
            continue;
        }
        if (line.rfind("http://", 0) == 0) {
            ++lines.same;
        } else if (line.rfind("UPDATE ", 0) == 0) {
            ++lines.changed;
        } else {
            ++lines.other;
        }
    }
    return lines;
}

inline PrintedLines ReadUrlwatchLines(const std::string& path) {
    PrintedLines lines;
    std::istringstream text(ReadWholeFileText(path));
    std::set<std::string> changed;
    std::set<std::string> failed;
    for (std::string line; std::getline(text, line);) {
        for (const auto& [mark, into] :
             {std::pair<const char*, std::set<std::string>*>{"CHANGED: ", &changed},
              {"NEW: ", &changed},
              {"ERROR: ", &failed}}) {
            const std::size_t at = line.find(mark);
            if (at != std::string::npos) {
                std::istringstream rest(line.substr(at + std::string(mark).size()));
                std::string url;
                rest >> url;
                into->insert(url);
            }
        }
    }
    lines.changed = static_cast<int>(changed.size());
    lines.other = static_cast<int>(failed.size());
    return lines;
}
