// The window menu's Show Changes on the real window: the selected page's report handed to the
// desktop's opener (recording here), or a message box saying why there is none.
#include "window/BrowseFixture.h"

#include "records/PageHistory.h"
#include "records/RecordWriter.h"
#include "support/ScopedEnvironment.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ShowChanges : public BrowsePages {
protected:
    void SetUp() override {
        BrowsePages::SetUp();
        m_environment.Set("XDG_CACHE_HOME", m_workingDirectory.Path() + "/cache");
    }
    std::string ReportPath() const {
        return m_workingDirectory.Path() + "/cache/varnolt/report.html";
    }

    // Chooses Show Changes from the window menu; the message box it shows, if any, is answered.
    void ChooseShowChanges() {
        AfxAnswerNextMessageBox(IDOK);
        m_dlg.SendMessage(WM_SYSCOMMAND, IDM_SHOWCHANGES);
    }

    ScopedEnvironment m_environment;
};

TEST_F(ShowChanges, OpensTheReportOfTheSelectedPagesLastChange) {
    WriteRecord("1.vnt", "http://a.example/", "Alpha", "1:2:2024");
    // The page changed once: its old copy kept, the record holding the new one.
    WriteWholeFile("2.vnt", "https://b.example/page|Beta|3:4:2025*<p>old words</p>");
    ASSERT_EQ(KeepVersion("2.vnt", ReadWholeFile("2.vnt"), HistoryLimits{}), 0);
    WriteWholeFile("2.vnt", "https://b.example/page|Beta|4:4:2025*<p>new words</p>");
    WithWindow([&] {
        ClickRow(RowOf("https://b.example/page"));
        ChooseShowChanges();
        EXPECT_EQ(ShownTitle(), "Beta"); // the window stays as it was
        EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), RowOf("https://b.example/page"));
    });
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
    EXPECT_THAT(m_opened, ElementsAre(ReportPath()));
    const std::string report = ReadWholeFile(ReportPath());
    EXPECT_THAT(report, HasSubstr("Beta"));
    EXPECT_THAT(report, HasSubstr("&lt;p&gt;<del>old</del> words&lt;/p&gt;"));
    EXPECT_THAT(report, HasSubstr("&lt;p&gt;<ins>new</ins> words&lt;/p&gt;"));
}

TEST_F(ShowChanges, SaysWhyWhenThereIsNoChangeToShow) {
    WriteRecord("1.vnt", "http://a.example/", "Alpha", "1:2:2024");
    struct Case {
        const char* line; // the line selected first, or none
        const char* says;
    };
    const Case cases[] = {
        {nullptr, "Select a page in the list first"},
        {"http://a.example/", "This page has no earlier version"},
        {"Time Out", "The selected line names no stored page"},
    };
    WithWindow([&] {
        PostLine("Time Out");
        for (const Case& shown : cases) {
            SCOPED_TRACE(shown.says);
            if (shown.line != nullptr) {
                ClickRow(RowOf(shown.line));
            }
            ChooseShowChanges();
            const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_THAT(boxes[0].text, HasSubstr(shown.says));
        }
    });
    EXPECT_TRUE(m_opened.empty());
    EXPECT_FALSE(FileExists(ReportPath()));
}

} // namespace
