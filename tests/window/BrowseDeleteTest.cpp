// "Delete URL" on the real window: which record file goes, which line goes, and what the list
// and the fields show afterwards.
#include "window/BrowseFixture.h"

#include "platform/system/ExclusiveFile.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace {

class BrowseDelete : public BrowsePages {
protected:
    void Delete() { ClickButton(IDC_DELETEURL); }
    std::string SelectedLine() {
        const int row = m_dlg.m_listPages.GetCurSel();
        std::string line;
        if (row != LB_ERR) {
            m_dlg.m_listPages.GetText(row, line);
        }
        return line;
    }
};

TEST_F(BrowseDelete, DoesNothingWithoutALineOrWithoutASelection) {
    WithWindow([&] {
        Delete(); // empty list
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 0);
    });
    WriteThreePages();
    CTestableVntDlg second;
    theApp.m_pMainWnd = &second;
    RunModal(second, [&] {
        QTest::keyClicks(AfxControlWidget(second, IDC_URL), "typed/");
        QTest::mouseClick(AfxControlWidget(second, IDC_DELETEURL), Qt::LeftButton);
        EXPECT_EQ(second.m_listPages.GetCount(), 3);
        // Not even the fields are loaded: the typed address stays.
        EXPECT_EQ(dynamic_cast<QLineEdit*>(AfxControlWidget(second, IDC_URL))->text(),
                  "http://typed/");
        second.EndDialog(IDCANCEL);
    });
    for (const char* file : {"1.vnt", "2.vnt", "3.vnt"}) {
        EXPECT_TRUE(FileExists(file)) << file;
    }
}

// Clicks that select no line (Ctrl on the selected one, the empty area below the lines) leave
// the selection where it was, so "Delete URL" still deletes that line.
TEST_F(BrowseDelete, ClicksThatSelectNoLineLeaveTheSelectedOneToDelete) {
    WriteThreePages();
    WithWindow([&] {
        ClickRow(RowOf("https://b.example/page"));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          RowCentre(RowOf("https://b.example/page")));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          QPoint(5, List()->viewport()->height() - 3));
        EXPECT_EQ(SelectedLine(), "https://b.example/page");
        EXPECT_EQ(ShownTitle(), "Beta");
        Delete();
        EXPECT_EQ(ListLines(),
                  (std::vector<std::string>{"http://a.example/", "https://c.example/"}));
    });
    EXPECT_FALSE(FileExists("2.vnt"));
    EXPECT_TRUE(FileExists("1.vnt"));
}

// A page's rules and history are kept beside its record and go with it.
TEST_F(BrowseDelete, TheRecordsRulesAndHistoryGoWithIt) {
    WriteThreePages();
    ASSERT_EQ(WriteRecordRules("2.vnt", PageRules{{"//p"}, {}, true, {}}), 0);
    ASSERT_EQ(WriteRecordRules("3.vnt", PageRules{{}, {}, true, {}}), 0);
    for (const char* record : {"2.vnt", "3.vnt"}) {
        // An earlier copy of the page (one equal to the record would be no version of its own).
        ASSERT_EQ(KeepVersion(record, ReadWholeFile(record) + " earlier", HistoryLimits{}), 0);
        ASSERT_EQ(ListPageVersions(record).value->size(), 2U);
    }
    WithWindow([&] {
        ClickRow(RowOf("https://b.example/page"));
        Delete();
    });
    EXPECT_FALSE(FileExists("2.vnt"));
    EXPECT_FALSE(FileExists("2.vnt.rules"));
    EXPECT_FALSE(std::filesystem::exists(HistoryFolderName("2.vnt")));
    EXPECT_TRUE(FileExists("3.vnt.rules"));
    EXPECT_EQ(ListPageVersions("3.vnt").value->size(), 2U);
}

