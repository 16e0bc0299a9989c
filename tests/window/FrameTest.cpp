// The window frame: the window menu and its About item, the icons and the minimised icon's place.
#include "window/WindowFixture.h"

#include "resources/Version.h"

#include <QTest>

namespace {

TEST_F(MainWindow, WindowMenuEndsWithASeparatorShowChangesPageRulesAndTheAboutItem) {
    WithWindow([&] {
        CMenu* menu = m_dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        const int count = menu->GetMenuItemCount();
        ASSERT_GE(count, 7);
        EXPECT_EQ(menu->GetMenuItemID(0), SC_RESTORE);
        EXPECT_EQ(menu->GetMenuItemID(count - 5), SC_CLOSE);
        EXPECT_TRUE(menu->GetMenuState(static_cast<UINT>(count - 4)) & MF_SEPARATOR);
        std::string text;
        menu->GetMenuString(static_cast<UINT>(count - 3), text);
        EXPECT_EQ(text, "Show &Changes");
        EXPECT_EQ(menu->GetMenuItemID(count - 3), 32u);
        menu->GetMenuString(static_cast<UINT>(count - 2), text);
        EXPECT_EQ(text, "Page &Rules...");
        EXPECT_EQ(menu->GetMenuItemID(count - 2), 48u);
        menu->GetMenuString(static_cast<UINT>(count - 1), text);
        EXPECT_EQ(text, "&About vnt...");
        EXPECT_EQ(menu->GetMenuItemID(count - 1), 16u);
    });
}

class AboutCommand : public MainWindow,
                     public ::testing::WithParamInterface<std::pair<UINT, bool>> {};

TEST_P(AboutCommand, OpensTheAboutBoxForCommands16To31Only) {
    const auto [command, opens] = GetParam();
    int aboutBoxes = 0;
    WithWindow([&] {
        QObject context;
        WhenModalTemplateShows(
            100,
            [&](DialogWindow& about) {
                ++aboutBoxes;
                EXPECT_EQ(about.parentWidget(), &Window());           // owned by the main window
                QTest::keyClick(about.focusWidget(), Qt::Key_Return); // OK has the focus
            },
            &context);
        AfxAnswerNextMessageBox(IDOK); // 32 is Show Changes, which finds no page selected
        m_dlg.SendMessage(WM_SYSCOMMAND, command);
        EXPECT_FALSE(Window().Ended());
    });
    EXPECT_EQ(aboutBoxes, opens ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, AboutCommand,
                         ::testing::Values(std::pair<UINT, bool>{16, true},
                                           std::pair<UINT, bool>{31, true},
                                           std::pair<UINT, bool>{32, false},
                                           std::pair<UINT, bool>{15, false}));

TEST_F(MainWindow, AboutBoxNamesTheProgramAndItsVersionAndEscapeClosesIt) {
    std::vector<std::string> texts;
    WithWindow([&] {
        QObject context;
        WhenModalTemplateShows(
            100,
            [&](DialogWindow& about) {
                for (QWidget* control : about.Controls()) {
                    if (auto* label = qobject_cast<QLabel*>(control)) {
                        texts.push_back(label->text().toStdString());
                    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                        texts.push_back(button->text().toStdString());
                    }
                }
                QTest::keyClick(about.focusWidget(), Qt::Key_Escape);
            },
            &context);
        m_dlg.SendMessage(WM_SYSCOMMAND, 16);
    });
    const std::string all = [&] {
        std::string joined;
        for (const std::string& t : texts) {
            joined += t + "\n";
        }
        return joined;
    }();
    EXPECT_NE(all.find("Varnolt"), std::string::npos) << all;
    EXPECT_NE(all.find(VNT_VERSION_TEXT), std::string::npos) << all;
    EXPECT_NE(all.find("OK"), std::string::npos) << all;
    EXPECT_EQ(std::string(VNT_VERSION_TEXT), "1.0.0.1");
    EXPECT_EQ(kVersionRecord.fileVersion, (std::array<int, 4>{1, 0, 0, 1}));
    EXPECT_STREQ(kVersionRecord.internalName, "vnt");
}

TEST_F(MainWindow, UsesIcon128ForBothSizesAndAsTheDragIcon) {
    WithWindow([&] {
        HICON icon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(m_dlg.m_hIcon, icon);
        EXPECT_EQ(m_dlg.GetIcon(TRUE), icon);
        EXPECT_EQ(m_dlg.GetIcon(FALSE), icon);
        EXPECT_FALSE(Window().windowIcon().isNull());
        EXPECT_EQ(m_dlg.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(icon));
    });
}

TEST(MinimisedIcon, IsCentredRoundingTowardZero) {
    const std::pair<int, int> cases[] = {{36, 2}, {37, 3}, {31, 0}, {30, 0}, {32, 0}, {100, 34}};
    for (const auto& [extent, offset] : cases) {
        EXPECT_EQ(MinimisedIconOffset(extent, 32), offset) << extent;
    }
}

TEST_F(MainWindow, MinimisesAndRestoresThroughTheWindowMenuCommands) {
    WithWindow([&] {
        m_dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        EXPECT_TRUE(m_dlg.IsIconic());
        Window().repaint(); // paints through OnPaint's minimised branch without harm
        m_dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        EXPECT_FALSE(m_dlg.IsIconic());
    });
}

} // namespace
