#include "check/CheckRun.h"

#include "records/RecordRead.h"

#include <utility>

namespace {

// The two places a check touches a record: its address when the record is admitted (the file is
// only read), and the whole record, compared and perhaps rewritten, when its result is taken.
// A record that cannot be read is a failure with its reason, never passed over in silence.
RecordReading<std::string> AddressOfRecord(const std::string& fileName) {
    return ReadRecordUrl(fileName);
}

std::optional<PageCheck> CheckRecord(const std::string& fileName, const std::string& url,
                                     FetchOutcome outcome, std::string* storedCopy,
                                     std::string* newCopy) {
    // The stored page is read only now, so only the record being compared is held.
    RecordReading<StoredRecord> record = ReadRecordForCheck(fileName);
    if (record.Failed()) {
        return RecordReadFailure(url, std::move(record.failure));
    }
    if (!record.value) {
        return std::nullopt; // removed meanwhile
    }
    // The rewrite replaces only the file read here.
    const FileIdentity storedFile = record.value->file;
    // The record's head is copied before its page is taken, so that a changed page can keep the
    // whole old text in its history without a second copy of the page.
    const std::string storedHead(record.value->text.data(),
                                 record.value->text.size() - record.value->fields.page.size());
    const std::string storedPage = TakeStoredPage(std::move(*record.value));
    if (newCopy != nullptr && outcome.kind == FetchOutcome::Kind::Received) {
        *newCopy = outcome.strPage;
    }
    PageCheck check =
        CheckFetchedPage(url, fileName, storedHead, storedPage, storedFile, std::move(outcome));
    if (storedCopy != nullptr && check.result == PageCheck::Result::Changed) {
        *storedCopy = storedPage;
    } else if (newCopy != nullptr) {
        newCopy->clear();
    }
    return check;
}

} // namespace

CheckRun::CheckRun(RecordSource& source, const FetchClock& clock, DeadlineRule rule,
                   CheckLimits limits, CheckProgress* progress)
    : m_progress(progress), m_source(source), m_pages(clock, rule, limits, progress) {}

void CheckRun::FetchAhead() {
    while (!m_sourceEnded && m_pages.Admits()) {
        std::optional<std::string> fileName = m_source.NextRecord();
        if (!fileName) {
            m_sourceEnded = true;
            break;
        }
        // A file the list passes over, or a record removed meanwhile or held elsewhere for
        // longer than a lookup takes, is passed over without a result; one that cannot be read
        // has its failure for a result, in its turn.
        RecordReading<std::string> url = AddressOfRecord(*fileName);
        if (url.Failed()) {
            RecordAhead record;
            record.unreadable = RecordReadFailure(*fileName, std::move(url.failure));
            record.fileName = std::move(*fileName);
            m_pages.AdmitSettled();
            m_records.push_back(std::move(record));
            continue;
        }
        if (!url.value) {
            ++m_done;
            continue;
        }
        RecordAhead record;
        record.fileName = std::move(*fileName);
        record.url = std::move(*url.value);
        m_pages.Admit(record.url);
        m_records.push_back(std::move(record));
    }
}

void CheckRun::Drive(std::chrono::milliseconds slice) {
    m_pages.Drive(slice);
}

std::optional<CheckedRecord> CheckRun::TakeInHand(bool keepPages) {
    RecordAhead record = std::move(m_records.front());
    m_records.pop_front();
    std::optional<FetchOutcome> outcome = m_pages.TakeInHand();
    ++m_done;
    if (record.unreadable) {
        m_pages.AllowInHandItsWholePage();
        CheckedRecord result;
        result.fileName = std::move(record.fileName);
        result.check = std::move(*record.unreadable);
        return result;
    }
    if (outcome->kind == FetchOutcome::Kind::Received && m_progress != nullptr) {
        m_progress->InHandReceived();
    }
    CheckedRecord result;
    std::optional<PageCheck> check = CheckRecord(record.fileName, record.url, std::move(*outcome),
                                                 keepPages ? &result.storedPage : nullptr,
                                                 keepPages ? &result.newPage : nullptr);
    m_pages.AllowInHandItsWholePage();
    if (!check) {
        return std::nullopt;
    }
    result.fileName = std::move(record.fileName);
    result.url = std::move(record.url);
    result.check = std::move(*check);
    return result;
}
