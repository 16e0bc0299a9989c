#pragma once
// Ending the process while a job may still run. The main window has closed and no job will be
// started again; a job still running is asked to stop and given a moment to end by itself. One
// that does not (a fetch blocked on the network, which no tick will time out any more) is not
// waited for: the process ends at once without running static destructors, so nothing the job
// may still read is ever destroyed under it. Records are only ever put in place by renaming a
// synced temporary, so a write cut short leaves the old record whole and a stray temporary that
// the next write removes.

#include <chrono>

// How long a running job is given to end by itself before the process ends around it.
inline constexpr std::chrono::milliseconds kJobEndGrace(250);

// Called on the window thread after the main window has closed. Returns when no job runs;
// otherwise does not return: the process exits with status 0.
void EndJobsForExit();
