#pragma once
// Enumerates the files of the folder of records (RecordsFolder.h) whose names match a wildcard
// pattern ("*.vnt"), without regard to case. Every match is visited once; directories are not files
// and are passed over. The order is the one the directory gives.

#include <cstddef>
#include <string>
#include <vector>

class CFileFind {
public:
    // Positions before the first match; true when there is one. A folder that could not be read
    // (or read to its end) has GetLastError set; the matches read before the failure stay.
    bool FindFile(const std::string& pattern);
    // 0, or the system error number of the last FindFile's failure to read the folder.
    int GetLastError() const { return m_error; }
    // Moves to the next match; true when yet another follows it.
    bool FindNextFile();
    // The bare name of the match in hand.
    std::string GetFileName() const;
    // True when the match in hand was a regular file (directly or through a link) as the
    // directory was read; false for anything else that is not a directory, and for a link that
    // leads nowhere.
    bool IsRegularFile() const;
    void Close();

private:
    struct Match {
        std::string name;
        bool regular;
    };
    std::vector<Match> m_matches;
    std::size_t m_next = 0;
    int m_error = 0;
};
