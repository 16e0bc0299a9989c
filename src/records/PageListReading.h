#pragma once
// Reading the page list's lines from every record file, spread over a few threads. The files are
// enumerated once and each thread takes the next few in turn; what each file yields is kept in its
// place, so the result is in enumeration order whichever thread read what. The reading may start
// before the window exists (StartReadingPageList) and is then finished by FillPageList.

#include <atomic>
#include <cstddef>
#include <latch>
#include <string>
#include <thread>
#include <vector>

// What the page list takes from the record files, in enumeration order.
struct PageListContent {
    std::vector<std::string> lines;
    // The file-error message of each record that could not be opened or read.
    std::vector<std::string> fileErrors;
};

class PageListReading {
public:
    // Starts reading the record files of the folder of records on threads of this object's own.
    PageListReading();
    // Abandons a reading that was never finished: the threads stop after the files in hand.
    ~PageListReading();
    PageListReading(const PageListReading&) = delete;
    PageListReading& operator=(const PageListReading&) = delete;

    // The calling thread reads along until every file is read; yields what they hold. Once only.
    PageListContent Finish();

private:
    struct FoundFile {
        std::string name;
        bool seenRegular;
    };
    // What one file yields: a line, a file-error message, or nothing (no record).
    struct FileOutcome {
        std::string text;
        bool isError = false;
        bool listed = false;
    };

    // Set by the enumeration when the folder could not be read to its end.
    std::string m_folderError;

    void EnumerateThenRead();
    void ReadShare();
    void JoinThreads();

    std::vector<FoundFile> m_files;
    std::vector<FileOutcome> m_outcomes;
    std::atomic<std::size_t> m_nextFile{0};
    std::atomic<bool> m_abandoned{false};
    std::latch m_enumerated{1};
    std::vector<std::thread> m_threads;
};
