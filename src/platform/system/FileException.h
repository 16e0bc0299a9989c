#pragma once
// The file exception: raised when a file opened through CStdioFile will not open or cannot be
// read. Nothing in the program catches it on the way up; the window framework's handler shows its
// message and abandons the handler that was running.

#include <exception>
#include <string>

class CFileException : public std::exception {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        hardIO,
        sharingViolation,
        diskFull,
    };

    CFileException(Cause cause, int osError, std::string fileName);

    // Builds the exception for a system error number met while opening or reading a file.
    static CFileException FromOsError(int osError, const std::string& fileName);

    // The message for the user, naming the file: "A sharing violation occurred while accessing
    // 7.vnt."
    std::string GetErrorMessage() const;
    const char* what() const noexcept override { return m_message.c_str(); }

    Cause m_cause;
    int m_lOsError;
    std::string m_strFileName;

private:
    std::string m_message;
};
