#pragma once
// One check of every record, shared by the window's Start and `varnolt-cli check`. Pages are
// fetched ahead, side by side, within explicit limits; results come out one per record, strictly
// in the order the records come from the source. A record is read, compared with its fresh page
// and rewritten only when its result is taken (TakeInHand): a check stopped at any moment has
// rewritten exactly the records whose results were taken, and ending the run abandons every page
// fetched ahead, leaving those records as they are.
//
//     CheckRun run(source, clock, rule, limits, &progress);
//     for (;;) {
//         run.FetchAhead();
//         if (run.Finished()) break;
//         if (run.InHandReady()) { if (auto result = run.TakeInHand()) show(*result); continue; }
//         run.Drive(slice);
//     }
//
// A record whose copy has validators kept beside it is fetched with them, so a server may answer
// "not modified" without sending the page; that answer counts only for the copy the validators
// came with, and a record found to hold another copy by then is fetched again whole.
//
// Memory stays bounded whatever the order pages arrive in: the records' pages are admitted
// through PagesAhead, within its CheckLimits.

#include "check/CheckPage.h"
#include "check/PagesAhead.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

// The record files a check takes, in the order their results come out.
class RecordSource {
public:
    virtual ~RecordSource() = default;
    // The next record file's name, or none when every one has been given.
    virtual std::optional<std::string> NextRecord() = 0;
};

// What a front end shows of a check besides its results.
class CheckProgress : public FetchProgress {
public:
    // The page of the record in hand has come in whole and is about to be compared.
    virtual void InHandReceived() = 0;
};

// One record's result.
struct CheckedRecord {
    std::string fileName;
    std::string url;
    PageCheck check;
    // Only when asked for: the stored page and the fresh one, for a page that changed.
    std::string storedPage;
    std::string newPage;
};

class CheckRun {
public:
    CheckRun(RecordSource& source, const FetchClock& clock, DeadlineRule rule, CheckLimits limits,
             CheckProgress* progress);
    // Abandons every page ahead: their records are not read again, not compared, not written.
    ~CheckRun() = default;
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // Admits the records that follow within the limits and starts their fetches. A file that is
    // no record, or a record removed or held elsewhere, is passed over without a result; one
    // that cannot be read (too many files open, an input/output error) gets its failure as its
    // result, in its turn.
    void FetchAhead();
    // No record is left to take.
    bool Finished() const { return m_records.empty() && m_sourceEnded; }
    // The record in hand has its page (or its failure) and may be taken.
    bool InHandReady() const { return m_pages.InHandReady(); }
    // Some page is still being fetched.
    bool Fetching() const { return m_pages.Fetching(); }
    // Drives the fetches for up to `slice`.
    void Drive(std::chrono::milliseconds slice);
    // Reads the record in hand, compares it with its page and rewrites it when the page changed
    // (only while the record is still the file read); the next record comes in hand. None for a
    // record removed meanwhile (passed over without a line), and for a record whose stored copy
    // is no longer the one a "not modified" answer was for (it stays in hand, its page fetched
    // again whole); a record that cannot be read is a failure with its reason. With `keepPages`, a
    // changed page's result carries both pages.
    std::optional<CheckedRecord> TakeInHand(bool keepPages = false);
    // Fetches every page whole from now on: no request carries the validators of a stored copy.
    void FetchWholePages() { m_wholePages = true; }
    // See TimedFetches::RestartTiming.
    void RestartTiming() { m_pages.RestartTiming(); }

    // Records admitted whose result is not taken yet, the one in hand included.
    std::size_t Ahead() const { return m_records.size(); }
    // Body bytes held by the pages ahead of the one in hand.
    std::int64_t HeldAheadBytes() const { return m_pages.HeldAheadBytes(); }
    // Records taken from the source and done with: passed over, or their result taken.
    std::size_t Done() const { return m_done; }

private:
    // A record admitted; its page is the place of the same turn in m_pages.
    struct RecordAhead {
        std::string fileName;
        std::string url;
        // The copy whose validators the request carried; empty when it carried none.
        std::string sentCopyKey;
        // Set instead of a fetch when the record could not even be read for its address.
        std::optional<PageCheck> unreadable;
    };

    // The clock and rule of the fetches, which also bound the rules' work on each page.
    const FetchClock& m_clock;
    DeadlineRule m_rule;
    CheckProgress* m_progress;
    RecordSource& m_source;
    PagesAhead m_pages;
    std::deque<RecordAhead> m_records; // in the source's order; the first is in hand
    bool m_sourceEnded = false;
    bool m_wholePages = false;
    std::size_t m_done = 0;
};