TEST_F(BrowseDelete, AMiddleLineGoesWithItsRecordAndTheTopLineIsSelected) {
    WriteThreePages();
    WithWindow([&] {
        ClickRow(RowOf("https://b.example/page"));
        Delete();
        EXPECT_EQ(ListLines(),
                  (std::vector<std::string>{"http://a.example/", "https://c.example/"}));
        // The top line, not the one that followed the deleted line.
        EXPECT_EQ(SelectedLine(), "http://a.example/");
        EXPECT_EQ(ShownTitle(), "Alpha");
        EXPECT_EQ(ShownDate(), "1:2:2024");
    });
    EXPECT_FALSE(FileExists("2.vnt"));
    EXPECT_TRUE(FileExists("1.vnt"));
    EXPECT_TRUE(FileExists("3.vnt"));
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(BrowseDelete, InAScrolledListTheFirstVisibleLineIsSelected) {
    constexpr int kPages = 40;
    auto url = [](int n) { return "http://p" + std::to_string(100 + n) + ".example/"; };
    auto title = [](int n) { return "Page " + std::to_string(100 + n); };
    WithWindow([&] {
        // The toolkit paints a shown scroll bar with pool threads of its own, handing work over
        // through its own futex locks, which ThreadSanitizer cannot see even when told to
        // ignore the uninstrumented libraries; the list scrolls the same without the bar. So
        // the lines arrive after the bar is hidden, as a check posts them.
        List()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (int n = 0; n < kPages; ++n) {
            WriteRecord(std::to_string(n + 1) + ".vnt", url(n), title(n), "7:7:2024");
            PostLine(url(n));
        }
        // Scrolled to the end and back up to line 5, which is now the first one in sight.
        m_dlg.m_listPages.SetCurSel(kPages - 1);
        m_dlg.m_listPages.SetCurSel(5);
        ASSERT_EQ(m_dlg.m_listPages.GetTopIndex(), 5);
        ClickRow(8);
        ASSERT_EQ(ShownTitle(), title(8));
        Delete();
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), kPages - 1);
        EXPECT_EQ(RowOf(url(9)), 8);
        EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), 5);
        EXPECT_EQ(m_dlg.m_listPages.GetTopIndex(), 5);
        EXPECT_EQ(SelectedLine(), url(5));
        EXPECT_EQ(ShownTitle(), title(5));
    });
    EXPECT_FALSE(FileExists("9.vnt"));
    EXPECT_TRUE(FileExists("6.vnt"));
    EXPECT_TRUE(FileExists("10.vnt"));
}

TEST_F(BrowseDelete, TheLastLineLeavesItsPageInTheFieldsAndResetsTheAddressBox) {
    WriteRecord("4.vnt", "http://only.example/", "Only", "9:10:2024");
    WithWindow([&] {
        ClickRow(0);
        m_dlg.m_strPageName.clear(); // only the deletion's own lookup may fill the fields
        QTest::keyClicks(ControlOf<QLineEdit>(IDC_URL), "typed.example/");
        Delete();
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 0);
        EXPECT_EQ(ShownTitle(), "Only");
        EXPECT_EQ(ShownDate(), "9:10:2024");
        EXPECT_EQ(ShownUrl(), "http://");
    });
    EXPECT_FALSE(FileExists("4.vnt"));
}

TEST_F(BrowseDelete, AnEmptyLineAtTheTopIsSelectedAndTheFieldsKeepTheDeletedPage) {
    WriteRecord("1.vnt", "", "Nameless", "2:2:2022"); // listed as an empty line
    WriteRecord("2.vnt", "http://a.example/", "Alpha", "1:2:2024");
    WriteRecord("3.vnt", "http://b.example/", "Beta", "3:4:2025");
    WithWindow([&] {
        ASSERT_EQ(ListLines(),
                  (std::vector<std::string>{"", "http://a.example/", "http://b.example/"}));
        ClickRow(2);
        Delete();
        EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), 0);
        EXPECT_EQ(ShownTitle(), "Beta");
        EXPECT_EQ(ShownDate(), "3:4:2025");
    });
    EXPECT_FALSE(FileExists("3.vnt"));
    EXPECT_TRUE(FileExists("1.vnt"));
    EXPECT_TRUE(FileExists("2.vnt"));
}

