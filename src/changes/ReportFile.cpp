#include "changes/ReportFile.h"

#include "platform/console/Console.h"
#include "platform/system/ReplacingFile.h"

#include <cerrno>

std::string CachedReportPath(const std::string& fileName) {
    const std::string folder = DefaultCacheFolder();
    return folder.empty() ? std::string() : folder + "/" + fileName;
}

int WriteReportFile(const std::string& path, const std::string& html) {
    if (path.empty()) {
        return ENOENT;
    }
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string folder = path.substr(0, slash);
        if (!PathExists(folder)) {
            if (const int error = MakePrivateFolder(folder); error != 0) {
                return error;
            }
        }
    }
    return ReplaceFileContents(path, html).ErrorNumber();
}

std::string ReportWriteFailure(const std::string& path, int error) {
    return "the report " + path + " could not be written: " + SystemErrorWords(error);
}
