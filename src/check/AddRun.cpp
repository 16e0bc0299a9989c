#include "check/AddRun.h"

#include <map>
#include <optional>
#include <utility>

void FetchPagesInOrder(const std::vector<std::string>& urls, const FetchClock& clock,
                       DeadlineRule rule, TransferLimits limits,
                       const std::function<void(std::size_t, FetchOutcome)>& take,
                       std::chrono::milliseconds slice) {
    TimedFetches fetches(limits, clock, rule, nullptr);
    std::map<FetchId, std::size_t> indexOf;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        indexOf.emplace(fetches.Add(urls[i]), i);
    }
    std::vector<std::optional<FetchOutcome>> outcomes(urls.size());
    std::size_t next = 0;
    while (next < urls.size()) {
        if (outcomes[next]) {
            take(next, std::move(*outcomes[next]));
            outcomes[next].reset();
            ++next;
            continue;
        }
        for (FinishedFetch& finished : fetches.Drive(slice)) {
            if (const auto found = indexOf.find(finished.id); found != indexOf.end()) {
                outcomes[found->second] = std::move(finished.outcome);
            }
        }
    }
}
