#pragma once
// Starting a worker thread: a thread procedure taking one pointer argument (which the program's
// jobs do not use) and returning 0. The thread runs detached at normal priority.

using AFX_THREADPROC = unsigned (*)(void* param);

// Starts the procedure on a new thread. False when no thread could be started.
bool AfxBeginThread(AFX_THREADPROC proc, void* param);
