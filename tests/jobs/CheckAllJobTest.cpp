#include "jobs/CheckAllJob.h"
#include "JobFixture.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileFind.h"
#include "records/LastCheck.h"
#include "records/RecordWriter.h"
#include "support/ConcurrencyWatch.h"
#include "support/FailingCall.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class CheckAllJobTest : public JobTest {
protected:
    // A record as the add job would have stored it on 1 January 2025.
    std::string StoreRecord(const std::string& fileName, const std::string& path,
                            const std::string& title, const std::string& page) {
        const std::string record = site.Url(path) + "|" + title + "|1:1:2025*" + page;
        WriteWholeFile(fileName, record);
        return record;
    }
    void RunCheck() {
        StartCheckAll();
        WaitForJobToEnd();
    }
    // The record files in the order a check takes them.
    static std::vector<std::string> EnumerationOrder() {
        std::vector<std::string> names;
        CFileFind finder;
        for (bool more = finder.FindFile("*.vnt"); more;) {
            more = finder.FindNextFile();
            names.push_back(finder.GetFileName());
        }
        return names;
    }
    static std::string UrlOfRecord(const std::string& fileName) {
        const std::string text = ReadWholeFile(fileName);
        return text.substr(0, text.find('|'));
    }
};

TEST_F(CheckAllJobTest, ReportsOneLinePerRecordAndRewritesOnlyChangedPages) {
    site.Serve("/same", "<p><title>Same</title>unchanged");
    site.Serve("/changed", "<p><title>New title</title>new text");
    site.Serve("/case", "<P><TITLE>x</TITLE>HELLO");
    site.Serve("/missing", "gone", 404);
    site.Serve("/broken", "oops", 500);
    const std::string same =
        StoreRecord("1.vnt", "/same", "Same", "<p><title>Same</title>unchanged");
    StoreRecord("2.vnt", "/changed", "Old title", "<p><title>Old title</title>old text");
    const std::string caseOnly =
        StoreRecord("3.vnt", "/case", "untitle", "<p><title>X</title>hello");
    const std::string missing = StoreRecord("4.vnt", "/missing", "M", "m");
    const std::string broken = StoreRecord("5.vnt", "/broken", "B", "b");
    WriteWholeFile("6.vnt", "http://127.0.0.1:1/refused|R|1:1:2025*r");

    RunCheck();

    EXPECT_THAT(window.lines,
                UnorderedElementsAre(site.Url("/same"), "UPDATE " + site.Url("/changed"),
                                     site.Url("/case"), "Page Error " + site.Url("/missing"),
                                     "Page Error " + site.Url("/broken"),
                                     "Error http://127.0.0.1:1/refused"));
    EXPECT_EQ(ReadWholeFile("2.vnt"),
              site.Url("/changed") + "|New title|8:12:2025*<p><title>New title</title>new text");
    EXPECT_EQ(ReadWholeFile("1.vnt"), same) << "an unchanged page keeps the date it was added";
    EXPECT_EQ(ReadWholeFile("3.vnt"), caseOnly) << "a change of letter case only is no change";
    EXPECT_EQ(ReadWholeFile("4.vnt"), missing);
    EXPECT_EQ(ReadWholeFile("5.vnt"), broken);
}

TEST_F(CheckAllJobTest, SeparatorsInsideUrlOrTitleDoNotMakeAPageLookChanged) {
    site.Serve("/q", "<p><title>A*B | C</title>page");
    const std::string record =
        StoreRecord("1.vnt", "/q", "A*B | C", "<p><title>A*B | C</title>page");
    RunCheck();
    EXPECT_THAT(window.lines, ElementsAre(site.Url("/q")));
    EXPECT_EQ(ReadWholeFile("1.vnt"), record);
}

TEST_F(CheckAllJobTest, DamagedRecordsAreMendedAndFilesThatAreNoRecordsPassedOverSilently) {
    site.Serve("/nostar", "page");
    WriteWholeFile("1.vnt", site.Url("/nostar") + "|no separator for the page");
    WriteWholeFile("2.vnt", "no bar at all");
    WriteWholeFile("3.vnt", "");
    WriteWholeFile("4.vnt", "first line without a bar\n" + site.Url("/nostar") + "|T|1:1:2025*");
    ASSERT_EQ(::mkfifo("5.vnt", 0644), 0);
    std::filesystem::create_symlink("/dev/zero", "6.vnt");
    RunCheck();
    EXPECT_THAT(window.lines, ElementsAre("UPDATE " + site.Url("/nostar")));
    EXPECT_EQ(ReadWholeFile("1.vnt"), site.Url("/nostar") + "|untitle|8:12:2025*page");
    EXPECT_EQ(ReadWholeFile("2.vnt"), "no bar at all");
    EXPECT_EQ(site.Requests("/nostar"), 1);
}

