#pragma once
// The real main window with the desktop's opener replaced by one that records what it is
// handed, and the user's ways of working with the page list: clicks and double-clicks on its
// rows, button clicks, and status lines arriving through the tick.

#include "platform/system/Shell.h"
#include "window/WindowFixture.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <string>
#include <vector>

class BrowsePages : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        SetShellOpenerForTesting(
            [this](const std::string& address) { m_opened.push_back(address); });
    }
    void TearDown() override {
        SetShellOpenerForTesting({});
        MainWindow::TearDown();
    }

    // Three stored pages, listed in this order: "http://a.example/" (Alpha),
    // "https://b.example/page" (Beta) and "https://c.example/" (Gamma).
    void WriteThreePages() {
        WriteRecord("1.vnt", "http://a.example/", "Alpha", "1:2:2024");
        WriteRecord("2.vnt", "https://b.example/page", "Beta", "3:4:2025");
        WriteRecord("3.vnt", "https://c.example/", "Gamma", "5:6:2023");
    }

    QListView* List() { return ControlOf<QListView>(IDC_PAGES); }

    // The row of the first line with this text; fails the test when there is none.
    int RowOf(const std::string& line) {
        const std::vector<std::string> lines = ListLines();
        const auto found = std::find(lines.begin(), lines.end(), line);
        EXPECT_NE(found, lines.end()) << "no line " << line;
        return static_cast<int>(found - lines.begin());
    }

    // The centre of a row, scrolled into view as the user would when it is not in sight.
    QPoint RowCentre(int row) {
        const QModelIndex index = List()->model()->index(row, 0);
        List()->scrollTo(index);
        const QRect rect = List()->visualRect(index);
        EXPECT_TRUE(List()->viewport()->rect().contains(rect.center())) << "row " << row;
        return rect.center();
    }
    void ClickRow(int row) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowCentre(row));
    }
    // A double-click as the system delivers it: press, release, double-click, release.
    void DoubleClickRow(int row) {
        const QPoint centre = RowCentre(row);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, centre);
    }
    void ClickButton(int id) { QTest::mouseClick(ControlOf<QPushButton>(id), Qt::LeftButton); }

    // A status line from a job, moved into the list by one tick.
    void PostLine(const std::string& line) {
        g_strStatus.Post(line);
        m_dlg.SendMessage(WM_TIMER, 0);
    }

    // What the title and date fields show.
    std::string ShownTitle() { return ControlOf<QLabel>(IDC_PAGENAME)->text().toStdString(); }
    std::string ShownDate() { return ControlOf<QLabel>(IDC_CHECKDATE)->text().toStdString(); }
    std::string ShownUrl() { return ControlOf<QLineEdit>(IDC_URL)->text().toStdString(); }

    std::vector<std::string> m_opened;
};
