#pragma once
// The real main window, run modally in a fresh working directory, with the run state reset and
// the message-box seam empty.

#include "framework/GuiTesting.h"
#include "platform/framework/Menu.h"
#include "runstate/RunState.h"
#include "support/WorkingDirectory.h"
#include "vnt.h"
#include "vntDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <string>
#include <vector>

// Gives tests the dialog's protected parts.
class CTestableVntDlg : public CVntDlg {
public:
    using CVntDlg::m_hIcon;
};

class MainWindow : public InTempDirectory {
protected:
    void SetUp() override {
        StartToolkitForTests();
        ResetRunState();
        AfxResetMessageBoxSeam();
    }
    void TearDown() override {
        // A job the test started (Enter adds the typed address, say) ends before the run state
        // is reset under it; a message box it asks for is answered.
        if (g_bWorkerBusy.load() != 0) {
            for (int box = 0; box < 4; ++box) {
                AfxAnswerNextMessageBox(IDOK);
            }
            EXPECT_TRUE(SpinUntil([] { return g_bWorkerBusy.load() == 0; }));
        }
        ResetRunState();
        AfxResetMessageBoxSeam();
    }

    // Runs the window; the body runs once it is shown, then the window is ended unless the
    // body ended it. Yields DoModal's result.
    INT_PTR WithWindow(const std::function<void()>& body) {
        theApp.m_pMainWnd = &m_dlg; // as the application's start-up does
        return RunModal(m_dlg, [&] {
            body();
            if (DialogWindow* window = AfxDialogWindow(m_dlg); window && !window->Ended()) {
                m_dlg.EndDialog(-2);
            }
        });
    }
    DialogWindow& Window() { return *AfxDialogWindow(m_dlg); }
    template <class T = QWidget> T* ControlOf(int id) {
        return dynamic_cast<T*>(AfxControlWidget(m_dlg, id));
    }
    std::vector<std::string> ListLines() {
        std::vector<std::string> lines;
        for (int i = 0; i < m_dlg.m_listPages.GetCount(); ++i) {
            std::string line;
            m_dlg.m_listPages.GetText(i, line);
            lines.push_back(line);
        }
        return lines;
    }
    static void WriteRecord(const std::string& file, const std::string& url,
                            const std::string& title = "Title",
                            const std::string& date = "1:2:2024") {
        WriteWholeFile(file, url + "|" + title + "|" + date + "*<html>page</html>");
    }

    CTestableVntDlg m_dlg;
};
