#pragma once
// The admission a check and an add share: pages fetched ahead, side by side, within explicit
// limits, and handed over strictly in the order they were admitted. Whatever order the pages
// arrive in, at most `mostAhead` are between admission and hand-over, a page ahead of the one in
// hand holds at most `aheadAllowance` bytes of its body (its transfer pauses there), and new
// pages are admitted only while those ahead hold less than `heldAheadBytes` together. Ending the
// run abandons every page still being fetched.
//
//     PagesAhead pages(clock, rule, limits, progress);
//     for (;;) {
//         while (more && pages.Admits()) pages.Admit(next url);   // or AdmitSettled()
//         if (pages.Empty()) break;
//         if (pages.InHandReady()) { use(pages.TakeInHand()); pages.AllowInHandItsWholePage(); }
//         else pages.Drive(slice);
//     }

#include "check/TimedFetches.h"
#include "platform/system/PageLimits.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

// The bounds of a check or an add; both programs keep these, the command line with its own
// --jobs.
struct CheckLimits {
    // Pages fetched at once, and at most this many from one host.
    int fetchesAtOnce = kWindowFetchesAtOnce;
    int perHost = kMostPerHost;
    // Pages between their admission and their hand-over, at most.
    std::size_t mostAhead = 64;
    // A page fetched ahead of the one in hand holds at most `aheadAllowance` of its body until it
    // is in hand, and new pages are admitted only while the pages ahead hold less than
    // `heldAheadBytes` together: a run of large pages holds about one page at a time.
    std::int64_t heldAheadBytes = std::int64_t{2} * 1024 * 1024;
    std::int64_t aheadAllowance = std::int64_t{256} * 1024;
};

class PagesAhead {
public:
    PagesAhead(const FetchClock& clock, DeadlineRule rule, CheckLimits limits,
               FetchProgress* progress);
    // Abandons every page still being fetched.
    ~PagesAhead();
    PagesAhead(const PagesAhead&) = delete;
    PagesAhead& operator=(const PagesAhead&) = delete;

    // One more page may be admitted within the limits.
    bool Admits() const;
    // Starts fetching the page behind those admitted before, with the validators of a copy kept
    // (none: the whole page).
    void Admit(const std::string& url, const PageValidators& validators = {});
    // Starts fetching the page again, whole, as the one in hand: its first answer turned out to
    // be for another copy than the one now held.
    void AdmitInHandAgain(const std::string& url);
    // Admits a place with nothing to fetch (its result is known already), kept in its turn.
    void AdmitSettled();

    bool Empty() const { return m_pages.empty(); }
    // Places admitted and not handed over yet, the one in hand included.
    std::size_t Size() const { return m_pages.size(); }
    // The place in hand has its outcome, or is settled.
    bool InHandReady() const {
        return !m_pages.empty() && (m_pages.front().outcome || m_pages.front().settled);
    }
    // Some page is still being fetched.
    bool Fetching() const { return m_fetches.Unfinished() > 0; }
    // Drives the fetches for up to `slice`.
    void Drive(std::chrono::milliseconds slice);
    // Hands over the place in hand (InHandReady): its outcome, none for a settled place. The next
    // place is in hand from now on, but holds to its allowance until AllowInHandItsWholePage.
    std::optional<FetchOutcome> TakeInHand();
    // Lets the page now in hand receive its whole body: called once the caller has let go of the
    // page handed over before it.
    void AllowInHandItsWholePage();
    // See TimedFetches::RestartTiming.
    void RestartTiming() { m_fetches.RestartTiming(); }

    // Body bytes held by the pages ahead of the one in hand.
    std::int64_t HeldAheadBytes() const;

private:
    struct Place {
        FetchId id = 0;
        bool settled = false;
        std::optional<FetchOutcome> outcome;
    };

    CheckLimits m_limits;
    TimedFetches m_fetches;
    std::deque<Place> m_pages; // in the order admitted; the first is in hand
};
