// The window's check and its Delete URL on the same record at once: the removal either comes
// before the rewrite (which then creates nothing) or finds the record held (and the new copy
// stays). The rewrite is held at each step by the record writer's seam, not by sleeping.

#include "JobFixture.h"
#include "jobs/CheckAllJob.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/ReplacingFile.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

struct RaceCase {
    const char* name;
    ReplaceStep step;
    int removal; // what Delete URL's removal yields at that step
    bool recordAfter;
};

class CheckAllJobRace : public JobTest, public ::testing::WithParamInterface<RaceCase> {
protected:
    void TearDown() override {
        JobTest::TearDown();
        SetReplaceStepHookForTesting({});
    }
};

TEST_P(CheckAllJobRace, ARecordDeletedDuringItsRewriteNeverComesBack) {
    const RaceCase& c = GetParam();
    site.Serve("/page", "new page");
    WriteWholeFile("1.vnt", site.Url("/page") + "|untitle|1:1:2025*old page");
    int removal = -1;
    SetReplaceStepHookForTesting([&](ReplaceStep step, const std::string& target) {
        if (step == c.step && target == "1.vnt") {
            removal = RemoveFileUnlessHeld("1.vnt");
        }
    });
    StartCheckAll();
    WaitForJobToEnd();
    EXPECT_EQ(removal, c.removal);
    EXPECT_THAT(window.lines, ElementsAre("UPDATE " + site.Url("/page")));
    EXPECT_EQ(FileExists("1.vnt"), c.recordAfter);
    if (c.recordAfter) {
        EXPECT_EQ(ReadWholeFile("1.vnt"), site.Url("/page") + "|untitle|8:12:2025*new page");
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, CheckAllJobRace,
                         ::testing::Values(RaceCase{"BeforeTheRewriteLocksIt",
                                                    ReplaceStep::BeforeLockingTarget, 0, false},
                                           RaceCase{"WhileTheRewriteHoldsIt",
                                                    ReplaceStep::TargetLocked, EWOULDBLOCK, true}),
                         [](const ::testing::TestParamInfo<RaceCase>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
