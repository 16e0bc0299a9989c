// The window menu's Page Rules on the real window: the dialog's rules stored as varnolt-cli reads
// them, refused rules leaving nothing stored, the preview matching varnolt-cli show, Escape and
// Clear, and the rules shown beside the selected page's title.
#include "records/PageRules.h"
#include "PageRulesDlg.h"
#include "cli/Commands.h"
#include "window/BrowseFixture.h"

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include <iostream>
#include <sstream>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr const char* kPageUrl = "http://a.example/";
constexpr const char* kPage = "<html><body><h1>Shop</h1><p id='price'>12 EUR</p>\n"
                              "<p>Visitors: 3127</p></body></html>";

// What a varnolt-cli verb prints, run in the same folder.
std::string PrintedBy(const std::function<int()>& verb, int expectedExit = 0) {
    std::ostringstream printed;
    std::streambuf* const old = std::cout.rdbuf(printed.rdbuf());
    const int exit = verb();
    std::cout.rdbuf(old);
    EXPECT_EQ(exit, expectedExit);
    return printed.str();
}

std::string CliRules() {
    return PrintedBy([] { return RunRules("1", RulesChange{}); });
}
std::string CliShow() {
    return PrintedBy([] { return RunShow("1", false, false, kDefaultTimeoutSeconds); });
}
void CliSetRules(const PageRules& rules) {
    PrintedBy([&] { return RunRules("1", RulesChange{false, false, rules}); });
}

class PageRulesWindow : public BrowsePages {
protected:
    void SetUp() override {
        BrowsePages::SetUp();
        WriteWholeFile("1.vnt", std::string(kPageUrl) + "|Shop|1:2:2024*" + kPage);
    }

    // Chooses Page Rules from the window menu with the first line selected; action runs once
    // the dialog is up (and ends it). Yields nothing: what it did is seen on disk and in boxes.
    void WithRulesDialog(const std::function<void(CPageRulesDlg&, DialogWindow&)>& action) {
        ClickRow(RowOf(kPageUrl));
        bool shown = false;
        WhenModalTemplateShows(
            IDD_PAGERULES,
            [&](DialogWindow& window) {
                shown = true;
                auto& dialog = dynamic_cast<CPageRulesDlg&>(window.Owner());
                action(dialog, window);
                if (!window.Ended()) {
                    dialog.EndDialog(-2);
                }
            },
            &Window());
        m_dlg.SendMessage(WM_SYSCOMMAND, IDM_PAGERULES);
        EXPECT_TRUE(shown);
    }

    static QPlainTextEdit* Lines(DialogWindow& window, int id) {
        return dynamic_cast<QPlainTextEdit*>(window.Control(id));
    }
    static std::string Preview(DialogWindow& window) {
        return Lines(window, IDC_RULEPREVIEW)->toPlainText().toStdString();
    }
    static std::string PreviewState(DialogWindow& window) {
        return dynamic_cast<QLabel*>(window.Control(IDC_RULEPREVIEWSTATE))->text().toStdString();
    }
    // Lets the preview's worker finish and its result be taken by the dialog's own timer.
    static void PreviewSettles(CPageRulesDlg& dialog, DialogWindow& window) {
        EXPECT_TRUE(SpinUntil([&] {
            return !dialog.PreviewBusy() &&
                   window.TimerInterval(CPageRulesDlg::kPreviewDoneTimer) == -1;
        }));
    }
    // The edits of a person: typed into the fields, the text box ticked.
    static void TypeRules(DialogWindow& window, const std::string& css, bool text,
                          const std::string& ignore) {
        QTest::keyClicks(Lines(window, IDC_RULECSS), QString::fromStdString(css));
        if (text) {
            QTest::mouseClick(window.Control(IDC_RULETEXT), Qt::LeftButton);
        }
        QTest::keyClicks(Lines(window, IDC_RULEIGNORE), QString::fromStdString(ignore));
    }
};

TEST_F(PageRulesWindow, OkStoresTheRulesAsVarnoltCliReadsThemAndShowsThemByTheTitle) {
    WithWindow([&] {
        WithRulesDialog([&](CPageRulesDlg&, DialogWindow& window) {
            TypeRules(window, "#price", true, "^Visitors");
            QTest::keyClick(window.Control(IDC_RULETEXT), Qt::Key_Return);
            EXPECT_TRUE(window.Ended());
        });
        EXPECT_THAT(ShownTitle(), StartsWith("Shop [rules: --css #price"));
    });
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
    EXPECT_EQ(CliRules(), "--css #price\n--text\n--ignore ^Visitors\n");
}

TEST_F(PageRulesWindow, RulesThatDoNotApplyAreRefusedByNameAndNothingIsStored) {
    struct Case {
        const char* css;
        const char* ignore;
        const char* named; // the rule the box names
    };
    const Case cases[] = {
        {"#nothing", "", "--css #nothing"},
        {"p[", "", "p["},
        {"#price", "(unclosed", "(unclosed"},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.named);
        WithWindow([&] {
            WithRulesDialog([&](CPageRulesDlg&, DialogWindow& window) {
                TypeRules(window, refused.css, false, refused.ignore);
                AfxAnswerNextMessageBox(IDOK);
                QTest::mouseClick(window.Control(IDOK), Qt::LeftButton);
                EXPECT_FALSE(window.Ended()); // the rules can be mended
                QTest::keyClick(&window, Qt::Key_Escape);
            });
            EXPECT_EQ(ShownTitle(), "Shop");
        });
        const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_THAT(boxes[0].text, HasSubstr(refused.named));
        EXPECT_THAT(boxes[0].text, HasSubstr("left as they were"));
        EXPECT_FALSE(FileExists(RulesFileName("1.vnt")));
        EXPECT_EQ(CliRules(), "");
    }
}

