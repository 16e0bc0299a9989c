// Selecting and double-clicking lines of the page list, and the maker's button, on the real
// window with the desktop's opener recording what it is handed.
#include "window/BrowseFixture.h"

#include "platform/system/ExclusiveFile.h"
#include "records/LineAddress.h"
#include "resources/MakerSite.h"

namespace {

class BrowseSelect : public BrowsePages {};

struct ShownPage {
    const char* line;
    const char* title;
    const char* date;
};

TEST_F(BrowseSelect, SelectingALineShowsThePageItNamesOrNothing) {
    WriteThreePages();
    // Each line that names no page follows one that does, so clearing is seen.
    const ShownPage cases[] = {
        {"http://a.example/", "Alpha", "1:2:2024"},
        {"Time Out", "", ""},
        {"UPDATE http://a.example/", "Alpha", "1:2:2024"},
        {"File Not Found", "", ""},
        {"Page Error https://b.example/page", "Beta", "3:4:2025"},
        {"UPDATE HTTP://A.EXAMPLE/", "", ""}, // no "http" to cut at: the whole line is compared
        {"Error https://c.example/", "Gamma", "5:6:2023"},
        {"http://d.example/", "", ""}, // a job's line for a page that is not stored
        {"https://B.EXAMPLE/PAGE", "Beta", "3:4:2025"}, // letter case does not count
    };
    WithWindow([&] {
        for (const ShownPage& shown : cases) {
            const std::vector<std::string> lines = ListLines();
            if (std::find(lines.begin(), lines.end(), shown.line) == lines.end()) {
                PostLine(shown.line);
            }
        }
        for (const ShownPage& shown : cases) {
            SCOPED_TRACE(shown.line);
            ClickRow(RowOf(shown.line));
            EXPECT_EQ(ShownTitle(), shown.title);
            EXPECT_EQ(ShownDate(), shown.date);
            EXPECT_EQ(m_dlg.m_strPageName, shown.title);
            EXPECT_EQ(m_dlg.m_strCheckDate, shown.date);
        }
    });
    EXPECT_TRUE(m_opened.empty());
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
}

TEST_F(BrowseSelect, SelectingALineDiscardsAnAddressTypedButNotAdded) {
    WriteThreePages();
    WithWindow([&] {
        QTest::keyClicks(ControlOf<QLineEdit>(IDC_URL), "typed.example/");
        ASSERT_EQ(ShownUrl(), "http://typed.example/");
        ClickRow(RowOf("https://c.example/"));
        EXPECT_EQ(ShownUrl(), "http://");
        EXPECT_EQ(m_dlg.m_strUrl, "http://");
        EXPECT_EQ(ShownTitle(), "Gamma");
    });
}

TEST_F(BrowseSelect, ARecordHeldElsewhereIsReportedAndTheFieldsStay) {
    WriteRecord("1.vnt", "http://held.example/", "Held", "1:1:2024");
    ExclusiveFile holder;
    WithWindow([&] {
        ClickRow(RowOf("http://held.example/"));
        ASSERT_EQ(ShownTitle(), "Held");
        PostLine("Time Out");
        ASSERT_EQ(holder.OpenForReading("1.vnt"), 0);
        AfxAnswerNextMessageBox(IDOK);
        ClickRow(RowOf("Time Out"));
        // The lookup was abandoned where the file would not open: the fields are as they were.
        EXPECT_EQ(ShownTitle(), "Held");
        EXPECT_EQ(ShownDate(), "1:1:2024");
        EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), RowOf("Time Out"));
    });
    const auto boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "A sharing violation occurred while accessing 1.vnt.");
    EXPECT_TRUE(FileExists("1.vnt"));
}

struct OpenedAddress {
    const char* line;
    const char* opened; // nullptr: nothing is opened
};

TEST_F(BrowseSelect, DoubleClickOpensOnlyTheWebAddressALineHolds) {
    WriteThreePages();
    const OpenedAddress cases[] = {
        {"http://a.example/", "http://a.example/"},
        {"UPDATE http://a.example/", "http://a.example/"},
        {"Page Error https://b.example/page", "https://b.example/page"},
        {"Error http://gone.example/", "http://gone.example/"}, // needs no record
        {"HTTP://CAPS.EXAMPLE/", "HTTP://CAPS.EXAMPLE/"},
        {"Time Out", nullptr},
        {"File Not Found", nullptr},
        // Capitals: no "http" to cut at, so the whole line is no address.
        {"UPDATE HTTP://CAPS.EXAMPLE/", nullptr},
        // Text from a line that is no web address never reaches the desktop's opener.
        {"file:///etc/passwd", nullptr},
        {"Error ftp://files.example/http-docs", nullptr},
        {"UPDATE http:relative", nullptr},
    };
    WithWindow([&] {
        for (const OpenedAddress& c : cases) {
            if (c.line != std::string("http://a.example/")) {
                PostLine(c.line);
            }
        }
        for (const OpenedAddress& c : cases) {
            SCOPED_TRACE(c.line);
            m_opened.clear();
            DoubleClickRow(RowOf(c.line));
            if (c.opened != nullptr) {
                EXPECT_EQ(m_opened, std::vector<std::string>{c.opened});
            } else {
                EXPECT_TRUE(m_opened.empty()) << m_opened.front();
            }
        }
        // The double-click's selection change came first: the fields show the line's page.
        m_opened.clear();
        DoubleClickRow(RowOf("Page Error https://b.example/page"));
        EXPECT_EQ(ShownTitle(), "Beta");
        EXPECT_EQ(m_opened, std::vector<std::string>{"https://b.example/page"});
    });
}

TEST_F(BrowseSelect, DoubleClickWithNoLineSelectedOpensNothing) {
    const WPARAM doubleClick = MAKEWPARAM(IDC_PAGES, LBN_DBLCLK);
    WithWindow([&] {
        // An empty list: on the list itself, and as the notification alone.
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        m_dlg.SendMessage(WM_COMMAND, doubleClick, 0);
        EXPECT_TRUE(m_opened.empty());

        PostLine("http://a.example/");
        ASSERT_EQ(m_dlg.m_listPages.GetCurSel(), LB_ERR);
        m_dlg.SendMessage(WM_COMMAND, doubleClick, 0);
        EXPECT_TRUE(m_opened.empty());
    });
}

TEST_F(BrowseSelect, TheMakersButtonOpensItsWebSiteInEveryState) {
    ASSERT_TRUE(IsWebAddress(kMakerSiteAddress));
    WriteThreePages();
    WithWindow([&] {
        ClickButton(IDC_GOTOSITE);
        EXPECT_EQ(m_opened, std::vector<std::string>{kMakerSiteAddress});

        // With a line selected, and while a job runs, it does the same and nothing else.
        ClickRow(RowOf("https://c.example/"));
        const std::vector<std::string> lines = ListLines();
        g_bWorkerBusy = 1;
        ClickButton(IDC_GOTOSITE);
        g_bWorkerBusy = 0;
        EXPECT_EQ(m_opened, (std::vector<std::string>{kMakerSiteAddress, kMakerSiteAddress}));
        EXPECT_EQ(ListLines(), lines);
        EXPECT_EQ(ShownTitle(), "Gamma");
    });
    for (const char* file : {"1.vnt", "2.vnt", "3.vnt"}) {
        EXPECT_TRUE(FileExists(file)) << file;
    }
}

} // namespace
