#include "platform/system/WorkerThread.h"

#include "platform/system/MemoryReturn.h"

#include <system_error>
#include <thread>

bool AfxBeginThread(AFX_THREADPROC proc, void* param) {
    // Jobs hold large pages; once freed they must not stay in the process.
    KeepLargeBlocksReturnable();
    try {
        std::thread(proc, param).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}
