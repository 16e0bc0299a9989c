#pragma once
// Checking every stored page: "Start" empties the list, starts CheckAllJob when no job runs and
// stamps the day of the check; the job fetches each record's page again, compares it with the
// stored copy ignoring letter case, rewrites the record when it changed, and reports exactly one
// line per record. "Stop" ends the check between records.
//
// The job runs the shared check (CheckRun) on its one thread: up to kWindowFetchesAtOnce pages
// fetched at once (at most kMostPerHost from one host) ahead of the record it reports, each
// record's line posted in the order the records are enumerated, one at a time into the empty slot,
// and a record rewritten only as its line is posted. A read time-out is counted in the window's
// ticks for each fetch on its own.

#include "check/CheckPage.h"

// The command halves, on the window thread. StartCheckAll clears the stop request and starts the
// job when none runs; the caller empties its list and writes the stamp.
void StartCheckAll();
void RequestStop();

// The thread procedure. Its argument is not used; it returns 0 and clears the busy flag last.
unsigned CheckAllJob(void* unused);

// Posts one record's line. The first record of a check that cannot be stored, read or compared
// under its rules also shows a message box with the reason, and the job waits until it is closed
// (then yields true).
bool ReportCheck(const PageCheck& check);
