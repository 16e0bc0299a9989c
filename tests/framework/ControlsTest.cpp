// The list box, the progress bar and the data exchange on the probe dialog's real controls.
#include "framework/GuiTesting.h"
#include "framework/ProbeDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTest>

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override { UseProbeResources(); }

    // Runs the body inside the probe dialog's modal run.
    void WithDialog(const std::function<void()>& body) {
        RunModal(m_dlg, [&] {
            body();
            m_dlg.EndDialog(IDCANCEL);
        });
    }
    std::vector<std::string> Lines(CListBox& list) {
        std::vector<std::string> lines;
        for (int i = 0; i < list.GetCount(); ++i) {
            std::string text;
            list.GetText(i, text);
            lines.push_back(text);
        }
        return lines;
    }
    QString Shown(int id, int row) {
        auto* view = dynamic_cast<QListView*>(AfxControlWidget(m_dlg, id));
        return view->model()->index(row, 0).data().toString();
    }

    CProbeDlg m_dlg;
};

TEST_F(Controls, SortedListPlacesLinesIgnoringCaseAndKeepsEqualOnes) {
    WithDialog([&] {
        for (const char* line : {"UPDATE http://b", "http://a", "Error http://c", "update http://b",
                                 "Page Error http://d", "HTTP://A", "http://a"}) {
            m_dlg.m_list.AddString(line);
        }
        EXPECT_EQ(Lines(m_dlg.m_list),
                  (std::vector<std::string>{"Error http://c", "http://a", "HTTP://A", "http://a",
                                            "Page Error http://d", "UPDATE http://b",
                                            "update http://b"}));
        EXPECT_EQ(m_dlg.m_list.AddString("f"), 1); // its index: after "Error ...", before "http"
    });
}

// Filling a sorted list: the order that adding the lines one after the other gives, whether they
// come one at a time or all at once (one stable sort).
struct FillCase {
    const char* name;
    std::vector<std::string> lines;    // in arrival order
    std::vector<std::string> expected; // the list's order
};

void PrintTo(const FillCase& c, std::ostream* os) {
    *os << c.name;
}

class SortedFill : public Controls, public ::testing::WithParamInterface<FillCase> {};

TEST_P(SortedFill, AllAtOnceGivesTheOrderOfOneAtATime) {
    const FillCase& c = GetParam();
    WithDialog([&] {
        m_dlg.m_list.AddStrings(c.lines);
        EXPECT_EQ(Lines(m_dlg.m_list), c.expected) << "all at once";
        m_dlg.m_list.ResetContent();
        for (const std::string& line : c.lines) {
            m_dlg.m_list.AddString(line);
        }
        EXPECT_EQ(Lines(m_dlg.m_list), c.expected) << "one at a time";
    });
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SortedFill,
    ::testing::Values(FillCase{"letter case ignored", {"b", "C", "a", "B2"}, {"a", "b", "B2", "C"}},
                      FillCase{"lines differing only in case keep arrival order",
                               {"http://x/", "HTTP://X/", "Http://x/", "http://X/"},
                               {"http://x/", "HTTP://X/", "Http://x/", "http://X/"}},
                      FillCase{"equal lines all stay, among others",
                               {"m", "z", "m", "a", "M", "m"},
                               {"a", "m", "m", "M", "m", "z"}},
                      FillCase{"status lines group by their first word",
                               {"UPDATE http://b", "http://a", "Error http://c", "update http://b",
                                "Page Error http://d", "HTTP://A", "http://a"},
                               {"Error http://c", "http://a", "HTTP://A", "http://a",
                                "Page Error http://d", "UPDATE http://b", "update http://b"}},
                      // Latin-1 and UTF-8 bytes of the same text, in either case, compare equal.
                      FillCase{"the shown text is compared, not the bytes",
                               {"caf\xC3\xA9", "cafz", "CAF\xC3\x89", "caf\xE9", "cafa"},
                               {"cafa", "cafz", "caf\xC3\xA9", "CAF\xC3\x89", "caf\xE9"}},
                      // Folded to small letters, these stand between capitals and small ones.
                      FillCase{"punctuation against folded letters",
                               {"xz", "x_", "xA", "x[", "X^"},
                               {"x[", "X^", "x_", "xA", "xz"}},
                      FillCase{
                          "a prefix sorts first", {"ab", "a", "abc", "A"}, {"a", "A", "ab", "abc"}},
                      // Lines alike in their first eight letters after the beginning they
                      // all share ("http://site-"), and lines ending within those eight.
                      FillCase{"a long shared beginning, then alike for eight letters",
                               {"http://site-12345678b", "HTTP://SITE-12345678A",
                                "http://site-1234", "http://site-12345678", "http://site-2"},
                               {"http://site-1234", "http://site-12345678", "HTTP://SITE-12345678A",
                                "http://site-12345678b", "http://site-2"}},
                      FillCase{"a line that is only the shared beginning",
                               {"http://b", "http://", "HTTP://a"},
                               {"http://", "HTTP://a", "http://b"}},
                      FillCase{"a zero byte sorts after the end of a line",
                               {std::string("ab\0c", 4), "ab", std::string("ab\0", 3)},
                               {"ab", std::string("ab\0", 3), std::string("ab\0c", 4)}},
                      FillCase{"shown text and bytes mixed after a shared beginning",
                               {"http://caf\xC3\xA9/x", "http://cafz", "http://CAFE"},
                               {"http://CAFE", "http://cafz", "http://caf\xC3\xA9/x"}},
                      FillCase{"nothing", {}, {}}));

