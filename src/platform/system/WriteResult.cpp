#include "platform/system/WriteResult.h"

#include "platform/system/ExclusiveFile.h"

#include <cerrno>
#include <ostream>

int WriteResult::ErrorNumber() const {
    switch (m_kind) {
    case Kind::Stored:
        return 0;
    case Kind::ReadOnly:
        return EACCES;
    case Kind::Held:
        return EWOULDBLOCK;
    case Kind::Gone:
        return ENOENT;
    case Kind::Failed:
        break;
    }
    return m_error;
}

std::string WriteResult::Describe() const {
    switch (m_kind) {
    case Kind::Stored:
        return "stored";
    case Kind::ReadOnly:
        return "read-only, left as it was";
    case Kind::Held:
        return "held elsewhere, left as it was";
    case Kind::Gone:
        return "gone, nothing written";
    case Kind::Failed:
        break;
    }
    return "failed: " + SystemErrorText(m_error) + " (" + std::to_string(m_error) + ")";
}

void PrintTo(const WriteResult& result, std::ostream* out) {
    *out << result.Describe();
}
