// Template 102 as the window shows it: the controls, their order, texts, places and keys.
#include "window/WindowFixture.h"

#include "platform/framework/ListBoxView.h"
#include "platform/framework/ProgressBarWidget.h"
#include "resources/Resources.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cstring>

namespace {

struct ExpectedControl {
    int id;
    const char* windowClass;
    const char* templateText;
    const char* shownText; // after the window has initialised; nullptr: shows no text
    short x, y, cx, cy;
    std::uint32_t style, exStyle;
};

// The window's fixed layout, written out here as plain numbers: however resources/Dialogs.cpp
// spells its template (named flags, named ids), it must come to exactly these values.
const ExpectedControl kExpected[] = {
    {2, "Button", "Exit", "Exit", 258, 91, 50, 14, 0x50010000, 0},
    {1002, "Edit", "", "http://", 59, 5, 196, 12, 0x50810080, 0},
    {-1, "Static", "Webpage URL", "Webpage URL", 5, 6, 53, 8, 0x50020000, 0},
    {1, "Button", "Add URL", "Add URL", 258, 4, 50, 14, 0x50010000, 0},
    {-1, "Static", "Webpage Name", "Webpage Name", 4, 141, 62, 8, 0x50020000, 0},
    {1005, "Static", "Static", "", 62, 141, 98, 9, 0x50021000, 0},
    {1007, "Button", "Delete URL", "Delete URL", 258, 21, 50, 14, 0x50010000, 0},
    {-1, "Static", "Last Check  ", "Last Check  ", 258, 125, 49, 11, 0x50020000, 0x200},
    {1008, "Static", "", "", 257, 141, 49, 9, 0x50020000, 0x200},
    {1009, "Button", "Start", "Start", 257, 38, 50, 14, 0x50010000, 0},
    {1010, "Button", "Stop", "Stop", 258, 56, 50, 14, 0x50010000, 0},
    {1011, "msctls_progress32", "Progress1", nullptr, 164, 141, 87, 9, 0x50800000, 0},
    {1012, "ListBox", "", nullptr, 5, 21, 249, 116, 0x50B10103, 0},
    {1014, "Button", "Go to Quorvane", "Go to Quorvane", 258, 73, 50, 14, 0x50010000, 0},
};

const DialogTemplate* MainTemplate() {
    for (const DialogTemplate& candidate : VntResources().dialogs) {
        if (candidate.id == 102) {
            return &candidate;
        }
    }
    return nullptr;
}

TEST(MainDialogTemplate, HoldsTheWindowsPropertiesAndItsFourteenControlsInOrder) {
    const DialogTemplate* dialog = MainTemplate();
    ASSERT_NE(dialog, nullptr);
    EXPECT_STREQ(dialog->caption, "Varnolt");
    EXPECT_EQ(dialog->language, 1033);
    EXPECT_EQ(dialog->version, 1);
    EXPECT_EQ(dialog->menu, nullptr);
    EXPECT_EQ(dialog->windowClass, nullptr);
    EXPECT_STREQ(dialog->fontFace, "MS Sans Serif");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->weight, 400);
    EXPECT_FALSE(dialog->italic);
    EXPECT_EQ(dialog->charset, 1);
    EXPECT_EQ(QRect(dialog->x, dialog->y, dialog->cx, dialog->cy), QRect(0, 0, 311, 154));
    EXPECT_EQ(dialog->style, 0x80CA00C0u);
    EXPECT_EQ(dialog->exStyle, 0x00040200u);
    ASSERT_EQ(dialog->items.size(), std::size(kExpected));
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
        const DialogItemTemplate& item = dialog->items[i];
        const ExpectedControl& want = kExpected[i];
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(::strcasecmp(item.windowClass, want.windowClass), 0) << item.windowClass;
        EXPECT_STREQ(item.text, want.templateText);
        EXPECT_EQ(QRect(item.x, item.y, item.cx, item.cy), QRect(want.x, want.y, want.cx, want.cy));
        EXPECT_EQ(item.style, want.style);
        EXPECT_EQ(item.exStyle, want.exStyle);
    }
}

