#pragma once
// How the window's jobs time and show their fetches, the same for its check and its add: the
// clock is the window's tick count, a page's read is held to the read rule in those ticks, and
// each read begun moves the progress bar on the window's next tick.

#include "check/CheckRun.h"
#include "check/TimedFetches.h"
#include "platform/system/PageLimits.h"

#include <cstdint>
#include <optional>

// A page whose body receives nothing for kReadTimeOutTicks of the window's ticks, once its
// answer has begun, is "Time Out"; the window sets no limit on a page's whole transfer.
inline constexpr DeadlineRule kWindowDeadline{kReadTimeOutTicks, std::nullopt, kTicksPerSecond};

// The window's clock: its ticks since the process started.
class WindowTicks final : public FetchClock {
public:
    std::int64_t Now() const override;
};

// The progress bar: each read begun by any fetch moves it on the window's next tick, and it drops
// back once the page in hand has come in whole, as after a single fetch.
class WindowBar final : public CheckProgress {
public:
    void ReadsBegun(std::int64_t reads) override;
    void InHandReceived() override;
};
