#include "records/RecordRead.h"

#include "platform/system/FileException.h"
#include "platform/system/StdioFile.h"

#include <chrono>
#include <thread>

namespace {

constexpr int kSharingRetries = 20;
constexpr std::chrono::milliseconds kSharingRetryPause(10);

std::string ReadAll(const std::string& fileName) {
    CStdioFile file(fileName,
                    CStdioFile::modeRead | CStdioFile::typeText | CStdioFile::shareExclusive);
    // Room for the whole file at once, so a large record is read in place: never copied as it
    // grows, never held in more memory than it needs. A file that grew meanwhile is still read to
    // its end, one that shrank only as far as it goes.
    std::string text(static_cast<std::size_t>(file.GetLength()), '\0');
    text.resize(file.Read(text.data(), text.size()));
    char chunk[1024];
    while (const std::size_t got = file.Read(chunk, sizeof chunk)) {
        text.append(chunk, got);
    }
    file.Close();
    return text;
}

} // namespace

std::optional<std::string> ReadWholeRecord(const std::string& fileName) {
    for (int attempt = 0;; ++attempt) {
        try {
            return ReadAll(fileName);
        } catch (const CFileException& e) {
            if (e.m_cause != CFileException::sharingViolation || attempt == kSharingRetries) {
                return std::nullopt;
            }
        }
        std::this_thread::sleep_for(kSharingRetryPause);
    }
}
