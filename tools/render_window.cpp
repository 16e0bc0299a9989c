// Draws the main window with a few sample records, offscreen, into a PNG (and the program's icon
// into another, and the window of a fresh folder with its first address typed in into a third):
// render_window WINDOW.png [ICON.png [FIRST-PAGE.png]]
#include "platform/framework/QtIcons.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/WindowHandle.h"
#include "resources/Resources.h"
#include "resources/resource.h"
#include "runstate/RunState.h"
#include "vnt.h"
#include "vntDlg.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// The window as a new user first sees it, in an empty Varnolt folder, with the first address
// typed into the box and Add URL about to be pressed.
bool DrawFirstPage(const std::filesystem::path& png, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    CVntDlg dlg;
    theApp.m_pMainWnd = &dlg;
    bool saved = false;
    QTimer::singleShot(0, [&] {
        dlg.m_strUrl = "https://www.example.org/news/";
        dlg.UpdateData(FALSE);
        QWidget* window = AfxWidget(dlg.m_hWnd);
        saved = window->grab().save(png.c_str(), "PNG");
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WINDOW.png [ICON.png]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path windowPng = std::filesystem::absolute(argv[1]);
    const std::filesystem::path iconPng = argc > 2 ? std::filesystem::absolute(argv[2]) : "";
    const std::filesystem::path firstPng = argc > 3 ? std::filesystem::absolute(argv[3]) : "";
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    AfxWinInit(argc, argv);

    if (!iconPng.empty()) {
        for (const IconTemplate& icon : VntResources().icons) {
            if (icon.id == IDR_MAINFRAME && !AfxIconImage(icon).save(iconPng.c_str(), "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", iconPng.c_str());
                return 1;
            }
        }
    }

    // A working directory with a handful of records and the date of the last check.
    const std::filesystem::path samples =
        std::filesystem::temp_directory_path() / "varnolt-window-samples";
    std::filesystem::remove_all(samples);
    std::filesystem::create_directories(samples);
    std::filesystem::current_path(samples);
    const char* records[][3] = {
        {"https://www.example.org/news/", "Example News | Front page", "2:5:2024"},
        {"http://weather.example.net/forecast", "Forecast for the week", "28:4:2024"},
        {"https://shop.example.com/offers?page=1", "Offers & deals", "1:5:2024"},
        {"http://blog.example.com/", "A small blog", "30:4:2024"},
        {"https://docs.example.org/changelog.html", "Changelog", "3:5:2024"},
    };
    int number = 1;
    for (const auto& record : records) {
        Write(std::to_string(number++) + ".vnt",
              std::string(record[0]) + "|" + record[1] + "|" + record[2] + "*<html></html>");
    }
    Write("time.ini", "3:5:2024");
    // Two lines from a check as the list shows them after it.
    g_strStatus.Post("UPDATE http://weather.example.net/forecast");

    CVntDlg dlg;
    theApp.m_pMainWnd = &dlg;
    bool saved = false;
    QTimer::singleShot(0, [&] {
        dlg.SendMessage(WM_TIMER, 0);
        g_nChunksRead = 1;
        dlg.m_progress.SetPos(35);
        dlg.m_listPages.SetCurSel(1);
        dlg.m_strPageName = "Example News | Front page";
        dlg.m_strCheckDate = "2:5:2024";
        dlg.UpdateData(FALSE);
        QWidget* window = AfxWidget(dlg.m_hWnd);
        saved = window->grab().save(windowPng.c_str(), "PNG");
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", windowPng.c_str());
    } else {
        std::printf("wrote %s\n", windowPng.c_str());
    }
    bool firstSaved = true;
    if (saved && !firstPng.empty()) {
        firstSaved = DrawFirstPage(firstPng, samples / "fresh");
        std::printf(firstSaved ? "wrote %s\n" : "cannot write %s\n", firstPng.c_str());
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(samples);
    return saved && firstSaved ? 0 : 1;
}
