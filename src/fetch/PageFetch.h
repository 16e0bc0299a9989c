#pragma once
// One HTTP GET of a page into memory, on the calling (worker) thread, reading the body 1024
// bytes at a time. The caller watches the reads through a ReadWatch: it learns when each read
// begins and when the whole page is in, and it says whether a read came back too late, which
// ends the fetch as TimedOut (the window counts its ticks for that).

#include "fetch/FetchOutcome.h"

#include <string>

class ReadWatch {
public:
    virtual ~ReadWatch() = default;
    // A read of the body begins.
    virtual void ReadBegins() = 0;
    // Asked after every read, the last empty one included: true when it came back too late, and
    // the whole page is then lost.
    virtual bool ReadCameTooLate() = 0;
    // The whole page has come in.
    virtual void PageReceived() = 0;
};

// Without a watch no read is too late: only the layer's own time-outs apply.
FetchOutcome PageFetch(const std::string& strUrl, ReadWatch* watch = nullptr);
