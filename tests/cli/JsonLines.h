#pragma once
// The objects of a --json output, one a line, as a script would read them.

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

inline std::vector<nlohmann::json> JsonLines(const std::string& text) {
    std::vector<nlohmann::json> objects;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        objects.push_back(nlohmann::json::parse(line));
    }
    return objects;
}
