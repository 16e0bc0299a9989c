// The dialog framework on a real modal dialog: routing through command tables, keys, the close
// box, the window menu, the timer, dialog units and the report of a file exception.
#include "framework/GuiTesting.h"
#include "framework/ProbeDialog.h"
#include "platform/framework/DialogUnits.h"
#include "platform/framework/Menu.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace {

class DialogFramework : public ::testing::Test {
protected:
    void SetUp() override {
        UseProbeResources();
        AfxResetMessageBoxSeam();
    }
    void TearDown() override { AfxResetMessageBoxSeam(); }

    template <class T = QWidget> T* ControlOf(int id) {
        return dynamic_cast<T*>(AfxControlWidget(m_dlg, id));
    }
    DialogWindow& Window() { return *AfxDialogWindow(m_dlg); }

    CProbeDlg m_dlg;
};

TEST_F(DialogFramework, DoModalWithoutTemplateFailsAtOnce) {
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(DialogFramework, ButtonClicksAndListNotificationsReachTheirHandlers) {
    INT_PTR result = RunModal(m_dlg, [&] {
        m_dlg.m_list.AddString("beta");
        m_dlg.m_list.AddString("alpha");
        ControlOf<QPushButton>(IDC_PROBE_PRESS)->click();

        auto* list = ControlOf<QListView>(IDC_PROBE_LIST);
        const QRect second = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        EXPECT_EQ(m_dlg.m_list.GetCurSel(), 1);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_GE(m_dlg.m_events.size(), 3u);
    EXPECT_EQ(m_dlg.m_events[0], "press");
    EXPECT_EQ(m_dlg.m_events[1], "selchange");
    EXPECT_NE(std::find(m_dlg.m_events.begin(), m_dlg.m_events.end(), "dblclk"),
              m_dlg.m_events.end());
}

TEST_F(DialogFramework, ChangesFromCodeRaiseNoSelectionNotification) {
    RunModal(m_dlg, [&] {
        m_dlg.m_list.AddString("b");
        m_dlg.m_list.AddString("c");
        m_dlg.m_list.SetCurSel(1);
        m_dlg.m_list.AddString("a"); // moves the selected line down
        m_dlg.m_list.DeleteString(0);
        m_dlg.m_list.SetCurSel(-1);
        m_dlg.m_list.SetCurSel(0);
        m_dlg.m_list.ResetContent();
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(m_dlg.m_events.empty());
}

TEST_F(DialogFramework, UnhandledCommandsGoOnToTheApplicationsTable) {
    const int before = theProbeApp.m_helpCommands;
    RunModal(m_dlg, [&] {
        QTest::keyClick(&Window(), Qt::Key_F1);
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(theProbeApp.m_helpCommands, before + 1);
}

struct KeyCase {
    const char* name;
    int focusId;
    Qt::Key key;
    std::vector<std::string> events;
    INT_PTR result; // -2: still open, ended by the test
};

class DialogKeys : public DialogFramework, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DialogKeys, EnterPressesTheFocusedButtonElseIssuesIdok) {
    const KeyCase& c = GetParam();
    const INT_PTR result = RunModal(m_dlg, [&] {
        QWidget* focus = ControlOf(c.focusId);
        focus->setFocus();
        QTest::keyClick(focus, c.key);
        if (Window().isVisible()) {
            m_dlg.EndDialog(-2);
        }
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(m_dlg.m_events, c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeys,
    ::testing::Values(KeyCase{"EnterOnButton", IDC_PROBE_PRESS, Qt::Key_Return, {"press"}, -2},
                      KeyCase{"EnterOnCancelButton", IDCANCEL, Qt::Key_Return, {}, IDCANCEL},
                      KeyCase{"EnterInEdit", IDC_PROBE_EDIT, Qt::Key_Return, {"IDOK"}, -2},
                      KeyCase{"KeypadEnterInList", IDC_PROBE_LIST, Qt::Key_Enter, {"IDOK"}, -2},
                      KeyCase{"EscapeInEdit", IDC_PROBE_EDIT, Qt::Key_Escape, {}, IDCANCEL},
                      KeyCase{"EscapeOnButton", IDC_PROBE_PRESS, Qt::Key_Escape, {}, IDCANCEL}),
    [](const ::testing::TestParamInfo<KeyCase>& param) { return std::string(param.param.name); });

TEST_F(DialogFramework, CloseBoxGoesThroughTheWindowMenusCloseToIdcancel) {
    const INT_PTR result = RunModal(m_dlg, [&] { Window().close(); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(m_dlg.m_events, std::vector<std::string>{"syscommand 61536"});
}

TEST_F(DialogFramework, WindowMenuHoldsTheStandardItemsThenTheAppendedOnes) {
    std::vector<std::string> shown;
    RunModal(m_dlg, [&] {
        CMenu* menu = m_dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, IDM_PROBE_EXTRA, "&Extra");

        // A right-click on the background opens it; choosing the last item sends its id.
        QTimer::singleShot(0, &Window(), [&] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(popup, nullptr);
            for (QAction* action : popup->actions()) {
                shown.push_back(action->isSeparator() ? "-" : action->text().toStdString());
            }
            popup->actions().back()->trigger();
            popup->close();
        });
        QWidget* client = Window().Client();
        const QPoint background(client->width() - 2, client->height() - 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, background,
                                client->mapToGlobal(background));
        QApplication::sendEvent(client, &click);
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(shown,
              (std::vector<std::string>{"&Restore", "Mi&nimize", "&Close\tAlt+F4", "-", "&Extra"}));
    EXPECT_EQ(m_dlg.m_events, std::vector<std::string>{"syscommand 32"});
}

TEST_F(DialogFramework, AltSpaceOpensTheWindowMenuAndItsMinimizeMinimises) {
    bool opened = false;
    RunModal(m_dlg, [&] {
        QTimer::singleShot(0, &Window(), [&] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(popup, nullptr);
            opened = true;
            popup->actions()[1]->trigger(); // Minimize
            popup->close();
        });
        QTest::keyClick(&Window(), Qt::Key_Space, Qt::AltModifier);
        EXPECT_TRUE(m_dlg.IsIconic());
        m_dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        EXPECT_FALSE(m_dlg.IsIconic());
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(opened);
}

TEST_F(DialogFramework, TimerTicksArriveAsWmTimerWithTheirId) {
    RunModal(m_dlg, [&] {
        EXPECT_NE(m_dlg.SetTimer(7, 1, nullptr), 0u);
        EXPECT_TRUE(SpinUntil([&] { return m_dlg.m_ticks >= 2; }));
        EXPECT_TRUE(m_dlg.KillTimer(7));
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(m_dlg.m_events.front(), "timer 7");
}

TEST_F(DialogFramework, FileExceptionIsReportedAndAbandonsOnlyTheHandler) {
    AfxAnswerNextMessageBox(IDOK);
    RunModal(m_dlg, [&] {
        ControlOf<QPushButton>(IDC_PROBE_THROW)->click();
        EXPECT_TRUE(Window().isVisible()); // the dialog carries on
        ControlOf<QPushButton>(IDC_PROBE_PRESS)->click();
        m_dlg.EndDialog(IDCANCEL);
    });
    EXPECT_FALSE(m_dlg.m_passedThrow);
    EXPECT_EQ(m_dlg.m_events, (std::vector<std::string>{"throw", "press"}));
    const auto boxes = AfxTakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "A sharing violation occurred while accessing 7.vnt.");
    EXPECT_EQ(boxes[0].caption, theProbeApp.m_pszAppName);
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
}

TEST_F(DialogFramework, ControlsSitWhereTheTemplatePutsThemInDialogUnits) {
    RunModal(m_dlg, [&] {
        const QFontMetrics metrics(Window().font());
        const int alphabet =
            metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const int baseX = (alphabet / 26 + 1) / 2;
        const int baseY = metrics.height();
        auto scaleX = [&](int v) { return (v * baseX + 2) / 4; };
        auto scaleY = [&](int v) { return (v * baseY + 4) / 8; };

        const DialogTemplate& dialog = Window().Template();
        EXPECT_EQ(Window().Client()->size(), QSize(scaleX(dialog.cx), scaleY(dialog.cy)));
        EXPECT_EQ(Window().minimumSize(), Window().maximumSize()); // fixed size
        for (const DialogItemTemplate& item : dialog.items) {
            QWidget* control = ControlOf(item.id);
            ASSERT_NE(control, nullptr) << item.id;
            EXPECT_EQ(control->geometry(),
                      QRect(scaleX(item.x), scaleY(item.y), scaleX(item.cx), scaleY(item.cy)))
                << item.id;
        }
        CRect mapped{4, 8, 8, 16};
        m_dlg.MapDialogRect(&mapped);
        EXPECT_EQ(mapped.Width(), baseX);
        EXPECT_EQ(mapped.Height(), baseY);
        m_dlg.EndDialog(IDCANCEL);
    });
}

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(AfxMulDiv(5, 6, 4), 8);   // 7.5
    EXPECT_EQ(AfxMulDiv(3, 6, 4), 5);   // 4.5
    EXPECT_EQ(AfxMulDiv(7, 13, 8), 11); // 11.375
    EXPECT_EQ(AfxMulDiv(-5, 6, 4), -8);
}

} // namespace