// A changed page whose copy cannot be stored is an error line, never "UPDATE", and its record
// stays as it was; the next check finds it changed again.
TEST_F(CheckAllJobTest, AChangedPageThatCannotBeStoredIsAnErrorLine) {
    site.Serve("/c", "new");
    const std::string record = StoreRecord("1.vnt", "/c", "untitle", "old");
    InjectRecordWriteFailureForTesting(EIO);
    RunCheck();
    InjectRecordWriteFailureForTesting(0);
    EXPECT_THAT(window.lines, ElementsAre("Error " + site.Url("/c")));
    EXPECT_EQ(ReadWholeFile("1.vnt"), record);
    window.lines.clear();
    RunCheck();
    EXPECT_THAT(window.lines, ElementsAre("UPDATE " + site.Url("/c")));
    EXPECT_EQ(ReadWholeFile("1.vnt"), site.Url("/c") + "|untitle|8:12:2025*new");
}

// The same for a rename that fails with a number a record left alone by design was once told
// by (gone, read-only, held): the failure is an error line all the same.
TEST_F(CheckAllJobTest, ARenameFailingWithAnyNumberIsAnErrorLine) {
    site.Serve("/c", "new");
    for (const int error : {ESTALE, EPERM, EWOULDBLOCK}) {
        SCOPED_TRACE(SystemErrorText(error));
        const std::string record = StoreRecord("1.vnt", "/c", "untitle", "old");
        window.lines.clear();
        {
            FailingCall failing("renameat", error);
            SKIP_WITHOUT_FAULT_POINTS(failing);
            RunCheck();
        }
        EXPECT_THAT(window.lines, ElementsAre("Error " + site.Url("/c")));
        EXPECT_EQ(ReadWholeFile("1.vnt"), record);
        EXPECT_FALSE(std::filesystem::exists("1.vnt.history/")) << "no copy kept of it";
    }
}

TEST_F(CheckAllJobTest, EachRecordWaitsForThePreviousLineToBeShown) {
    for (int i = 1; i <= 3; ++i) {
        site.Serve("/" + std::to_string(i), "p");
        StoreRecord(std::to_string(i) + ".vnt", "/" + std::to_string(i), "untitle", "p");
    }
    const std::vector<std::string> order = EnumerationOrder();
    StartCheckAll();
    // Every page is fetched while the first line still waits for the window...
    WaitUntil([&] { return site.Requests("/1") + site.Requests("/2") + site.Requests("/3") == 3; });
    // ...and still each tick shows exactly the next record's line: none is posted over another.
    for (std::size_t shown = 0; shown < order.size(); ++shown) {
        WaitUntil([] { return !g_strStatus.IsEmpty(); });
        Tick();
        ASSERT_EQ(window.lines.size(), shown + 1);
        EXPECT_EQ(window.lines.back(), UrlOfRecord(order[shown]));
    }
    WaitForJobToEnd();
    EXPECT_EQ(window.lines.size(), 3u);
}

TEST_F(CheckAllJobTest, StopWhileWaitingForTheSlotEndsWithoutTheNextRecord) {
    for (int i = 1; i <= 2; ++i) {
        site.Serve("/" + std::to_string(i), "new");
    }
    const std::string first = StoreRecord("1.vnt", "/1", "untitle", "p");
    const std::string second = StoreRecord("2.vnt", "/2", "untitle", "p");
    StartCheckAll();
    WaitUntil([] { return !g_strStatus.IsEmpty(); }); // first record reported, job waits
    RequestStop();
    WaitUntil([] { return g_bWorkerBusy.load() == 0; });
    WaitForJobToEnd();
    ASSERT_EQ(window.lines.size(), 1u) << "the line it waited on is still shown";
    // The record not reported was not checked, whether or not its page was fetched ahead.
    const bool firstShown = window.lines[0] == "UPDATE " + site.Url("/1");
    EXPECT_EQ(ReadWholeFile(firstShown ? "2.vnt" : "1.vnt"), firstShown ? second : first);
}

