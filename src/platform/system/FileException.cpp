#include "platform/system/FileException.h"

#include <cerrno>
#include <utility>

namespace {

std::string MessageFor(CFileException::Cause cause, const std::string& file) {
    switch (cause) {
    case CFileException::fileNotFound:
        return file + " was not found.";
    case CFileException::badPath:
        return "All or part of the path " + file + " is not valid.";
    case CFileException::tooManyOpenFiles:
        return "The number of open files was exceeded while opening " + file + ".";
    case CFileException::accessDenied:
        return "Access to " + file + " was denied.";
    case CFileException::invalidFile:
        return "An invalid file handle was used with " + file + ".";
    case CFileException::hardIO:
        return "A hardware I/O error was reported while accessing " + file + ".";
    case CFileException::sharingViolation:
        return "A sharing violation occurred while accessing " + file + ".";
    case CFileException::diskFull:
        return "There was not enough space on the disk for " + file + ".";
    case CFileException::none:
    case CFileException::genericException:
        break;
    }
    return "An unexpected error occurred while accessing " + file + ".";
}

CFileException::Cause CauseOf(int osError) {
    switch (osError) {
    case ENOENT:
        return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return CFileException::badPath;
    case EMFILE:
    case ENFILE:
        return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return CFileException::accessDenied;
    case EBADF:
        return CFileException::invalidFile;
    case EIO:
        return CFileException::hardIO;
    case EWOULDBLOCK:
        return CFileException::sharingViolation;
    case ENOSPC:
        return CFileException::diskFull;
    default:
        return CFileException::genericException;
    }
}

} // namespace

CFileException::CFileException(Cause cause, int osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)),
      m_message(MessageFor(m_cause, m_strFileName)) {}

CFileException CFileException::FromOsError(int osError, const std::string& fileName) {
    return CFileException(CauseOf(osError), osError, fileName);
}

std::string CFileException::GetErrorMessage() const {
    return m_message;
}