struct PlaceCase {
    std::string added;
    int index; // where it goes in "b", "B", "d", "f"
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << '"' << c.added << "\" at " << c.index;
}

class AddStringPlacement : public Controls, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(AddStringPlacement, GoesAfterEveryLineThatSortsBeforeItOrEqual) {
    const PlaceCase& c = GetParam();
    WithDialog([&] {
        m_dlg.m_list.AddStrings({"d", "b", "f", "B"});
        EXPECT_EQ(m_dlg.m_list.AddString(c.added), c.index);
        std::vector<std::string> expected{"b", "B", "d", "f"};
        expected.insert(expected.begin() + c.index, c.added);
        EXPECT_EQ(Lines(m_dlg.m_list), expected);
    });
}

INSTANTIATE_TEST_SUITE_P(Places, AddStringPlacement,
                         ::testing::Values(PlaceCase{"a", 0}, PlaceCase{"b", 2}, PlaceCase{"B", 2},
                                           PlaceCase{"c", 2}, PlaceCase{"D", 3}, PlaceCase{"e", 3},
                                           PlaceCase{"F", 4}, PlaceCase{"g", 4}, PlaceCase{"", 0}));

TEST_F(Controls, AllAtOnceIntoAFilledListTakesTheSamePlacesAndKeepsTheSelection) {
    WithDialog([&] {
        m_dlg.m_list.AddStrings({"c", "a"});
        m_dlg.m_list.SetCurSel(1); // "c"
        m_dlg.m_list.AddStrings({"d", "C", "b"});
        EXPECT_EQ(Lines(m_dlg.m_list), (std::vector<std::string>{"a", "b", "c", "C", "d"}));
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), 2);
    });
}

TEST_F(Controls, UnsortedListKeepsArrivalOrder) {
    WithDialog([&] {
        m_dlg.m_plainList.AddString("b");
        EXPECT_EQ(m_dlg.m_plainList.AddString("a"), 1);
        EXPECT_EQ(Lines(m_dlg.m_plainList), (std::vector<std::string>{"b", "a"}));
    });
}

TEST_F(Controls, UnsortedListTakesManyLinesAtOnceInArrivalOrder) {
    WithDialog([&] {
        m_dlg.m_plainList.AddString("b");
        m_dlg.m_plainList.AddStrings({"c", "A", "b"});
        EXPECT_EQ(Lines(m_dlg.m_plainList), (std::vector<std::string>{"b", "c", "A", "b"}));
    });
}

