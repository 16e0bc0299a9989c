#pragma once
// What became of a whole-file write. A write that was not done by design (the target is
// read-only, held open elsewhere, or no longer there to replace) is its own kind, never an error
// number, so that a real failure of any number is always told as a failure with its reason.

#include <iosfwd>
#include <string>

class WriteResult {
public:
    enum class Kind {
        Stored,   // the new text is in place
        ReadOnly, // the target's owner made it read-only: left as it was
        Held,     // someone held the target open with no sharing: left as it was
        Gone,     // the target was no longer there (or another file) to replace: nothing written
        Failed,   // the write failed with a system error number: the target is left as it was
    };

    static WriteResult Stored() { return WriteResult(Kind::Stored, 0); }
    static WriteResult ReadOnly() { return WriteResult(Kind::ReadOnly, 0); }
    static WriteResult Held() { return WriteResult(Kind::Held, 0); }
    static WriteResult Gone() { return WriteResult(Kind::Gone, 0); }
    // A failure with its error number; 0 (no error) is Stored.
    static WriteResult FromError(int error) {
        return error == 0 ? Stored() : WriteResult(Kind::Failed, error);
    }

    Kind GetKind() const { return m_kind; }
    bool IsStored() const { return m_kind == Kind::Stored; }
    bool IsFailed() const { return m_kind == Kind::Failed; }
    // The system error number of a failure; 0 for every other kind.
    int Error() const { return m_error; }
    // For a caller whose file is not written unless it is stored: 0 when stored, the failure's
    // number, or the number that words the reason it was left alone (EACCES for a read-only
    // target, EWOULDBLOCK for a held one, ENOENT for one that is gone).
    int ErrorNumber() const;
    // In words, for messages and test output ("stored", "read-only", ..., or the system's text).
    std::string Describe() const;

    bool operator==(const WriteResult&) const = default;

private:
    WriteResult(Kind kind, int error) : m_kind(kind), m_error(error) {}

    Kind m_kind;
    int m_error;
};

// GoogleTest prints a result through this.
void PrintTo(const WriteResult& result, std::ostream* out);
