#include "platform/system/FaultPoint.h"
#include "platform/system/FaultPointTesting.h"

#if VNT_FAULT_POINTS

#include <fiu-control.h>
#include <fiu.h>

#include <cstdint>
#include <iterator>
#include <random>

namespace {

// What a point's call fails with when the run names no number: real failures of file calls,
// and among them the numbers that also name a state of a write (held, gone, read-only), which
// must never pass for that state.
constexpr int kLikelyErrors[] = {EIO, ENOSPC, EDQUOT, EACCES, EPERM, ESTALE, EWOULDBLOCK, EROFS};

bool Initialised() {
    static const bool initialised = fiu_init(0) == 0;
    return initialised;
}

} // namespace

int InjectedFault(const char* point) {
    if (!Initialised() || fiu_fail(point) == 0) {
        return 0;
    }
    if (const auto error = reinterpret_cast<std::intptr_t>(fiu_failinfo()); error > 0) {
        return static_cast<int>(error);
    }
    thread_local std::minstd_rand random{std::random_device{}()};
    return kLikelyErrors[random() % std::size(kLikelyErrors)];
}

bool FailAtFaultPointForTesting(const char* point, int error, bool once) {
    if (!Initialised()) {
        return false;
    }
    if (error == 0) {
        fiu_disable(point);
        return true;
    }
    return fiu_enable(point, 1, reinterpret_cast<void*>(static_cast<std::intptr_t>(error)),
                      once ? FIU_ONETIME : 0) == 0;
}

#else

bool FailAtFaultPointForTesting(const char* /*point*/, int /*error*/, bool /*once*/) {
    return false;
}

#endif
