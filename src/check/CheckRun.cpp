#include "check/CheckRun.h"

#include "check/CopyValidation.h"
#include "records/CopyValidators.h"
#include "records/RecordRead.h"

#include <utility>

namespace {

// The two places a check touches a record: its address when the record is admitted (the file is
// only read), and the whole record, compared and perhaps rewritten, when its result is taken.
// A record that cannot be read is a failure with its reason, never passed over in silence.
RecordReading<std::string> AddressOfRecord(const std::string& fileName) {
    return ReadRecordUrl(fileName);
}

// What taking a record's result came to: its check, nothing (removed meanwhile), or a "not
// modified" that the stored copy did not earn, since it is no longer the copy whose validators
// were sent: the page must then be fetched whole.
struct RecordResult {
    std::optional<PageCheck> check;
    bool unearned = false;
};

RecordResult CheckRecord(const std::string& fileName, const std::string& url, FetchOutcome outcome,
                         const RuleDeadline& deadline, const std::string& sentCopyKey,
                         std::string* storedCopy, std::string* newCopy) {
    // The stored page is read only now, so only the record being compared is held.
    RecordReading<StoredRecord> record = ReadRecordForCheck(fileName);
    if (record.Failed()) {
        return {RecordReadFailure(url, std::move(record.failure))};
    }
    if (!record.value) {
        return {}; // removed meanwhile
    }
    // The rewrite replaces only the file read here.
    const FileIdentity storedFile = record.value->file;
    // The record's head is copied before its page is taken, so that a changed page can keep the
    // whole old text in its history without a second copy of the page.
    const std::string storedHead(record.value->text.data(),
                                 record.value->text.size() - record.value->fields.page.size());
    const std::string storedPage = TakeStoredPage(std::move(*record.value));
    if (outcome.kind == FetchOutcome::Kind::NotModified &&
        (sentCopyKey.empty() || RecordCopyKey(fileName, url, storedPage) != sentCopyKey)) {
        return {std::nullopt, true};
    }
    const bool received = outcome.kind == FetchOutcome::Kind::Received;
    if (newCopy != nullptr && received) {
        *newCopy = outcome.strPage;
    }
    // The new page goes to the record, so its key is worked out first, for when it changed.
    const PageValidators validators = received ? outcome.validators : PageValidators{};
    const std::string newCopyKey = received && !validators.Empty()
                                       ? RecordCopyKey(fileName, url, outcome.strPage)
                                       : std::string();
    PageCheck check = CheckFetchedPage(url, fileName, storedHead, storedPage, storedFile,
                                       std::move(outcome), deadline);
    // A whole page that compared the same vouches for the stored copy under its new validators;
    // a changed page stored brings its own.
    if (received && check.result == PageCheck::Result::Same) {
        KeepCopyValidators(fileName, RecordCopyKey(fileName, url, storedPage), validators);
    } else if (received && check.stored) {
        KeepCopyValidators(fileName, newCopyKey, validators);
    }
    if (storedCopy != nullptr && check.result == PageCheck::Result::Changed) {
        *storedCopy = storedPage;
    } else if (newCopy != nullptr) {
        newCopy->clear();
    }
    return {std::move(check)};
}

} // namespace

CheckRun::CheckRun(RecordSource& source, const FetchClock& clock, DeadlineRule rule,
                   CheckLimits limits, CheckProgress* progress)
    : m_clock(clock), m_rule(rule), m_progress(progress), m_source(source),
      m_pages(clock, rule, limits, progress) {}

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
        PageValidators validators;
        if (!m_wholePages) {
            if (std::optional<KeptValidators> kept = ReadCopyValidators(record.fileName)) {
                record.sentCopyKey = std::move(kept->copyKey);
                validators = std::move(kept->validators);
            }
        }
        m_pages.Admit(record.url, validators);
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
    const FetchOutcome::Kind kind = outcome->kind;
    if ((kind == FetchOutcome::Kind::Received || kind == FetchOutcome::Kind::NotModified) &&
        m_progress != nullptr) {
        m_progress->InHandReceived();
    }
    CheckedRecord result;
    RecordResult taken = CheckRecord(record.fileName, record.url, std::move(*outcome),
                                     RuleDeadlineFrom(m_clock, m_rule), record.sentCopyKey,
                                     keepPages ? &result.storedPage : nullptr,
                                     keepPages ? &result.newPage : nullptr);
    if (taken.unearned) {
        // The record stays in hand, its page fetched again whole; it has no result yet.
        --m_done;
        record.sentCopyKey.clear();
        m_pages.AdmitInHandAgain(record.url);
        m_records.push_front(std::move(record));
    }
    m_pages.AllowInHandItsWholePage();
    if (!taken.check) {
        return std::nullopt;
    }
    result.fileName = std::move(record.fileName);
    result.url = std::move(record.url);
    result.check = std::move(*taken.check);
    return result;
}
