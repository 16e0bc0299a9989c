#include "records/SmallFileRead.h"

#include "platform/system/ExclusiveFile.h"
#include "platform/system/RecordsFolder.h"

#include <cerrno>
#include <cstdio>

namespace {

// Why a name that would not open is not read, in plain words.
std::string OpenFailureText(int error) {
    switch (error) {
    case EISDIR:
        return "it is a folder";
    case kNotRegularFile:
        return "it is no regular file (a FIFO, socket or device)";
    case ELOOP:
        return "it is a link in a loop";
    case ENOENT:
        return "it is a link that leads nowhere";
    default:
        return SystemErrorText(error);
    }
}

} // namespace

RecordReading<std::string> ReadSmallFile(const std::string& name, std::size_t largest,
                                         const std::string& what) {
    std::FILE* file = OpenFileForReading(name);
    if (file == nullptr) {
        const int error = errno;
        if (error == ENOENT && KindOfFile(name, false) == FileKind::Missing) {
            return {}; // not there at all
        }
        return {std::nullopt, what + " " + name + " cannot be read: " + OpenFailureText(error)};
    }
    // One byte more than the largest tells a larger file from one of that size.
    std::string text(largest + 1, '\0');
    errno = 0;
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const int error = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(file);
    if (error != 0) {
        return {std::nullopt, what + " " + name + " cannot be read: " + SystemErrorText(error)};
    }
    if (text.size() > largest) {
        return {std::nullopt, what + " " + name + " is too large"};
    }
    return {std::move(text), {}};
}
