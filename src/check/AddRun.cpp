#include "check/AddRun.h"

#include <optional>
#include <utility>

void FetchPagesInOrder(const std::vector<std::string>& urls, const FetchClock& clock,
                       DeadlineRule rule, CheckLimits limits,
                       const std::function<void(std::size_t, FetchOutcome)>& take,
                       std::chrono::milliseconds slice, FetchProgress* progress) {
    PagesAhead pages(clock, rule, limits, progress);
    std::size_t admitted = 0;
    std::size_t next = 0;
    while (next < urls.size()) {
        while (admitted < urls.size() && pages.Admits()) {
            pages.Admit(urls[admitted++]);
        }
        if (!pages.InHandReady()) {
            pages.Drive(slice);
            continue;
        }
        // Taking a fetched page is never a settled place: each admitted one is fetched.
        std::optional<FetchOutcome> outcome = pages.TakeInHand();
        take(next++, std::move(*outcome));
        pages.AllowInHandItsWholePage();
    }
}
