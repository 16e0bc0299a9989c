#pragma once
// The window's side of a single page fetch, through the run state: each read begun moves the
// progress bar on the next tick and starts the idle-tick count over; a read that comes back when
// the window's tick has counted kReadTimeOutTicks or more since it began is too late; a whole page
// drops the bar back.

#include "fetch/PageFetch.h"
#include "platform/system/PageLimits.h"

class WindowReadWatch final : public ReadWatch {
public:
    void ReadBegins() override;
    bool ReadCameTooLate() override;
    void PageReceived() override;
};
