// The add and check commands end to end: the real window, the real jobs and a loopback web site.

#include "WindowFixture.h"
#include "check/RealPages.h"
#include "platform/system/ApplicationName.h"
#include "platform/system/LocalDate.h"
#include "records/Catalogue.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordWriter.h"
#include "support/LoopbackServer.h"
#include "support/ScopedEnvironment.h"
#include "support/SmallDisk.h"

#include <gmock/gmock.h>

#include <QPushButton>

#include <algorithm>
#include <memory>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class JobsDialog : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
        m_server.Routes().Get(
            R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
                std::lock_guard lock(m_guard);
                const auto page = m_pages.find(request.path);
                response.status = page == m_pages.end() ? 404 : page->second.first;
                if (page != m_pages.end()) {
                    response.set_content(page->second.second, "text/html");
                }
            });
        m_server.Start();
    }
    void TearDown() override {
        SetLocalDateSourceForTesting({});
        MainWindow::TearDown();
    }

    void Serve(const std::string& path, const std::string& body, int status = 200) {
        std::lock_guard lock(m_guard);
        m_pages[path] = {status, body};
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

    void Click(int id) { QTest::mouseClick(ControlOf<QPushButton>(id), Qt::LeftButton); }
    void AddUrl(const std::string& url) {
        ControlOf<QLineEdit>(IDC_URL)->setText(QString::fromStdString(url));
        Click(IDOK);
    }
    // Lets the window's own timer run until the job has ended and its last line is shown.
    void WaitForJob() {
        EXPECT_TRUE(SpinUntil([] { return g_bWorkerBusy.load() == 0 && g_strStatus.IsEmpty(); }));
    }

    WithoutProxyVariables m_noProxy;
    LoopbackServer m_server;
    std::mutex m_guard;
    std::map<std::string, std::pair<int, std::string>> m_pages;
};

TEST_F(JobsDialog, AddedPagesJoinTheSortedList) {
    Serve("/b", "<p><title>Bee</title>b");
    Serve("/A", "<p><title>Ay</title>a");
    Serve("/c", "c");
    WithWindow([&] {
        for (const char* path : {"/b", "/A", "/c"}) {
            AddUrl(Url(path));
            WaitForJob();
        }
        EXPECT_THAT(ListLines(), ElementsAre(Url("/A"), Url("/b"), Url("/c")));
        EXPECT_EQ(ControlOf<QLineEdit>(IDC_URL)->text().toStdString(), Url("/c"))
            << "the address box keeps its text";
    });
    EXPECT_EQ(ReadWholeFile("1.vnt"), Url("/b") + "|Bee|8:12:2025*<p><title>Bee</title>b");
    EXPECT_EQ(ReadWholeFile("2.vnt"), Url("/A") + "|Ay|8:12:2025*<p><title>Ay</title>a");
    EXPECT_EQ(ReadWholeFile("3.vnt"), Url("/c") + "|untitle|8:12:2025*c");
}

TEST_F(JobsDialog, MissingAndFailingPagesAddNoRecord) {
    Serve("/broken", "oops", 500);
    WithWindow([&] {
        AddUrl(Url("/missing"));
        WaitForJob();
        AddUrl(Url("/broken"));
        WaitForJob();
        EXPECT_THAT(ListLines(), ElementsAre("File Not Found"));
    });
    EXPECT_FALSE(FileExists("1.vnt"));
}

TEST_F(JobsDialog, AnAddressThatCannotBeFetchedIsExplainedInAMessageBox) {
    AfxAnswerNextMessageBox(IDOK);
    WithWindow([&] {
        AddUrl("http://"); // the box's text when the window opens
        WaitForJob();
        EXPECT_TRUE(ListLines().empty());
    });
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].text, HasSubstr("http://"));
    EXPECT_EQ(boxes[0].caption, ApplicationName());
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_FALSE(FileExists("1.vnt"));
}

TEST_F(JobsDialog, StartChecksEveryRecordAndRewritesTheChangedOnes) {
    Serve("/same", "same page");
    Serve("/case", "Case Page");
    Serve("/changed", "<p><title>New</title>new");
    WriteWholeFile("1.vnt", Url("/same") + "|untitle|1:1:2025*same page");
    WriteWholeFile("2.vnt", Url("/case") + "|untitle|1:1:2025*CASE PAGE");
    WriteWholeFile("3.vnt", Url("/changed") + "|Old|1:1:2025*<p><title>Old</title>old");
    WriteWholeFile("4.vnt", Url("/gone") + "|Gone|1:1:2025*gone");
    WithWindow([&] {
        Click(IDC_START);
        WaitForJob();
        EXPECT_THAT(ListLines(),
                    ElementsAre(Url("/case"), Url("/same"), "Page Error " + Url("/gone"),
                                "UPDATE " + Url("/changed")));
    });
    EXPECT_EQ(ReadWholeFile("3.vnt"), Url("/changed") + "|New|8:12:2025*<p><title>New</title>new");
    EXPECT_EQ(ReadWholeFile("2.vnt"), Url("/case") + "|untitle|1:1:2025*CASE PAGE");
    EXPECT_EQ(ReadWholeFile("time.ini"), "8:12:2025");
}