TEST_F(Controls, ListGivesBackTheBytesItWasGivenAndShowsThemAsText) {
    const std::string latin1 = "http://x/caf\xE9";      // not UTF-8
    const std::string utf8 = "http://y/caf\xC3\xA9";    // é in UTF-8
    const std::string markup = "<b>bold</b> &amp; <i>"; // plain text, never markup
    WithDialog([&] {
        m_dlg.m_list.AddString(latin1);
        m_dlg.m_list.AddString(utf8);
        m_dlg.m_list.AddString(markup);
        EXPECT_EQ(Lines(m_dlg.m_list), (std::vector<std::string>{markup, latin1, utf8}));
        EXPECT_EQ(Shown(IDC_PROBE_LIST, 0), QString::fromUtf8("<b>bold</b> &amp; <i>"));
        EXPECT_EQ(Shown(IDC_PROBE_LIST, 1), QString::fromUtf8("http://x/caf\u00e9"));
        EXPECT_EQ(Shown(IDC_PROBE_LIST, 2), QString::fromUtf8("http://y/caf\u00e9"));
        EXPECT_EQ(m_dlg.m_list.GetTextLen(1), static_cast<int>(latin1.size()));
    });
}

TEST_F(Controls, ListSelectionDeletionAndReset) {
    WithDialog([&] {
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), LB_ERR);
        EXPECT_EQ(m_dlg.m_list.GetTopIndex(), 0);
        for (const char* line : {"c", "a", "b"}) {
            m_dlg.m_list.AddString(line);
        }
        EXPECT_EQ(m_dlg.m_list.SetCurSel(5), LB_ERR);
        EXPECT_EQ(m_dlg.m_list.SetCurSel(2), 2);
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), 2);
        EXPECT_EQ(m_dlg.m_list.DeleteString(0), 2);
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), 1); // the selected line moved up with the rest
        EXPECT_EQ(m_dlg.m_list.DeleteString(9), LB_ERR);
        std::string text = "stale";
        m_dlg.m_list.GetText(7, text);
        EXPECT_EQ(text, "");
        m_dlg.m_list.ResetContent();
        EXPECT_EQ(m_dlg.m_list.GetCount(), 0);
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), LB_ERR);
    });
}

TEST_F(Controls, TakingTheLinesEmptiesTheListAndYieldsThemInItsOrder) {
    WithDialog([&] {
        for (const char* line : {"c", "\xC3\xA9t\xC3\xA9", "A", "b"}) {
            m_dlg.m_list.AddString(line);
        }
        m_dlg.m_list.SetCurSel(1);
        const std::vector<std::string> shown = Lines(m_dlg.m_list);
        EXPECT_EQ(m_dlg.m_list.TakeStrings(), shown);
        EXPECT_EQ(m_dlg.m_list.GetCount(), 0);
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), LB_ERR);
        // The list takes lines again as an empty one does.
        m_dlg.m_list.AddStrings({"z", "y"});
        EXPECT_EQ(Lines(m_dlg.m_list), (std::vector<std::string>{"y", "z"}));
        EXPECT_EQ(Shown(IDC_PROBE_LIST, 0), "y");
    });
}

// A single-selection list never loses its line to the user: only emptying it or deleting the
// line does. Clicks and keys go to the real view, as the user's would.
struct KeepCase {
    const char* name;
    std::function<void(QListView&)> act;
};

