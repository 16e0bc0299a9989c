#include "records/LastCheck.h"

#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/DateStamp.h"
#include "records/RecordWriter.h"

#include <cstdio>

namespace {
constexpr const char* kStampFile = "time.ini";
}

WriteResult WriteLastCheck() {
    return ReplaceFileContents(kStampFile, DateStamp());
}

std::string LastCheckFailureMessage(const WriteResult& result) {
    return std::string("The day of this check could not be noted in ") + kStampFile + ": " +
           WriteFailureText(result) + ".";
}

void ReadLastCheck(std::string& strLastCheck) {
    std::FILE* file = OpenFileForReading(kStampFile);
    if (file == nullptr) {
        return;
    }
    char buffer[10];
    const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    strLastCheck.assign(buffer, count);
}
