#pragma once
// Makes one of the platform layer's file calls fail with a chosen error number while in scope
// (its fault point, see platform/system/FaultPoint.h). A build without fault points skips the
// test that asks for one.

#include "platform/system/FaultPointTesting.h"

#include <gtest/gtest.h>

#include <string>

class FailingCall {
public:
    // call: the system call's name, as "renameat"; once: only its next call fails.
    FailingCall(const std::string& call, int error, bool once = false)
        : m_point("posix/vnt/" + call) {
        m_enabled = FailAtFaultPointForTesting(m_point.c_str(), error, once);
    }
    ~FailingCall() {
        if (m_enabled) {
            FailAtFaultPointForTesting(m_point.c_str(), 0);
        }
    }
    FailingCall(const FailingCall&) = delete;
    FailingCall& operator=(const FailingCall&) = delete;

    bool Enabled() const { return m_enabled; }

private:
    std::string m_point;
    bool m_enabled = false;
};

// Skips the test when this build has no fault points.
#define SKIP_WITHOUT_FAULT_POINTS(failing)                                                         \
    if (!(failing).Enabled()) {                                                                    \
        GTEST_SKIP() << "this build has no fault points";                                          \
    }
