// Runs the application the way the program does (the application object and the framework's
// entry routine), offscreen, in the working directory it is started in. Once the main window
// shows it presses Start; once a file named "close-now" appears in the working directory it
// presses Exit. Tests start it as a process of its own to see how the process ends.
#include "platform/framework/Dialog.h"
#include "platform/framework/DialogWindow.h"
#include "platform/framework/WinApp.h"
#include "resources/resource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

// LeakSanitizer: fontconfig keeps a few patterns for the life of the process; not ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

constexpr int kPollMs = 10;
constexpr const char* kCloseSignal = "close-now";

void Press(CDialog& dialog, int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(AfxControlWidget(dialog, id))) {
        button->click();
    }
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    AfxWinInit(argc, argv); // the toolkit first, so the watcher below can be made

    // Owned by the toolkit's application object, which the entry routine ends.
    auto* watcher = new QTimer(qApp);
    QObject::connect(watcher, &QTimer::timeout, [watcher] {
        static bool started = false;
        auto* dialog = dynamic_cast<CDialog*>(AfxGetMainWnd());
        DialogWindow* window = dialog != nullptr ? AfxDialogWindow(*dialog) : nullptr;
        if (window == nullptr || !window->isVisible() || window->Ended()) {
            return;
        }
        if (!started) {
            started = true;
            Press(*dialog, IDC_START);
        } else if (std::filesystem::exists(kCloseSignal)) {
            watcher->stop();
            Press(*dialog, IDCANCEL);
        }
    });
    watcher->start(kPollMs);

    return AfxWinMain(argc, argv);
}
