// When the window takes in changes made to its folder: after a quiet spell, never during a job.
#include "runstate/ReloadPacing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs ticks, with a change seen before each tick the pattern marks; yields the ticks (counted
// from 1) at which a reload was due.
std::vector<int> DueTicks(ReloadPacing& pacing, int ticks, const std::vector<bool>& changeBefore,
                          bool jobRuns = false) {
    std::vector<int> due;
    for (int tick = 1; tick <= ticks; ++tick) {
        if (static_cast<std::size_t>(tick - 1) < changeBefore.size() && changeBefore[tick - 1]) {
            pacing.Changed();
        }
        if (pacing.Tick(jobRuns)) {
            due.push_back(tick);
        }
    }
    return due;
}

TEST(ReloadPacing, ReloadsOnceTheFolderWasQuietAndOnlyOnce) {
    ReloadPacing pacing;
    EXPECT_TRUE(DueTicks(pacing, 20, {}).empty()) << "no change, no reload";

    // One change before the first tick: due after the quiet ticks, then never again.
    EXPECT_EQ(DueTicks(pacing, 40, {true}), std::vector<int>{kReloadQuietTicks});

    // Changes before each of the first three ticks: quiet counts from the last one.
    EXPECT_EQ(DueTicks(pacing, 40, {true, true, true}), std::vector<int>{2 + kReloadQuietTicks});
}

TEST(ReloadPacing, AStreamOfChangesReloadsAtTheLongestWaitNotAtEveryChange) {
    ReloadPacing pacing;
    const int ticks = 2 * kReloadLongestWaitTicks + 10;
    const std::vector<bool> everyTick(ticks, true);
    EXPECT_EQ(DueTicks(pacing, ticks, everyTick),
              (std::vector<int>{kReloadLongestWaitTicks, 2 * kReloadLongestWaitTicks}));
}

TEST(ReloadPacing, NothingIsDueWhileAJobRunsAndTheChangeWaitsForItsEnd) {
    ReloadPacing pacing;
    pacing.Changed();
    EXPECT_TRUE(DueTicks(pacing, 3 * kReloadLongestWaitTicks, {}, true).empty());
    EXPECT_TRUE(pacing.Pending());
    // After the job the folder is given its quiet spell afresh.
    EXPECT_EQ(DueTicks(pacing, 20, {}), std::vector<int>{kReloadQuietTicks});
    EXPECT_FALSE(pacing.Pending());
}

} // namespace