TEST_F(Controls, ListKeepsItsSelectionAgainstEveryClickAndKey) {
    auto rowCentre = [](QListView& view, int row) {
        return view.visualRect(view.model()->index(row, 0)).center();
    };
    const KeepCase cases[] = {
        {"Ctrl+click on the selected line",
         [&](QListView& view) {
             QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier,
                               rowCentre(view, 1));
         }},
        {"click below the lines",
         [](QListView& view) {
             QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                               QPoint(5, view.viewport()->height() - 3));
         }},
        {"Ctrl+click below the lines",
         [](QListView& view) {
             QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier,
                               QPoint(5, view.viewport()->height() - 3));
         }},
        {"press below the lines, drag out and release",
         [&](QListView& view) {
             const QPoint below(5, view.viewport()->height() - 3);
             QTest::mousePress(view.viewport(), Qt::LeftButton, {}, below);
             QTest::mouseMove(view.viewport(), below + QPoint(10, 1));
             QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, below + QPoint(10, 1));
         }},
        {"Ctrl+Space",
         [](QListView& view) { QTest::keyClick(&view, Qt::Key_Space, Qt::ControlModifier); }},
    };
    WithDialog([&] {
        for (const char* line : {"a", "b", "c"}) {
            m_dlg.m_list.AddString(line);
        }
        auto* view = dynamic_cast<QListView*>(AfxControlWidget(m_dlg, IDC_PROBE_LIST));
        ASSERT_NE(view, nullptr);
        ASSERT_LT(rowCentre(*view, 2).y() + view->sizeHintForRow(0), view->viewport()->height() - 3)
            << "the list has room below its lines";
        view->setFocus();
        for (const KeepCase& c : cases) {
            SCOPED_TRACE(c.name);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCentre(*view, 1));
            ASSERT_EQ(m_dlg.m_list.GetCurSel(), 1);
            m_dlg.m_events.clear();
            c.act(*view);
            EXPECT_EQ(m_dlg.m_list.GetCurSel(), 1);
            EXPECT_EQ(view->selectionModel()->selectedIndexes().size(), 1);
            EXPECT_TRUE(m_dlg.m_events.empty()) << "no selection change is reported";
        }
        m_dlg.m_events.clear();
        // A click, plain or with Ctrl, on another line still moves the selection there.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rowCentre(*view, 2));
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), 2);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCentre(*view, 0));
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), 0);
        EXPECT_EQ(m_dlg.m_events, (std::vector<std::string>{"selchange", "selchange"}));
        // Deleting the line, or emptying the list, is what clears it.
        m_dlg.m_list.DeleteString(0);
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), LB_ERR);
        m_dlg.m_list.SetCurSel(0);
        m_dlg.m_list.ResetContent();
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), LB_ERR);
    });
}

TEST_F(Controls, TopIndexFollowsTheScrolledList) {
    WithDialog([&] {
        for (int i = 0; i < 100; ++i) {
            char line[8];
            std::snprintf(line, sizeof line, "%03d", i);
            m_dlg.m_list.AddString(line);
        }
        EXPECT_EQ(m_dlg.m_list.GetTopIndex(), 0);
        m_dlg.m_list.SetCurSel(99);
        const int top = m_dlg.m_list.GetTopIndex();
        EXPECT_GT(top, 50);
        EXPECT_LE(top, 99);
        auto* view = dynamic_cast<QListView*>(AfxControlWidget(m_dlg, IDC_PROBE_LIST));
        EXPECT_EQ(view->indexAt(QPoint(2, 2)).row(), top);
    });
}

struct StepCase {
    short lower, upper;
    int step, from, expected;
};

class ProgressSteps : public Controls, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ProgressSteps, StepItStartsOverPastTheEndKeepingTheRemainder) {
    const StepCase& c = GetParam();
    WithDialog([&] {
        m_dlg.m_bar.SetRange(c.lower, c.upper);
        m_dlg.m_bar.SetStep(c.step);
        m_dlg.m_bar.SetPos(c.from);
        EXPECT_EQ(m_dlg.m_bar.StepIt(), c.from);
        EXPECT_EQ(m_dlg.m_bar.GetPos(), c.expected);
    });
}

INSTANTIATE_TEST_SUITE_P(Progress, ProgressSteps,
                         ::testing::Values(StepCase{0, 100, 5, 0, 5}, StepCase{0, 100, 5, 95, 100},
                                           StepCase{0, 100, 5, 100, 5},
                                           StepCase{0, 100, 30, 90, 20},
                                           StepCase{10, 20, 4, 18, 12},
                                           StepCase{0, 100, -5, 0, 95}));