TEST_F(JobsDialog, StartWhileAJobRunsOnlyEmptiesTheListAndStampsTheDay) {
    WriteRecord("1.vnt", Url("/a"));
    WithWindow([&] {
        ASSERT_EQ(ListLines().size(), 1u);
        g_bWorkerBusy = 1; // an add is running
        Click(IDC_START);
        EXPECT_TRUE(ListLines().empty());
        EXPECT_EQ(ReadWholeFile("time.ini"), "8:12:2025");
        g_bWorkerBusy = 0;
        const std::string shownDate = ControlOf<QLabel>(IDC_CHECKDATE)->text().toStdString();
        EXPECT_EQ(shownDate, "") << "the window's own last-check field is not changed";
    });
}

TEST_F(JobsDialog, StopEndsACheckBetweenRecords) {
    for (int i = 1; i <= 5; ++i) {
        Serve("/" + std::to_string(i), "p");
        WriteWholeFile(std::to_string(i) + ".vnt", Url("/" + std::to_string(i)) + "|t|1:1:2025*p");
    }
    WithWindow([&] {
        Click(IDC_START);
        ASSERT_TRUE(SpinUntil([&] { return ListLines().size() >= 1; }));
        Click(IDC_STOP);
        WaitForJob();
        EXPECT_LT(ListLines().size(), 5u);
    });
}

std::vector<std::string> FolderNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A page that cannot be stored is explained, not listed, and uses up no record number; the disk
// is either a real full one (a small tmpfs) or one the record writer is told to act out.
class FullDisk : public JobsDialog, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        JobsDialog::SetUp();
        if (GetParam()) {
            m_disk = std::make_unique<SmallDisk>(std::size_t{1} << 20);
            if (!m_disk->Mounted()) {
                GTEST_SKIP() << m_disk->Why() << "; the injected full disk covers this case";
            }
        } else {
            InjectRecordWriteFailureForTesting(ENOSPC);
        }
    }
    void TearDown() override {
        InjectRecordWriteFailureForTesting(0);
        JobsDialog::TearDown();
        m_disk.reset();
    }
    const std::string m_bigPage = std::string(2 << 20, 'x') + "<title>Big</title>";
    std::unique_ptr<SmallDisk> m_disk;
};

TEST_P(FullDisk, AnAddThatCannotBeStoredIsExplainedAndNotListed) {
    WriteWholeFile("name.ini", "4");
    Serve("/big", m_bigPage);
    AfxAnswerNextMessageBox(IDOK);
    WithWindow([&] {
        AddUrl(Url("/big"));
        WaitForJob();
        EXPECT_TRUE(ListLines().empty());
    });
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The page " + Url("/big") + " could not be stored: the disk is full.");
    EXPECT_EQ(boxes[0].caption, ApplicationName());
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"name.ini"}) << "no record, no temporary";
    EXPECT_EQ(ReadWholeFile("name.ini"), "4") << "the counter did not move on";
}

TEST_P(FullDisk, ACheckReportsPagesItCannotStoreWithOneBox) {
    const std::string same = Url("/same") + "|untitle|1:1:2025*same";
    const std::string first = Url("/one") + "|Old|1:1:2025*old one";
    const std::string second = Url("/two") + "|Old|1:1:2025*old two";
    WriteWholeFile("1.vnt", same);
    WriteWholeFile("2.vnt", first);
    WriteWholeFile("3.vnt", second);
    Serve("/same", "same");
    Serve("/one", m_bigPage);
    Serve("/two", m_bigPage + "2");
    AfxAnswerNextMessageBox(IDOK);
    WithWindow([&] {
        Click(IDC_START);
        WaitForJob();
        EXPECT_THAT(ListLines(),
                    ElementsAre("Error " + Url("/one"), "Error " + Url("/two"), Url("/same")));
    });
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << "only the first failure of a check shows a box";
    EXPECT_THAT(boxes[0].text, ::testing::MatchesRegex("The page .*/(one|two) could not be "
                                                       "stored: the disk is full\\."));
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(ReadWholeFile("1.vnt"), same);
    EXPECT_EQ(ReadWholeFile("2.vnt"), first);
    EXPECT_EQ(ReadWholeFile("3.vnt"), second);
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"1.vnt", "2.vnt", "3.vnt", "time.ini"}));
}

INSTANTIATE_TEST_SUITE_P(Disks, FullDisk, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "SmallTmpfs" : "InjectedWriter";
                         });