TEST_F(PageRulesWindow, PreviewFollowsTheEditsAfterTheirPauseAndEqualsVarnoltCliShow) {
    PageRules headline;
    headline.css = {"h1"};
    CliSetRules(headline);
    const std::string shownByCliBefore = CliShow();
    std::string previewAfterEdit;
    WithWindow([&] {
        WithRulesDialog([&](CPageRulesDlg& dialog, DialogWindow& window) {
            // The stored rules are in the fields and previewed at once.
            EXPECT_EQ(Lines(window, IDC_RULECSS)->toPlainText().toStdString(), "h1");
            PreviewSettles(dialog, window);
            EXPECT_EQ(Preview(window) + "\n", shownByCliBefore);

            // An edit only arms the wait; the preview changes once it has passed.
            Lines(window, IDC_RULECSS)->clear();
            TypeRules(window, "#price", true, "");
            EXPECT_EQ(window.TimerInterval(CPageRulesDlg::kPreviewDelayTimer),
                      static_cast<int>(CPageRulesDlg::kPreviewDelayMs));
            EXPECT_EQ(Preview(window) + "\n", shownByCliBefore);
            dialog.SendMessage(WM_TIMER, CPageRulesDlg::kPreviewDelayTimer);
            EXPECT_EQ(window.TimerInterval(CPageRulesDlg::kPreviewDelayTimer), -1);
            PreviewSettles(dialog, window);
            previewAfterEdit = Preview(window);
            EXPECT_THAT(PreviewState(window), IsEmpty());
            QTest::mouseClick(window.Control(IDOK), Qt::LeftButton);
        });
    });
    EXPECT_EQ(previewAfterEdit + "\n", CliShow());
    EXPECT_NE(CliShow(), shownByCliBefore);
}

TEST_F(PageRulesWindow, PreviewSaysWhyRulesDoNotApplyAndIsBoundedOnABigPage) {
#if defined(__SANITIZE_THREAD__)
    // The toolkit draws a preview this large on threads of its own pool, and hands its buffers
    // over by atomics inside its libraries, which are built without the thread sanitizer: it
    // would report the toolkit's own hand-over as races. The preview's worker is checked under
    // the sanitizer by the other preview tests.
    GTEST_SKIP() << "the toolkit's drawing threads are not seen by the thread sanitizer";
#endif
    std::string big = "<html><body>";
    for (int line = 0; line < 20000; ++line) {
        big += "<p>line " + std::to_string(line) + "</p>\n";
    }
    big += "</body></html>";
    WriteWholeFile("1.vnt", std::string(kPageUrl) + "|Shop|1:2:2024*" + big);
    WithWindow([&] {
        WithRulesDialog([&](CPageRulesDlg& dialog, DialogWindow& window) {
            PreviewSettles(dialog, window);
            EXPECT_LE(Preview(window).size(), CPageRulesDlg::kPreviewLimit);
            EXPECT_THAT(Preview(window), StartsWith("<html><body><p>line 0</p>"));
            EXPECT_THAT(PreviewState(window), HasSubstr("Cut: the first 64 KiB"));

            TypeRules(window, "#nothing", false, "");
            dialog.SendMessage(WM_TIMER, CPageRulesDlg::kPreviewDelayTimer);
            PreviewSettles(dialog, window);
            EXPECT_THAT(Preview(window), IsEmpty());
            EXPECT_THAT(PreviewState(window), HasSubstr("--css #nothing matches nothing"));
        });
    });
}

TEST_F(PageRulesWindow, EscapeLeavesTheRulesAndClearRemovesThem) {
    PageRules stored;
    stored.css = {"#price"};
    stored.text = true;
    CliSetRules(stored);
    const std::string rulesBefore = CliRules();
    WithWindow([&] {
        WithRulesDialog([&](CPageRulesDlg&, DialogWindow& window) {
            // The keyboard walks the rules in the order they apply, Tab never typed into them.
            for (const int id : {IDC_RULESELECT, IDC_RULECSS, IDC_RULETEXT, IDC_RULEIGNORE}) {
                EXPECT_EQ(window.focusWidget(), window.Control(id)) << id;
                QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
            }
            EXPECT_EQ(Lines(window, IDC_RULESELECT)->toPlainText(), "");
            TypeRules(window, " p", false, "^12");
            QTest::keyClick(&window, Qt::Key_Escape);
            EXPECT_TRUE(window.Ended());
        });
        EXPECT_THAT(ShownTitle(), StartsWith("Shop [rules:"));
    });
    EXPECT_EQ(CliRules(), rulesBefore);

    WithWindow([&] {
        WithRulesDialog([&](CPageRulesDlg&, DialogWindow& window) {
            QTest::mouseClick(window.Control(IDC_RULECLEAR), Qt::LeftButton);
            EXPECT_TRUE(window.Ended());
        });
        EXPECT_EQ(ShownTitle(), "Shop");
    });
    EXPECT_EQ(CliRules(), "");
    EXPECT_FALSE(FileExists(RulesFileName("1.vnt")));
}

TEST_F(PageRulesWindow, WithoutASelectedPageABoxSaysToSelectOne) {
    WithWindow([&] {
        AfxAnswerNextMessageBox(IDOK);
        m_dlg.SendMessage(WM_SYSCOMMAND, IDM_PAGERULES);
    });
    const std::vector<AfxAnsweredMessageBox> boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].text, HasSubstr("Select a page in the list first"));
}

} // namespace
