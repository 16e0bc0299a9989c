#include "records/SettingLines.h"

std::string ForEachSettingLine(std::string_view text,
                               const std::function<std::string(std::string_view line)>& take) {
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::string wrong =
            line.find('\0') != std::string_view::npos ? "holds a NUL byte" : take(line);
        if (!wrong.empty()) {
            return "line " + std::to_string(number) + " " + wrong;
        }
    }
    return {};
}