TEST_F(CheckAllJobTest, StartClearsAStopPressedBeforeIt) {
    site.Serve("/1", "p");
    site.Serve("/2", "p");
    StoreRecord("1.vnt", "/1", "untitle", "p");
    StoreRecord("2.vnt", "/2", "untitle", "p");
    RequestStop();
    RunCheck();
    EXPECT_EQ(window.lines.size(), 2u);
}

TEST_F(CheckAllJobTest, NoRecordsEndsAtOnce) {
    RunCheck();
    EXPECT_THAT(window.lines, IsEmpty());
    EXPECT_EQ(g_bWorkerBusy.load(), 0);
}

TEST_F(CheckAllJobTest, ARecordHeldOpenElsewhereIsSkippedWithoutALine) {
    site.Serve("/1", "p");
    site.Serve("/2", "p");
    StoreRecord("1.vnt", "/1", "untitle", "p");
    StoreRecord("2.vnt", "/2", "untitle", "p");
    ExclusiveFile holder;
    ASSERT_EQ(holder.OpenForReading("2.vnt"), 0);
    RunCheck();
    EXPECT_THAT(window.lines, ElementsAre(site.Url("/1")));
    EXPECT_EQ(site.Requests("/2"), 0);
}

// That their memory goes back after the check is measured by bench_check (after_mib).
TEST_F(CheckAllJobTest, LargePagesAreComparedWhole) {
    // Separators and line ends deep inside the pages; the changed one differs only at its end.
    std::string page(3 * 1024 * 1024 + 11, 'x');
    for (std::size_t i = 0; i < page.size(); i += 4099) {
        page[i] = "|*\n\r"[i % 4];
    }
    std::string changed = page;
    changed.back() = 'y';
    site.Serve("/same", page);
    site.Serve("/changed", changed);
    const std::string same = StoreRecord("1.vnt", "/same", "untitle", page);
    StoreRecord("2.vnt", "/changed", "untitle", page);
    RunCheck();
    EXPECT_THAT(window.lines,
                UnorderedElementsAre(site.Url("/same"), "UPDATE " + site.Url("/changed")));
    EXPECT_TRUE(ReadWholeFile("1.vnt") == same);
    EXPECT_TRUE(ReadWholeFile("2.vnt") == site.Url("/changed") + "|untitle|8:12:2025*" + changed);
}

TEST_F(CheckAllJobTest, ReadTakingTooManyTicksIsATimeOutAndKeepsTheRecord) {
    HeldPage held;
    const std::string record = held.Url() + "|untitle|1:1:2025*first part second part";
    WriteWholeFile("1.vnt", record);
    StartCheckAll();
    WaitUntil([&] { return held.Requests() == 1 && g_nChunksRead.load() > 0; });
    // The body's next read is held by the server while the window's clock runs on.
    for (int tick = 0; tick < 270; ++tick) {
        Tick();
    }
    held.Release();
    WaitForJobToEnd();
    EXPECT_THAT(window.lines, ElementsAre("Time Out"));
    EXPECT_EQ(ReadWholeFile("1.vnt"), record);
}

// A page whose server holds back its whole answer until the test releases it.
class UnansweredPage {
public:
    UnansweredPage()
        : m_server([](RawConnection& peer) {
              peer.ReadRequestHead();
              peer.WaitForRelease();
              peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nheld page");
          }) {}
    std::string Url() const { return m_server.Url("/unanswered"); }
    void Release() { m_server.Release(); }
    int Requests() const { return m_server.ConnectionCount(); }

private:
    RawSocketServer m_server;
};

// Pages are fetched ahead of the record in hand and finish in any order; the lines still come in
// the order the records are enumerated, each once, and the one in hand holds back the rest.
TEST_F(CheckAllJobTest, LinesFollowTheRecordsWhateverOrderTheirPagesArriveIn) {
    UnansweredPage slow;
    for (int i = 1; i <= 5; ++i) {
        site.Serve("/" + std::to_string(i), "new " + std::to_string(i));
        StoreRecord(std::to_string(i) + ".vnt", "/" + std::to_string(i), "untitle", "old");
    }
    const std::vector<std::string> order = EnumerationOrder();
    // The first record the check takes waits for the slow server; the others answer at once.
    WriteWholeFile(order[0], slow.Url() + "|untitle|1:1:2025*held page");
    StartCheckAll();
    WaitUntil([&] {
        int fetched = slow.Requests();
        for (int i = 1; i <= 5; ++i) {
            fetched += site.Requests("/" + std::to_string(i));
        }
        return fetched == 5;
    });
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
    }
    EXPECT_THAT(window.lines, IsEmpty()) << "no line passes the record in hand";
    slow.Release();
    WaitForJobToEnd();
    std::vector<std::string> expected{slow.Url()};
    for (std::size_t i = 1; i < order.size(); ++i) {
        expected.push_back("UPDATE " + UrlOfRecord(order[i]));
    }
    EXPECT_EQ(window.lines, expected);
}

