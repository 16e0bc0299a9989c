#pragma once
// Adding one page: the "Add URL" command starts AddPageJob on the worker thread, which fetches
// the page, stores it as a new record and then posts its URL; a 404 posts "File Not Found", a
// time-out "Time Out", and an internet failure or a page that cannot be stored is explained in a
// message box.

#include <string>

// The command's half, on the window thread, given the address typed: does nothing while a job
// runs; otherwise hands the URL over and starts the job.
void StartAddPage(const std::string& strUrl);

// The thread procedure. Its argument is not used; it returns 0 and clears the busy flag last.
unsigned AddPageJob(void* unused);