// Files named like records that are none give no line, no box and no wait, at start and in a
// check, and every record is still listed and checked.
TEST_F(JobsDialog, FilesThatAreNoRecordsArePassedOverAtStartAndInACheck) {
    Serve("/a", "a");
    WriteWholeFile("1.vnt", Url("/a") + "|untitle|1:1:2025*a");
    WriteWholeFile("2.vnt", "");
    WriteWholeFile("3.vnt", "no bar here");
    ASSERT_EQ(::mkfifo("4.vnt", 0644), 0);
    std::filesystem::create_symlink("/dev/zero", "5.vnt");
    WithWindow([&] {
        EXPECT_THAT(ListLines(), ElementsAre(Url("/a")));
        Click(IDC_START);
        WaitForJob();
        EXPECT_THAT(ListLines(), ElementsAre(Url("/a")));
    });
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
}

// A page whose title holds a false date is stored so that it reads back: a check finds it the same.
TEST_F(JobsDialog, APageTitledWithADateInsideIsTheSameAtTheNextCheck) {
    const std::string page = "<p><title>News|1:2:3*today</title>body";
    Serve("/news", page);
    WithWindow([&] {
        AddUrl(Url("/news"));
        WaitForJob();
        Click(IDC_START);
        WaitForJob();
        EXPECT_THAT(ListLines(), ElementsAre(Url("/news")));
    });
    std::string file, title, date;
    ASSERT_TRUE(FindRecordByUrl(Url("/news"), file, title, date));
    EXPECT_EQ(title, "News|1:2:3 *today");
    EXPECT_EQ(date, "8:12:2025");
    EXPECT_EQ(ReadWholeFile("1.vnt"), Url("/news") + "|News|1:2:3 *today|8:12:2025*" + page);
}

} // namespace

namespace {

// A record that cannot be read is never passed over in silence: its line names it, and the
// check's first such failure is explained in a box.
TEST_F(JobsDialog, ARecordThatCannotBeReadIsAnErrorLineWithItsReason) {
    Serve("/one", "one");
    Serve("/two", "two");
    WriteWholeFile("1.vnt", Url("/one") + "|untitle|1:1:2025*one");
    WriteWholeFile("2.vnt", Url("/two") + "|untitle|1:1:2025*two");
    InjectRecordReadFailureForTesting("2.vnt", EMFILE);
    AfxAnswerNextMessageBox(IDOK);
    WithWindow([&] {
        Click(IDC_START);
        WaitForJob();
        EXPECT_THAT(ListLines(), ElementsAre("Error 2.vnt", Url("/one")));
    });
    InjectRecordReadFailureForTesting({}, 0);
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The number of open files was exceeded while opening 2.vnt.");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(JobsDialog, ACheckStampThatCannotBeWrittenIsExplained) {
    std::filesystem::create_directory("time.ini");
    AfxAnswerNextMessageBox(IDOK);
    WithWindow([&] {
        Click(IDC_START);
        WaitForJob();
    });
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].text, HasSubstr("The day of this check could not be noted in time.ini: "));
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

namespace {

// The window honours a page's rules through the same check decision as the command line: noise
// under the rules is no change, and a rule that matches nothing is an error whose box names it.
TEST_F(JobsDialog, TheWindowsCheckHonoursEachPagesRules) {
    const std::vector<std::filesystem::path> pages = RealPages({"scope.html"});
    ASSERT_FALSE(pages.empty()) << "Debian's developers-reference is missing (make setup)";
    const std::string page = ReadFileBytes(pages.front());
    Serve("/ruled", WithNoise(page, 2));
    Serve("/plain", WithNoise(page, 2));
    Serve("/priced", WithNoise(page, 2));
    WriteWholeFile("1.vnt", Url("/ruled") + "|T|1:1:2025*" + WithNoise(page, 1));
    WriteWholeFile("2.vnt", Url("/plain") + "|T|1:1:2025*" + WithNoise(page, 1));
    WriteWholeFile("3.vnt", Url("/priced") + "|T|1:1:2025*" + WithNoise(page, 1));
    ASSERT_EQ(WriteRecordRules("1.vnt", PageRules{{}, {"div.body"}, true, {"^Tip [0-9]+:"}}), 0);
    ASSERT_EQ(WriteRecordRules("3.vnt", PageRules{{"//div[@id='price']"}, {}, false, {}}), 0);
    AfxAnswerNextMessageBox(IDOK);
    WithWindow([&] {
        Click(IDC_START);
        WaitForJob();
        EXPECT_THAT(ListLines(), ElementsAre("Error " + Url("/priced"), Url("/ruled"),
                                             "UPDATE " + Url("/plain")));
    });
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].text,
                HasSubstr("the rule --select //div[@id='price'] matches nothing on this page"));
    EXPECT_THAT(ReadWholeFile("2.vnt"), HasSubstr("Tip 2: read the manual")) << "rewritten";
    EXPECT_THAT(ReadWholeFile("1.vnt"), HasSubstr("Tip 1: read the manual")) << "left as it was";
}

} // namespace
