#include "jobs/AddPageJob.h"
#include "JobFixture.h"
#include "jobs/CheckAllJob.h"
#include "platform/system/PageLimits.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class AddPageJobTest : public JobTest {};

TEST_F(AddPageJobTest, AddedPagesAreListedAndStoredAsNumberedRecords) {
    site.Serve("/a", "<p><title>Alpha</title>a");
    site.Serve("/b", "<p><title>Beta</title>b");
    site.Serve("/c", "");
    for (const char* path : {"/a", "/b", "/c"}) {
        StartAddPage(site.Url(path));
        WaitForJobToEnd();
    }
    EXPECT_THAT(window.lines, ElementsAre(site.Url("/a"), site.Url("/b"), site.Url("/c")));
    EXPECT_EQ(ReadWholeFile("1.vnt"), site.Url("/a") + "|Alpha|8:12:2025*<p><title>Alpha</title>a");
    EXPECT_EQ(ReadWholeFile("2.vnt"), site.Url("/b") + "|Beta|8:12:2025*<p><title>Beta</title>b");
    EXPECT_EQ(ReadWholeFile("3.vnt"), site.Url("/c") + "|untitle|8:12:2025*");
    EXPECT_EQ(ReadWholeFile("name.ini"), "3");
}

TEST_F(AddPageJobTest, StatusesOtherThanOkStoreNothing) {
    struct Case {
        int status;
        std::vector<std::string> lines;
    };
    const Case cases[] = {{404, {"File Not Found"}}, {500, {}}, {204, {}}, {301, {}}};
    for (const Case& c : cases) {
        window.lines.clear();
        site.Serve("/page", "body", c.status);
        StartAddPage(site.Url("/page"));
        WaitForJobToEnd();
        EXPECT_EQ(window.lines, c.lines) << "status " << c.status;
        EXPECT_FALSE(FileExists("1.vnt")) << "status " << c.status;
        EXPECT_EQ(g_bWorkerBusy.load(), 0);
    }
}

TEST_F(AddPageJobTest, AddWhileAJobRunsStartsNothingAndKeepsTheRunningUrl) {
    HeldPage held;
    StartAddPage(held.Url());
    WaitUntil([&] { return held.Requests() == 1; });
    StartAddPage(site.Url("/other"));
    EXPECT_EQ(g_strAddUrl, held.Url()) << "the running job's URL is left as it was";
    held.Release();
    WaitForJobToEnd();
    EXPECT_EQ(site.Requests("/other"), 0);
    EXPECT_THAT(window.lines, ElementsAre(held.Url()));
    EXPECT_EQ(ReadWholeFile("1.vnt"), held.Url() + "|untitle|8:12:2025*first part second part");
}

TEST_F(AddPageJobTest, StartWhileAnAddRunsStartsNoCheck) {
    HeldPage held;
    StartAddPage(held.Url());
    WaitUntil([&] { return held.Requests() == 1; });
    StartCheckAll();
    held.Release();
    WaitForJobToEnd();
    EXPECT_TRUE(FileExists("1.vnt"));
    EXPECT_EQ(held.Requests(), 1) << "no check fetched the new record's page";
    EXPECT_THAT(window.lines, ElementsAre(held.Url()));
}

TEST_F(AddPageJobTest, TwoLinesPostedBeforeATickShowOnlyTheSecond) {
    site.Serve("/a", "a");
    site.Serve("/b", "b");
    StartAddPage(site.Url("/a"));
    WaitUntil([] { return g_bWorkerBusy.load() == 0; });
    StartAddPage(site.Url("/b"));
    WaitUntil([] { return g_bWorkerBusy.load() == 0; });
    WaitForJobToEnd();
    EXPECT_THAT(window.lines, ElementsAre(site.Url("/b")));
    EXPECT_TRUE(FileExists("1.vnt") && FileExists("2.vnt")) << "both pages are stored";
}

TEST_F(AddPageJobTest, AddingAWatchedUrlAgainStoresASecondRecord) {
    site.Serve("/a", "a");
    StartAddPage(site.Url("/a"));
    WaitForJobToEnd();
    StartAddPage(site.Url("/a"));
    WaitForJobToEnd();
    EXPECT_EQ(ReadWholeFile("1.vnt"), ReadWholeFile("2.vnt"));
}

// The add keeps the check's read rule: a body the server holds open ends as "Time Out" once the
// window's clock has run the rule's ticks, without waiting for the server, and stores nothing.
TEST_F(AddPageJobTest, ABodyHeldPastTheReadRuleIsATimeOutWithoutWaitingForTheServer) {
    HeldPage held;
    StartAddPage(held.Url());
    WaitUntil([&] { return held.Requests() == 1 && g_nChunksRead.load() > 0; });
    for (std::int64_t tick = 0; tick < kReadTimeOutTicks; ++tick) {
        Tick();
    }
    WaitUntil([] { return g_bWorkerBusy.load() == 0; });
    held.Release();
    WaitForJobToEnd();
    EXPECT_THAT(window.lines, ElementsAre("Time Out"));
    EXPECT_FALSE(FileExists("1.vnt"));
}

} // namespace
