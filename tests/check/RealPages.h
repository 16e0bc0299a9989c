#pragma once
// Real pages for the rules' tests: Debian's developers' reference (package developers-reference),
// Sphinx pages as the web serves such manuals, with the noise a real page carries between two
// requests injected on demand.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The manual's pages of those names that are installed.
inline std::vector<std::filesystem::path> RealPages(const std::vector<const char*>& names) {
    std::vector<std::filesystem::path> pages;
    for (const char* name : names) {
        const std::filesystem::path path =
            std::filesystem::path("/usr/share/developers-reference") / name;
        if (std::filesystem::exists(path)) {
            pages.push_back(path);
        }
    }
    return pages;
}

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The page as one visit sees it: a clock in the footer, a token in a hidden input, a nonce on a
// script and a rotating tip, all different on each visit.
inline std::string WithNoise(const std::string& page, int visit) {
    const std::string n = std::to_string(visit);
    std::string noisy = Replaced(
        page, "</body>", "<div class=\"footer\">Served at 10:4" + n + ":0" + n + "</div></body>");
    return Replaced(noisy, "<div class=\"body\" role=\"main\">",
                    "<div class=\"body\" role=\"main\"><form><input type=\"hidden\" "
                    "name=\"token\" value=\"a8f" +
                        n + "e\"></form><script nonce=\"n" + n +
                        "\">track();</script><aside class=\"rotating\">Tip " + n +
                        ": read the manual</aside>");
}

// The noisy page with a real change: a word added to the main text's first paragraph.
inline std::string WithRealChange(const std::string& noisy) {
    const std::size_t paragraph = noisy.find("<p>", noisy.find("role=\"main\""));
    EXPECT_NE(paragraph, std::string::npos);
    std::string changed = noisy;
    changed.insert(paragraph + 3, "Newly ");
    return changed;
}
