// Takes a screenshot of the Page Rules dialog over the window, on a real X display (run it under
// xvfb-run), into a PNG: render_rules_dialog RULES.png
#include "PageRulesDlg.h"
#include "platform/framework/DialogWindow.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/WindowHandle.h"
#include "records/PageRules.h"
#include "resources/resource.h"
#include "vnt.h"
#include "vntDlg.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr const char* kShop =
    "<html><head><title>Offers &amp; deals</title></head><body>\n"
    "<header>Welcome back! Served at 10:42:17 to visitor 48213</header>\n"
    "<main><article class='offer'><h2>Garden chair</h2><p class='price'>24.90 EUR</p>\n"
    "<p>In stock.</p></article>\n"
    "<article class='offer'><h2>Parasol</h2><p class='price'>39.00 EUR</p>\n"
    "<p>Last updated 10:42</p></article></main></body></html>";

// Waits for the dialog to show, lets its first preview come in, and grabs its screen area.
void GrabWhenShown(const std::filesystem::path& png, bool& saved) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, png, &saved] {
        auto* window = dynamic_cast<DialogWindow*>(QApplication::activeModalWidget());
        if (window == nullptr || window->Template().id != IDD_PAGERULES || !window->isVisible()) {
            return;
        }
        auto& dialog = dynamic_cast<CPageRulesDlg&>(window->Owner());
        if (dialog.PreviewBusy() || window->TimerInterval(CPageRulesDlg::kPreviewDoneTimer) != -1) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        QApplication::processEvents();
        const QRect area = window->frameGeometry();
        const QPixmap shot =
            window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        saved = shot.save(png.c_str(), "PNG");
        dialog.EndDialog(IDCANCEL);
    });
    poll->start(50);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s RULES.png\n", argv[0]);
        return 2;
    }
    const std::filesystem::path png = std::filesystem::absolute(argv[1]);
    AfxWinInit(argc, argv);

    const std::filesystem::path samples =
        std::filesystem::temp_directory_path() / "varnolt-rules-samples";
    std::filesystem::remove_all(samples);
    std::filesystem::create_directories(samples);
    std::filesystem::current_path(samples);
    std::ofstream("1.vnt", std::ios::binary)
        << "https://shop.example.com/offers?page=1|Offers & deals|1:5:2024*" << kShop;
    PageRules rules;
    rules.css = {".offer"};
    rules.text = true;
    rules.ignore = {"^Last updated"};
    WriteRecordRules("1.vnt", rules);

    CVntDlg dlg;
    theApp.m_pMainWnd = &dlg;
    bool saved = false;
    QTimer::singleShot(200, [&] {
        dlg.m_listPages.SetCurSel(0);
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PAGES, LBN_SELCHANGE));
        GrabWhenShown(png, saved);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_PAGERULES);
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    std::printf(saved ? "wrote %s\n" : "cannot write %s\n", png.c_str());
    std::filesystem::current_path("/");
    std::filesystem::remove_all(samples);
    return saved ? 0 : 1;
}
