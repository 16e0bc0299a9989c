// The window's initialisation from the working directory, and the timer tick on its controls.
#include "window/WindowFixture.h"

#include "platform/system/ApplicationName.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileException.h"

#include <filesystem>
#include <functional>

namespace {

TEST_F(MainWindow, IsTheApplicationsWindowWhileItRuns) {
    EXPECT_EQ(AfxGetApp(), &theApp);
    EXPECT_STREQ(theApp.m_pszAppName, ApplicationName().c_str());
}

TEST_F(MainWindow, OpensEmptyWithoutStampOrRecords) {
    WithWindow([&] {
        EXPECT_EQ(ControlOf<QLineEdit>(1002)->text(), "http://");
        EXPECT_EQ(ControlOf<QLabel>(1008)->text(), "");
        EXPECT_EQ(m_dlg.m_strUrl, "http://");
        EXPECT_EQ(m_dlg.m_strLastCheck, "");
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 0);
        int lower = -1, upper = -1;
        m_dlg.m_progress.GetRange(lower, upper);
        EXPECT_EQ(lower, 0);
        EXPECT_EQ(upper, 100);
        EXPECT_EQ(m_dlg.m_progress.GetPos(), 0);
        m_dlg.m_progress.StepIt();
        EXPECT_EQ(m_dlg.m_progress.GetPos(), 5); // step 5
        EXPECT_EQ(Window().TimerInterval(0), 100);
    });
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
}

TEST_F(MainWindow, OpensWithTheStampAndEveryRecordSorted) {
    WriteWholeFile("time.ini", "3:7:2024");
    WriteRecord("1.vnt", "http://c.example/");
    WriteRecord("2.vnt", "http://A.example/");
    WriteRecord("3.vnt", "http://b.example/", "Deals | Shop", "9:9:2023");
    WithWindow([&] {
        EXPECT_EQ(ListLines(), (std::vector<std::string>{"http://A.example/", "http://b.example/",
                                                         "http://c.example/"}));
        EXPECT_EQ(m_dlg.m_strLastCheck, "3:7:2024");
        EXPECT_EQ(ControlOf<QLabel>(1008)->text(), "3:7:2024");
        EXPECT_EQ(ControlOf<QLineEdit>(1002)->text(), "http://");
        EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), LB_ERR);
    });
}

// A record that cannot be opened is reported in the file-error box, and every other record is
// listed all the same; the window's initialisation runs to its end.
TEST_F(MainWindow, ARecordThatCannotBeOpenedIsReportedAndTheOthersAreListed) {
    struct Case {
        const char* name;
        std::function<void()> spoil; // makes 7.vnt unopenable
        std::string box;
    };
    ExclusiveFile holder;
    const Case cases[] = {
        {"held by another reader",
         [&] {
             WriteRecord("7.vnt", "http://held.example/");
             ASSERT_EQ(holder.OpenForReading("7.vnt"), 0);
         },
         "A sharing violation occurred while accessing 7.vnt."},
        {"a dangling link", [] { std::filesystem::create_symlink("gone.vnt.old", "7.vnt"); },
         "7.vnt was not found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedWorkingDirectory folder;
        WriteRecord("1.vnt", "http://b.example/");
        WriteRecord("12.vnt", "http://a.example/");
        c.spoil();
        WriteRecord("30.vnt", "http://c.example/");
        AfxAnswerNextMessageBox(IDOK);
        CTestableVntDlg dlg;
        theApp.m_pMainWnd = &dlg;
        RunModal(dlg, [&] {
            std::vector<std::string> lines;
            for (int i = 0; i < dlg.m_listPages.GetCount(); ++i) {
                std::string line;
                dlg.m_listPages.GetText(i, line);
                lines.push_back(line);
            }
            EXPECT_EQ(lines, (std::vector<std::string>{"http://a.example/", "http://b.example/",
                                                       "http://c.example/"}));
            EXPECT_EQ(dlg.m_progress.GetPos(), 0);
            dlg.m_progress.StepIt();
            EXPECT_EQ(dlg.m_progress.GetPos(), 5) << "the bar was set up after the list";
            dlg.EndDialog(IDCANCEL);
        });
        holder.Close();
        const auto boxes = AfxTakeAnsweredMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].caption, theApp.m_pszAppName);
        EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONEXCLAMATION));
    }
}

TEST_F(MainWindow, EachTickMovesOneStatusLineIntoItsSortedPlace) {
    WriteRecord("1.vnt", "http://m.example/");
    WithWindow([&] {
        const int idleBefore = g_nIdleTicks.load();
        g_strStatus.Post("UPDATE http://b.example/");
        m_dlg.SendMessage(WM_TIMER, 0);
        g_strStatus.Post("Error http://z.example/");
        m_dlg.SendMessage(WM_TIMER, 0);
        m_dlg.SendMessage(WM_TIMER, 0); // an empty slot adds nothing
        g_strStatus.Post("Page Error http://a.example/");
        m_dlg.SendMessage(WM_TIMER, 0);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{
                                   "Error http://z.example/", "http://m.example/",
                                   "Page Error http://a.example/", "UPDATE http://b.example/"}));
        EXPECT_TRUE(g_strStatus.IsEmpty());
        EXPECT_EQ(g_nIdleTicks.load(), idleBefore + 4);
    });
}

TEST_F(MainWindow, TicksStepTheBarOncePerNewReadAndDropItWhenReadingEnds) {
    WithWindow([&] {
        const std::pair<int, int> ticks[] = {
            // chunks read before the tick -> bar position after it
            {0, 0}, {3, 5}, {3, 5}, {9, 10}, {0, 0},
        };
        for (const auto& [chunks, position] : ticks) {
            g_nChunksRead = chunks;
            if (chunks == 0) {
                g_nChunksShown = 0;
            }
            m_dlg.SendMessage(WM_TIMER, 0);
            EXPECT_EQ(m_dlg.m_progress.GetPos(), position) << chunks;
        }
        // Past the end the bar starts over.
        m_dlg.m_progress.SetPos(100);
        g_nChunksRead = 1;
        m_dlg.SendMessage(WM_TIMER, 0);
        EXPECT_EQ(m_dlg.m_progress.GetPos(), 5);
    });
}

} // namespace
