#pragma once
// Starting a job on the worker thread. Only the window thread starts jobs, and only while no job
// runs: the busy flag is set before the thread starts and the job clears it as its last act.

#include "platform/system/WorkerThread.h"

// Sets the busy flag and starts the job, unless a job already runs (then nothing happens and
// false is yielded). When no thread can be started the flag is cleared again, so the program is
// never left busy for ever.
bool StartJobIfIdle(AFX_THREADPROC job);
