#include "records/PageTitle.h"

#include <string_view>

namespace {

constexpr std::string_view kUntitled = "untitle";
constexpr std::string_view kLowerMarker = "<title>";
constexpr std::string_view kUpperMarker = "<TITLE>";

// The text from just after the marker at pos up to the next "<"; "untitle" when no "<" follows,
// so the rest of the page is never taken for a title.
std::string TitleAfter(const std::string& page, std::size_t pos, std::size_t markerLength) {
    const std::size_t start = pos + markerLength;
    const std::size_t end = page.find('<', start);
    if (end == std::string::npos) {
        return std::string(kUntitled);
    }
    return page.substr(start, end - start);
}

} // namespace

std::string PageTitle(const std::string& page) {
    const std::size_t lower = page.find(kLowerMarker);
    if (lower != std::string::npos && lower > 0) {
        return TitleAfter(page, lower, kLowerMarker.size());
    }
    const std::size_t word = page.find("TITLE");
    if (word == std::string::npos || word == 0) {
        return std::string(kUntitled);
    }
    const std::size_t upper = page.find(kUpperMarker);
    if (upper == std::string::npos) {
        return std::string(kUntitled);
    }
    return TitleAfter(page, upper, kUpperMarker.size());
}