// What the style words say, bit by bit: every control a visible child window, none disabled,
// and a tab stop on exactly the eight controls that Tab visits.
TEST(MainDialogTemplate, EveryControlIsAVisibleEnabledChildAndTabStopsAreTheTabOrder) {
    constexpr std::uint32_t kChild = 0x40000000;
    constexpr std::uint32_t kVisible = 0x10000000;
    constexpr std::uint32_t kDisabled = 0x08000000;
    constexpr std::uint32_t kTabStop = 0x00010000;
    const std::vector<int> tabOrder = {2, 1002, 1, 1007, 1009, 1010, 1012, 1014};
    const DialogTemplate* dialog = MainTemplate();
    ASSERT_NE(dialog, nullptr);
    std::vector<int> withTabStop;
    for (const DialogItemTemplate& item : dialog->items) {
        SCOPED_TRACE(item.text);
        EXPECT_EQ(item.style & (kChild | kVisible | kDisabled), kChild | kVisible);
        if (item.style & kTabStop) {
            withTabStop.push_back(item.id);
        }
    }
    EXPECT_EQ(withTabStop, tabOrder);
}

TEST_F(MainWindow, ShowsTheFourteenControlsInTemplateOrderWithTheirTexts) {
    WithWindow([&] {
        const std::vector<QWidget*>& controls = Window().Controls();
        ASSERT_EQ(controls.size(), std::size(kExpected));
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const ExpectedControl& want = kExpected[i];
            QWidget* control = controls[i];
            SCOPED_TRACE(want.templateText);
            EXPECT_TRUE(control->isVisible());
            EXPECT_TRUE(control->isEnabled());
            EXPECT_EQ(control->property("afxControlId").toInt(), want.id);
            const std::string cls = want.windowClass;
            if (cls == "Button") {
                auto* button = qobject_cast<QPushButton*>(control);
                ASSERT_NE(button, nullptr);
                EXPECT_EQ(button->text().toStdString(), want.shownText);
                EXPECT_FALSE(button->isDefault());
            } else if (cls == "Edit") {
                auto* edit = qobject_cast<QLineEdit*>(control);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->text().toStdString(), want.shownText);
            } else if (cls == "Static") {
                auto* label = qobject_cast<QLabel*>(control);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text().toStdString(), want.shownText);
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                EXPECT_TRUE(label->wordWrap());
            } else if (cls == "ListBox") {
                EXPECT_NE(dynamic_cast<ListBoxView*>(control), nullptr);
            } else {
                EXPECT_NE(dynamic_cast<ProgressBarWidget*>(control), nullptr);
            }
        }
    });
}

TEST_F(MainWindow, GeometryFollowsTheTemplateThroughTheDialogFontsUnits) {
    WithWindow([&] {
        // The base units of the font the window really uses: average width of the 52 letters
        // and the font's height.
        const QFontMetrics metrics(Window().font());
        const int baseX =
            (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") /
                 26 +
             1) /
            2;
        const int baseY = metrics.height();
        EXPECT_EQ(Window().font().pointSize(), 8);
        auto x = [&](int v) { return (v * baseX + 2) / 4; };
        auto y = [&](int v) { return (v * baseY + 4) / 8; };

        EXPECT_EQ(Window().Client()->size(), QSize(x(311), y(154)));
        for (std::size_t i = 0; i < std::size(kExpected); ++i) {
            const ExpectedControl& want = kExpected[i];
            EXPECT_EQ(Window().Controls()[i]->geometry(),
                      QRect(x(want.x), y(want.y), x(want.cx), y(want.cy)))
                << want.templateText;
        }
        // The right-hand column lines up, and "Start" sits one unit left of the others.
        EXPECT_EQ(ControlOf(1)->x(), ControlOf(2)->x());
        EXPECT_LT(ControlOf(1009)->x(), ControlOf(1010)->x());
    });
}

