#include "runstate/Tick.h"
#include "runstate/RunState.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Records what the tick did to the list and the bar.
struct FakeWindow : TickLineSink, TickProgress {
    std::vector<std::string> lines;
    std::vector<std::string> barCalls;
    void AddLine(const std::string& line) override { lines.push_back(line); }
    void SetPos(int pos) override { barCalls.push_back("SetPos " + std::to_string(pos)); }
    void StepIt() override { barCalls.push_back("StepIt"); }
    void Tick() { RunStateTick(*this, *this); }
};

class TickTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRunState(); }
    void TearDown() override { ResetRunState(); }
    FakeWindow window;
};

TEST_F(TickTest, MovesAtMostOneLinePerTickAndEmptiesTheSlot) {
    g_strStatus.Post("first");
    g_strStatus.Post("second"); // an add job posts without waiting: the first is never shown
    window.Tick();
    EXPECT_EQ(window.lines, std::vector<std::string>{"second"});
    EXPECT_TRUE(g_strStatus.IsEmpty());

    window.Tick();
    EXPECT_EQ(window.lines.size(), 1u) << "an empty slot adds nothing";

    g_strStatus.Post("third");
    window.Tick();
    EXPECT_EQ(window.lines, (std::vector<std::string>{"second", "third"}));
}

TEST_F(TickTest, IdleTicksCountOnEveryTickWhetherOrNotAJobRuns) {
    for (int i = 0; i < 300; ++i) {
        window.Tick();
    }
    EXPECT_EQ(g_nIdleTicks.load(), 300);
}

// The bar follows the chunk counters: reset while nothing is read, one step per tick in which
// new reads began (however many), and left alone otherwise.
TEST_F(TickTest, ChunkCountersDriveTheProgressBar) {
    struct Step {
        int chunksRead; // set by the "fetch" before the tick
        const char* expectedCall;
        int shownAfter;
    };
    const Step steps[] = {
        {0, "SetPos 0", 0}, // nothing read yet: reset on every such tick
        {0, "SetPos 0", 0}, {1, "StepIt", 1},   {1, nullptr, 1}, // no new read since the last tick
        {9, "StepIt", 9},                       // many reads within one tick: still one step
        {9, nullptr, 9},    {0, "SetPos 0", 9}, // the read loop ended: counters back to 0 (shown
                                                // reset by the fetch)
    };
    for (const Step& step : steps) {
        g_nChunksRead = step.chunksRead;
        if (step.chunksRead == 0) {
            g_nChunksShown = 0;
        }
        window.barCalls.clear();
        window.Tick();
        if (step.expectedCall != nullptr) {
            EXPECT_EQ(window.barCalls, std::vector<std::string>{step.expectedCall})
                << "chunks read " << step.chunksRead;
        } else {
            EXPECT_TRUE(window.barCalls.empty()) << "chunks read " << step.chunksRead;
        }
        if (step.chunksRead != 0) {
            EXPECT_EQ(g_nChunksShown.load(), step.shownAfter);
        }
    }
}

TEST_F(TickTest, CountersLeftByATimeOutHoldTheBarUntilTheNextFetchReads) {
    g_nChunksRead = 4;
    g_nChunksShown = 4; // a fetch timed out after its fourth read and left both counters
    window.Tick();
    EXPECT_TRUE(window.barCalls.empty());
    g_nChunksRead = 5; // the next fetch begins a read
    window.Tick();
    EXPECT_EQ(window.barCalls, std::vector<std::string>{"StepIt"});
}

// A job posts and waits while the window takes lines: every line arrives whole and exactly once.
TEST_F(TickTest, SlotHandsOverWholeLinesBetweenThreads) {
    constexpr int kLines = 2000;
    std::thread job([] {
        for (int i = 0; i < kLines; ++i) {
            while (!g_strStatus.WaitUntilEmpty(std::chrono::milliseconds(50))) {
            }
            g_strStatus.Post("line " + std::to_string(i) + std::string(100, 'x'));
        }
    });
    std::vector<std::string> received;
    while (received.size() < kLines) {
        std::string line = g_strStatus.Take();
        if (!line.empty()) {
            received.push_back(std::move(line));
        }
        g_nIdleTicks.fetch_add(1);
    }
    job.join();
    for (int i = 0; i < kLines; ++i) {
        ASSERT_EQ(received[i], "line " + std::to_string(i) + std::string(100, 'x'));
    }
}

TEST_F(TickTest, WakeWaitersReleasesAJobWaitingForTheSlot) {
    g_strStatus.Post("not yet shown");
    std::atomic<bool> woke{false};
    std::thread job([&] {
        while (!woke) {
            g_strStatus.WaitUntilEmpty(std::chrono::hours(1));
            woke = g_bStopRequested.load() != 0;
        }
    });
    g_bStopRequested = 1;
    while (!woke) {
        g_strStatus.WakeWaiters();
        std::this_thread::yield();
    }
    job.join();
    EXPECT_FALSE(g_strStatus.IsEmpty()) << "waking a waiter does not take its line";
}

} // namespace