TEST_F(Controls, ProgressStartsWithTheControlsDefaultsAndClampsPositions) {
    WithDialog([&] {
        int lower = -1, upper = -1;
        m_dlg.m_bar.GetRange(lower, upper);
        EXPECT_EQ(lower, 0);
        EXPECT_EQ(upper, 100);
        m_dlg.m_bar.StepIt();
        EXPECT_EQ(m_dlg.m_bar.GetPos(), 10); // the default step
        EXPECT_EQ(m_dlg.m_bar.SetPos(150), 10);
        EXPECT_EQ(m_dlg.m_bar.GetPos(), 100);
        m_dlg.m_bar.SetPos(-3);
        EXPECT_EQ(m_dlg.m_bar.GetPos(), 0);
    });
}

TEST_F(Controls, DataExchangeLoadsAndSavesTextAsBytes) {
    WithDialog([&] {
        auto* edit = dynamic_cast<QLineEdit*>(AfxControlWidget(m_dlg, IDC_PROBE_EDIT));
        auto* label = dynamic_cast<QLabel*>(AfxControlWidget(m_dlg, IDC_PROBE_LABEL));

        m_dlg.m_strEdit = "http://x/\xE9t\xE9";
        m_dlg.m_strLabel = "<b>Title</b> | News";
        m_dlg.UpdateData(FALSE);
        EXPECT_EQ(edit->text(), QString::fromUtf8("http://x/\u00e9t\u00e9"));
        EXPECT_EQ(label->text(), QString::fromUtf8("<b>Title</b> | News"));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);

        // Unedited, the bytes come back exactly; edited, the typed text comes back as UTF-8.
        m_dlg.m_strEdit.clear();
        m_dlg.UpdateData(TRUE);
        EXPECT_EQ(m_dlg.m_strEdit, "http://x/\xE9t\xE9");
        edit->setText(QString::fromUtf8("http://\u00fc"));
        m_dlg.UpdateData(TRUE);
        EXPECT_EQ(m_dlg.m_strEdit, "http://\xC3\xBC");

        // A load that finds the text already shown leaves the control alone.
        edit->setCursorPosition(3);
        m_dlg.UpdateData(FALSE);
        EXPECT_EQ(edit->cursorPosition(), 3);
    });
}

// A multi-line edit keeps the lines typed (Enter starts one, Tab leaves the box) and tells each
// edit; a check box tells each click and exchanges its state; a read-only box takes no typing.
TEST_F(Controls, MultiLineEditsAndCheckBoxesExchangeAndTellTheirChanges) {
    WithDialog([&] {
        auto* lines = dynamic_cast<QPlainTextEdit*>(AfxControlWidget(m_dlg, IDC_PROBE_LINES));
        auto* check = dynamic_cast<QCheckBox*>(AfxControlWidget(m_dlg, IDC_PROBE_CHECK));
        auto* readOnly =
            dynamic_cast<QPlainTextEdit*>(AfxControlWidget(m_dlg, IDC_PROBE_READ_ONLY));
        ASSERT_NE(lines, nullptr);
        ASSERT_NE(check, nullptr);
        ASSERT_NE(readOnly, nullptr);

        lines->setFocus();
        QTest::keyClicks(lines, "a");
        QTest::keyClick(lines, Qt::Key_Return);
        QTest::keyClicks(lines, "b");
        QTest::keyClick(lines, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), check);
        EXPECT_EQ(m_dlg.m_events,
                  (std::vector<std::string>{"lines change", "lines change", "lines change"}));

        QTest::mouseClick(check, Qt::LeftButton);
        EXPECT_EQ(m_dlg.m_events.back(), "check");
        m_dlg.UpdateData(TRUE);
        EXPECT_EQ(m_dlg.m_strLines, "a\nb");
        EXPECT_EQ(m_dlg.m_nCheck, 1);

        m_dlg.m_nCheck = 0;
        m_dlg.m_strLines = "one\ntwo";
        m_dlg.UpdateData(FALSE);
        EXPECT_FALSE(check->isChecked());
        EXPECT_EQ(lines->toPlainText(), "one\ntwo");

        readOnly->setFocus();
        QTest::keyClicks(readOnly, "typed");
        EXPECT_EQ(readOnly->toPlainText(), "");
    });
}

} // namespace