TEST_F(BrowseDelete, ALineNamingNoPageDeletesNoFileEvenAfterAnotherPageWasLookedUp) {
    WriteThreePages();
    WithWindow([&] {
        for (const char* line : {"Time Out", "File Not Found", "UPDATE HTTP://A.EXAMPLE/"}) {
            SCOPED_TRACE(line);
            PostLine(line);
            ClickRow(RowOf("https://c.example/")); // the last match named 3.vnt
            ASSERT_EQ(ShownTitle(), "Gamma");
            ClickRow(RowOf(line));
            Delete();
            const std::vector<std::string> lines = ListLines();
            EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 0);
            EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), 0);
            EXPECT_EQ(ShownTitle(), "Alpha"); // the page of the top line
        }
    });
    for (const char* file : {"1.vnt", "2.vnt", "3.vnt"}) {
        EXPECT_TRUE(FileExists(file)) << file;
    }
}

TEST_F(BrowseDelete, AStatusLineDeletesThePageItNamesAndOtherLinesForItStay) {
    WriteThreePages();
    WithWindow([&] {
        PostLine("UPDATE https://b.example/page");
        ClickRow(RowOf("UPDATE https://b.example/page"));
        Delete();
        EXPECT_EQ(RowOf("https://b.example/page"), 1);
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 3);
    });
    EXPECT_FALSE(FileExists("2.vnt"));
    EXPECT_TRUE(FileExists("1.vnt"));
    EXPECT_TRUE(FileExists("3.vnt"));
}

TEST_F(BrowseDelete, OfTwoRecordsWithOneAddressTheOneFoundFirstGoes) {
    WriteRecord("1.vnt", "http://same.example/", "First copy", "1:1:2024");
    WriteRecord("2.vnt", "http://same.example/", "Second copy", "2:2:2024");
    std::string foundTitle;
    std::string otherTitle;
    WithWindow([&] {
        ClickRow(1);
        foundTitle = ShownTitle();
        ClickRow(0);
        ASSERT_EQ(ShownTitle(), foundTitle); // both lines find the same record
        Delete();
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 1);
        otherTitle = ShownTitle(); // the remaining line now finds the other record
    });
    ASSERT_TRUE(foundTitle == "First copy" || foundTitle == "Second copy") << foundTitle;
    const bool firstWent = foundTitle == "First copy";
    EXPECT_NE(FileExists("1.vnt"), firstWent);
    EXPECT_NE(FileExists("2.vnt"), !firstWent);
    EXPECT_EQ(otherTitle, firstWent ? "Second copy" : "First copy");
}

// A record a job holds open cannot be looked up: the deletion is abandoned at its lookup, after
// the file error has been reported, and neither the file nor its line goes.
TEST_F(BrowseDelete, ARecordHeldForTheWholeCommandIsReportedAndNothingGoes) {
    WriteThreePages();
    ExclusiveFile holder;
    WithWindow([&] {
        ClickRow(RowOf("https://b.example/page"));
        ASSERT_EQ(holder.OpenForReading("2.vnt"), 0);
        AfxAnswerNextMessageBox(IDOK);
        Delete();
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 3);
        EXPECT_EQ(SelectedLine(), "https://b.example/page");
    });
    const auto boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "A sharing violation occurred while accessing 2.vnt.");
    EXPECT_TRUE(FileExists("2.vnt"));
}

// The deletion the command makes leaves a record that someone holds open at that moment (a job
// rewriting it) and removes it once it is free.
TEST(RecordDeletion, LeavesARecordHeldOpenAndRemovesItOnceFree) {
    ScopedWorkingDirectory directory;
    WriteWholeFile("5.vnt", "http://a.example/|A|1:1:2024*page");
    {
        ExclusiveFile holder;
        ASSERT_EQ(holder.OpenForReading("5.vnt"), 0);
        EXPECT_EQ(RemoveFileUnlessHeld("5.vnt"), EWOULDBLOCK);
        EXPECT_TRUE(FileExists("5.vnt"));
    }
    EXPECT_EQ(RemoveFileUnlessHeld("5.vnt"), 0);
    EXPECT_FALSE(FileExists("5.vnt"));
}

} // namespace
