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
    std::string text;
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
