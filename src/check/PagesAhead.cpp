#include "check/PagesAhead.h"

#include <limits>
#include <utility>

namespace {

constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

} // namespace

PagesAhead::PagesAhead(const FetchClock& clock, DeadlineRule rule, CheckLimits limits,
                       FetchProgress* progress)
    : m_limits(limits),
      m_fetches(TransferLimits{limits.fetchesAtOnce, limits.perHost}, clock, rule, progress) {}

PagesAhead::~PagesAhead() {
    for (const Place& place : m_pages) {
        if (!place.outcome && !place.settled) {
            m_fetches.Abandon(place.id);
        }
    }
}

bool PagesAhead::Admits() const {
    return m_fetches.Unfinished() < static_cast<std::size_t>(m_limits.fetchesAtOnce) &&
           m_pages.size() < m_limits.mostAhead &&
           (m_pages.empty() || HeldAheadBytes() < m_limits.heldAheadBytes);
}

void PagesAhead::Admit(const std::string& url, const PageValidators& validators) {
    Place place;
    place.id = m_fetches.Add(url, validators);
    m_fetches.SetBodyAllowance(place.id, m_pages.empty() ? kUnlimited : m_limits.aheadAllowance);
    m_pages.push_back(std::move(place));
}

void PagesAhead::AdmitInHandAgain(const std::string& url) {
    Place place;
    place.id = m_fetches.Add(url);
    m_fetches.SetBodyAllowance(place.id, kUnlimited);
    m_pages.push_front(std::move(place));
}

void PagesAhead::AdmitSettled() {
    Place place;
    place.settled = true;
    m_pages.push_back(std::move(place));
}

void PagesAhead::Drive(std::chrono::milliseconds slice) {
    for (FinishedFetch& finished : m_fetches.Drive(slice)) {
        for (Place& place : m_pages) {
            if (place.id == finished.id && !place.outcome && !place.settled) {
                place.outcome = std::move(finished.outcome);
                break;
            }
        }
    }
}

std::optional<FetchOutcome> PagesAhead::TakeInHand() {
    Place place = std::move(m_pages.front());
    m_pages.pop_front();
    return std::move(place.outcome);
}

void PagesAhead::AllowInHandItsWholePage() {
    // Only now, with the page handed over before let go, may the next page take all the memory
    // it needs.
    if (!m_pages.empty() && !m_pages.front().outcome && !m_pages.front().settled) {
        m_fetches.SetBodyAllowance(m_pages.front().id, kUnlimited);
    }
}

std::int64_t PagesAhead::HeldAheadBytes() const {
    std::int64_t held = 0;
    for (std::size_t i = 1; i < m_pages.size(); ++i) {
        const Place& place = m_pages[i];
        held += place.outcome ? static_cast<std::int64_t>(place.outcome->strPage.size())
                              : m_fetches.BodyBytes(place.id);
    }
    return held;
}
