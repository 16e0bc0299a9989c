#include "platform/inet/InternetHandle.h"

#include <mutex>
#include <unordered_set>

namespace {

std::mutex g_handlesGuard;

std::unordered_set<InternetHandle*>& OpenHandles() {
    static auto* handles = new std::unordered_set<InternetHandle*>;
    return *handles;
}

} // namespace

void RegisterHandle(InternetHandle* handle) {
    std::lock_guard lock(g_handlesGuard);
    OpenHandles().insert(handle);
}

InternetHandle* FindHandle(HINTERNET handle, InternetHandle::Kind kind) {
    std::lock_guard lock(g_handlesGuard);
    if (OpenHandles().count(handle) == 0 || handle->kind != kind) {
        return nullptr;
    }
    return handle;
}

bool UnregisterHandle(HINTERNET handle) {
    std::lock_guard lock(g_handlesGuard);
    return OpenHandles().erase(handle) != 0;
}

std::size_t OpenHandleCount() {
    std::lock_guard lock(g_handlesGuard);
    return OpenHandles().size();
}
