#pragma once
// The window's side of a single page fetch, through the run state: each read begun moves the
// progress bar on the next tick and starts the idle-tick count over; a read that comes back when
// the window's tick has counted 270 or more since it began is too late; a whole page drops the
// bar back.

#include "fetch/PageFetch.h"

#include <cstdint>

// A read that takes this many of the window's ticks of 100 ms is too late.
inline constexpr std::int32_t kReadTimeOutTicks = 270;
// The window's ticks in a second.
inline constexpr std::int32_t kTicksPerSecond = 10;

class WindowReadWatch final : public ReadWatch {
public:
    void ReadBegins() override;
    bool ReadCameTooLate() override;
    void PageReceived() override;
};
