#pragma once
// Enumerates the working directory's files whose names match a wildcard pattern ("*.vnt"),
// without regard to case. Every match is visited once; directories are not files and are passed
// over. The order is the one the directory gives.

#include <cstddef>
#include <string>
#include <vector>

class CFileFind {
public:
    // Positions before the first match; true when there is one.
    bool FindFile(const std::string& pattern);
    // Moves to the next match; true when yet another follows it.
    bool FindNextFile();
    // The bare name of the match in hand.
    std::string GetFileName() const;
    void Close();

private:
    std::vector<std::string> m_matches;
    std::size_t m_next = 0;
};