TEST_F(MainWindow, HasAFixedSizeAMinimiseBoxNoMaximiseBoxAndOpensCentred) {
    WithWindow([&] {
        DialogWindow& window = Window();
        EXPECT_EQ(window.windowTitle(), "Varnolt");
        EXPECT_EQ(window.minimumSize(), window.maximumSize());
        EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        EXPECT_LE((window.frameGeometry().center() - screenCentre).manhattanLength(), 2);
    });
}

TEST_F(MainWindow, FocusStartsOnExitAndTabFollowsTheTemplateOrder) {
    std::vector<int> order;
    WithWindow([&] {
        for (int i = 0; i < 9; ++i) {
            QWidget* focus = Window().focusWidget();
            order.push_back(focus ? focus->property("afxControlId").toInt() : 0);
            QTest::keyClick(focus ? focus : &Window(), Qt::Key_Tab);
        }
    });
    EXPECT_EQ(order, (std::vector<int>{2, 1002, 1, 1007, 1009, 1010, 1012, 1014, 2}));
}

TEST_F(MainWindow, EnterRightAfterStartPressesExit) {
    const INT_PTR result =
        WithWindow([&] { QTest::keyClick(Window().focusWidget(), Qt::Key_Return); });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MainWindow, EnterInTheAddressBoxIsAddUrlAndNeverClosesTheWindow) {
    bool stillOpen = false;
    const INT_PTR result = WithWindow([&] {
        QTest::mouseClick(ControlOf(1002), Qt::LeftButton);
        QTest::keyClick(ControlOf(1002), Qt::Key_Return);
        stillOpen = Window().isVisible() && !Window().Ended();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, -2);
}

struct CloseCase {
    const char* name;
    std::function<void(CVntDlg&, DialogWindow&)> close;
};

TEST_F(MainWindow, EveryWayOfClosingEndsTheDialogWithIdcancel) {
    const CloseCase cases[] = {
        {"Escape",
         [](CVntDlg&, DialogWindow& w) { QTest::keyClick(w.focusWidget(), Qt::Key_Escape); }},
        {"CloseBox", [](CVntDlg&, DialogWindow& w) { w.close(); }},
        {"MenuClose", [](CVntDlg& d, DialogWindow&) { d.SendMessage(WM_SYSCOMMAND, SC_CLOSE); }},
        {"ExitButton",
         [](CVntDlg& d, DialogWindow&) {
             qobject_cast<QPushButton*>(AfxControlWidget(d, 2))->click();
         }},
    };
    for (const CloseCase& c : cases) {
        CTestableVntDlg dlg;
        const INT_PTR result = RunModal(dlg, [&] { c.close(dlg, *AfxDialogWindow(dlg)); });
        EXPECT_EQ(result, IDCANCEL) << c.name;
        if (result != IDCANCEL) {
            dlg.EndDialog(-2);
        }
    }
}

TEST_F(MainWindow, F1DoesNothingHarmful) {
    const INT_PTR result = WithWindow([&] {
        QTest::keyClick(Window().focusWidget(), Qt::Key_F1);
        EXPECT_EQ(QApplication::activeModalWidget(), &Window());
        EXPECT_FALSE(Window().Ended());
    });
    EXPECT_EQ(result, -2);
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
}

TEST_F(MainWindow, PageTextsShowAsPlainTextAndUnaddedTypingIsReplacedOnLoad) {
    WithWindow([&] {
        m_dlg.m_strPageName = "<b>Deals</b> &amp; <i>news</i>";
        m_dlg.m_strCheckDate = "4:5:2024";
        ControlOf<QLineEdit>(1002)->setText("http://typed.example");
        m_dlg.UpdateData(FALSE);
        EXPECT_EQ(ControlOf<QLabel>(1005)->text(), "<b>Deals</b> &amp; <i>news</i>");
        EXPECT_EQ(ControlOf<QLabel>(1008)->text(), "4:5:2024");
        EXPECT_EQ(ControlOf<QLineEdit>(1002)->text(), "http://");
    });
}

} // namespace
