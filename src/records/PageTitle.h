#pragma once
// The title a record stores for a page.

#include <string>

// The text after the first "<title>" (not at the very start of the page) or else after "<TITLE>"
// (when "TITLE" occurs past the start), up to the next "<". "untitle" when there is no such
// marker, or no "<" follows it.
std::string PageTitle(const std::string& page);
