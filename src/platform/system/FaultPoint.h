#pragma once
// Fault points at the platform layer's file calls, for the tests that make calls fail on
// purpose (libfiu). Each call site names its point "posix/vnt/<call>", so a run can enable them
// all at once ("posix/vnt/*") or one alone. A point enabled with failinfo fails its call with that
// error number; without, with one picked at random from the numbers the call may really give.
// Only the test builds (VNT_FAULT_POINTS) have them: elsewhere a point is the call alone. For the
// layer's own files only (the definition is theirs); tests use FaultPointTesting.h.

#include <cerrno>
#include <type_traits>

#ifndef VNT_FAULT_POINTS
#define VNT_FAULT_POINTS 0
#endif

#if VNT_FAULT_POINTS
// The error number the named point fails its call with now, or 0 when it lets the call run.
int InjectedFault(const char* point);
#else
inline int InjectedFault(const char* /*point*/) {
    return 0;
}
#endif

// Runs call() unless the point fails it; a failed point gives what the call gives on failure
// (-1, or a null pointer) with errno set.
template <class Call> auto AtFaultPoint(const char* point, Call&& call) -> decltype(call()) {
    using Result = decltype(call());
    if (const int error = InjectedFault(point); error != 0) {
        errno = error;
        if constexpr (std::is_pointer_v<Result>) {
            return nullptr;
        } else {
            return static_cast<Result>(-1);
        }
    }
    return call();
}

// A system call at its fault point: VNT_CALL(fsync, fd) runs ::fsync(fd) at "posix/vnt/fsync".
#define VNT_CALL(function, ...)                                                                    \
    AtFaultPoint("posix/vnt/" #function, [&] { return ::function(__VA_ARGS__); })
