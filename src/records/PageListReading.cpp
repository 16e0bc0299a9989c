#include "records/PageListReading.h"

#include "platform/system/FileFind.h"
#include "platform/system/StdioFile.h"
#include "records/RecordRead.h"

#include <algorithm>
#include <exception>
#include <new>

namespace {

// Files a thread takes at a time: few enough to share the work evenly, enough that taking them
// costs nothing beside opening them.
constexpr std::size_t kFilesPerTurn = 32;

// Threads of the reading's own besides the one that finishes it: opening files is mostly the
// kernel's work, which spreads over the processors. A few are enough for any folder.
std::size_t OwnThreads() {
    const unsigned processors = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(processors > 1 ? processors - 1 : 1, 1, 3);
}

} // namespace

PageListReading::PageListReading() {
    const std::size_t threads = OwnThreads();
    try {
        m_threads.reserve(threads);
        m_threads.emplace_back([this] { EnumerateThenRead(); });
        for (std::size_t i = 1; i < threads; ++i) {
            m_threads.emplace_back([this] {
                m_enumerated.wait();
                ReadShare();
            });
        }
    } catch (const std::exception&) {
        // No thread to spare (system_error, bad_alloc): those started read on, Finish does the
        // rest, and the enumeration itself when no thread started at all.
    }
}

PageListReading::~PageListReading() {
    m_abandoned = true;
    JoinThreads();
}

void PageListReading::EnumerateThenRead() {
    try {
        CFileFind finder;
        bool more = finder.FindFile(kRecordFilePattern);
        while (more) {
            more = finder.FindNextFile();
            m_files.push_back({finder.GetFileName(), finder.IsRegularFile()});
        }
        m_outcomes.resize(m_files.size());
        if (const int error = finder.GetLastError(); error != 0) {
            m_folderError = FolderReadFailureMessage(error);
        }
    } catch (const std::bad_alloc&) {
        // Too many names for the memory left: an empty list rather than the end of the process.
        m_files.clear();
        m_outcomes.clear();
    }
    m_enumerated.count_down();
    ReadShare();
}

void PageListReading::ReadShare() {
    for (;;) {
        const std::size_t first = m_nextFile.fetch_add(kFilesPerTurn);
        if (first >= m_files.size() || m_abandoned) {
            return;
        }
        const std::size_t last = std::min(first + kFilesPerTurn, m_files.size());
        for (std::size_t i = first; i < last; ++i) {
            const FoundFile& found = m_files[i];
            FileOutcome& outcome = m_outcomes[i];
            try {
                const unsigned flags =
                    kRecordReadFlags | (found.seenRegular ? CStdioFile::seenRegularFile : 0U);
                CStdioFile file(found.name, flags);
                if (file.GetLength() > kLargestRecordBytes) {
                    continue; // no record is that large
                }
                // Only the text before the first line's first "|" is listed, and it must lie in
                // the part a lookup reads, or the line could never be looked up.
                std::optional<std::string> url = ReadRecordAddress(file);
                file.Close();
                if (url) {
                    outcome.text = std::move(*url);
                    outcome.listed = true;
                }
            } catch (const CFileException& error) {
                if (!IsNoRecordFile(error)) {
                    outcome.text = error.GetErrorMessage();
                    outcome.isError = true;
                }
            } catch (const std::bad_alloc&) {
                // A first line too long for the memory left: passed over, the list goes on.
                outcome = FileOutcome();
            }
        }
    }
}

void PageListReading::JoinThreads() {
    for (std::thread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

PageListContent PageListReading::Finish() {
    if (m_threads.empty()) {
        EnumerateThenRead();
    }
    m_enumerated.wait();
    ReadShare();
    JoinThreads();
    PageListContent content;
    content.lines.reserve(m_outcomes.size());
    if (!m_folderError.empty()) {
        content.fileErrors.push_back(std::move(m_folderError));
    }
    for (FileOutcome& outcome : m_outcomes) {
        if (outcome.isError) {
            content.fileErrors.push_back(std::move(outcome.text));
        } else if (outcome.listed) {
            content.lines.push_back(std::move(outcome.text));
        }
    }
    m_outcomes.clear();
    return content;
}