// Stop while the record in hand waits for its page: that record is still reported, the pages
// fetched ahead of it are dropped (one of them still unanswered: the job does not wait for it)
// and their records stay exactly as they were.
TEST_F(CheckAllJobTest, StopEndsAfterTheLineInHandAndLeavesThePagesAheadAlone) {
    HeldPage inHand;
    UnansweredPage neverAnswered;
    site.Serve("/changed", "new");
    WriteWholeFile("1.vnt", "");
    WriteWholeFile("2.vnt", "");
    WriteWholeFile("3.vnt", "");
    const std::vector<std::string> order = EnumerationOrder();
    WriteWholeFile(order[0], inHand.Url() + "|untitle|1:1:2025*first part second part");
    const std::string changed = StoreRecord(order[1], "/changed", "untitle", "old");
    const std::string unanswered = neverAnswered.Url() + "|untitle|1:1:2025*x";
    WriteWholeFile(order[2], unanswered);
    StartCheckAll();
    WaitUntil([&] {
        return inHand.Requests() == 1 && site.Requests("/changed") == 1 &&
               neverAnswered.Requests() == 1;
    });
    RequestStop();
    inHand.Release();
    WaitForJobToEnd();
    EXPECT_THAT(window.lines, ElementsAre(inHand.Url()));
    EXPECT_EQ(ReadWholeFile(order[1]), changed);
    EXPECT_EQ(ReadWholeFile(order[2]), unanswered);
}

// Each fetch times its own reads in the window's ticks: a page ahead whose body stalls for 270
// ticks is "Time Out" when its turn comes, while the record in hand, whose server has not begun
// to answer, is not timed and reports its page.
TEST_F(CheckAllJobTest, APageAheadWhoseReadTakesTooManyTicksIsATimeOut) {
    UnansweredPage inHand;
    HeldPage stalled;
    WriteWholeFile("1.vnt", "");
    WriteWholeFile("2.vnt", "");
    const std::vector<std::string> order = EnumerationOrder();
    const std::string first = inHand.Url() + "|untitle|1:1:2025*held page";
    const std::string second = stalled.Url() + "|untitle|1:1:2025*old";
    WriteWholeFile(order[0], first);
    WriteWholeFile(order[1], second);
    StartCheckAll();
    // The stalled page's first part is in, and the job has counted its read.
    WaitUntil([&] { return stalled.Requests() == 1 && g_nChunksRead.load() > 0; });
    for (int tick = 0; tick < 270; ++tick) {
        Tick();
    }
    inHand.Release();
    WaitForJobToEnd();
    EXPECT_THAT(window.lines, ElementsAre(inHand.Url(), "Time Out"));
    EXPECT_EQ(ReadWholeFile(order[0]), first);
    EXPECT_EQ(ReadWholeFile(order[1]), second) << "a page that timed out is not stored";
}

// The server sees at most 6 of the check's fetches at once from one host, and the check does
// fetch that many side by side.
TEST_F(CheckAllJobTest, FetchesAheadKeepToTheConnectionLimits) {
    ConcurrencyWatch watch(6);
    LoopbackServer server;
    server.Routes().Get(R"(/.*)", [&](const httplib::Request&, httplib::Response& response) {
        watch.Serve();
        response.set_content("p", "text/html");
    });
    server.Start();
    for (int i = 1; i <= 14; ++i) {
        WriteWholeFile(std::to_string(i) + ".vnt",
                       server.Url("/" + std::to_string(i)) + "|untitle|1:1:2025*p");
    }
    RunCheck();
    EXPECT_EQ(window.lines.size(), 14u);
    EXPECT_EQ(watch.Highest(), 6);
}

} // namespace
