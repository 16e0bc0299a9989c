#pragma once
// Comparison that ignores the case of letters: A-Z and a-z fold, every other byte compares
// exactly. It does not depend on the process locale, and texts of different length never match.

#include <string_view>

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
