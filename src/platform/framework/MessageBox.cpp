#include "platform/framework/MessageBox.h"

#include "platform/framework/QtMessageBox.h"
#include "platform/framework/QtText.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/WindowHandle.h"
#include "platform/system/ApplicationName.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

struct Seam {
    std::mutex guard;
    std::deque<int> answers;
    std::vector<AfxAnsweredMessageBox> answered;
};

Seam& TheSeam() {
    static Seam* seam = new Seam; // never destroyed: boxes may be asked for at any time
    return *seam;
}

bool TakeSeamAnswer(int& answer) {
    Seam& seam = TheSeam();
    std::lock_guard lock(seam.guard);
    if (seam.answers.empty()) {
        return false;
    }
    answer = seam.answers.front();
    seam.answers.pop_front();
    return true;
}

QMessageBox::StandardButtons ButtonsFor(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_ABORTRETRYIGNORE:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case MB_RETRYCANCEL:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconFor(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int AnswerFor(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Abort:
        return IDABORT;
    case QMessageBox::Retry:
        return IDRETRY;
    case QMessageBox::Ignore:
        return IDIGNORE;
    default:
        return IDCANCEL;
    }
}

std::string CaptionOrAppName(const std::string& caption) {
    if (!caption.empty()) {
        return caption;
    }
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->m_pszAppName != nullptr ? app->m_pszAppName : ApplicationName();
}

} // namespace

int AfxRunMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                     UINT type) {
    if (owner == nullptr) {
        if (CWnd* main = AfxGetMainWnd()) {
            owner = AfxWidget(main->m_hWnd);
        }
    }
    const std::string shownCaption = CaptionOrAppName(caption);
    QMessageBox box(IconFor(type), AfxTextFromBytes(shownCaption), AfxTextFromBytes(text),
                    ButtonsFor(type), owner);
    box.setTextFormat(Qt::PlainText);

    int seamAnswer = 0;
    if (TakeSeamAnswer(seamAnswer)) {
        // The box is made and run as usual, and closes itself as soon as its loop starts.
        QTimer::singleShot(0, &box, [&box] { box.done(0); });
        box.exec();
        Seam& seam = TheSeam();
        std::lock_guard lock(seam.guard);
        seam.answered.push_back({text, shownCaption, type, seamAnswer});
        return seamAnswer;
    }
    return AnswerFor(box.exec());
}

int AfxMessageBox(const std::string& text, UINT nType, UINT) {
    return AfxRunMessageBox(nullptr, text, std::string(), nType);
}

int AfxShowMessageBox(const std::string& text, const std::string& caption, UINT nType) {
    return AfxRunMessageBox(nullptr, text, caption, nType);
}

void AfxAnswerNextMessageBox(int answer) {
    Seam& seam = TheSeam();
    std::lock_guard lock(seam.guard);
    seam.answers.push_back(answer);
}

std::vector<AfxAnsweredMessageBox> AfxTakeAnsweredMessageBoxes() {
    Seam& seam = TheSeam();
    std::lock_guard lock(seam.guard);
    return std::exchange(seam.answered, {});
}

void AfxResetMessageBoxSeam() {
    Seam& seam = TheSeam();
    std::lock_guard lock(seam.guard);
    seam.answers.clear();
    seam.answered.clear();
}

// Message boxes asked for by worker threads. A worker queues its box under the guard and wakes
// the window thread through an eventfd, which the window thread watches with a socket notifier;
// the window thread shows the box and hands the answer back under the same guard. No toolkit
// object crosses between the threads.
namespace {

struct PendingBox {
    std::string text;
    std::string caption;
    UINT type = 0;
    bool done = false;
    int answer = 0;
};

struct WindowThreadCalls {
    std::mutex guard;
    std::condition_variable finished;
    std::deque<std::shared_ptr<PendingBox>> queue;
    bool open = false;
    int wakeFd = -1;
};

WindowThreadCalls& Calls() {
    static WindowThreadCalls* calls = new WindowThreadCalls; // outlives every worker
    return *calls;
}

void ShowQueuedBoxes() {
    WindowThreadCalls& calls = Calls();
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(calls.wakeFd, &count, sizeof count);
    for (;;) {
        std::shared_ptr<PendingBox> box;
        {
            std::lock_guard lock(calls.guard);
            if (!calls.open || calls.queue.empty()) {
                return;
            }
            box = calls.queue.front();
            calls.queue.pop_front();
        }
        const int answer = AfxShowMessageBox(box->text, box->caption, box->type);
        std::lock_guard lock(calls.guard);
        box->done = true;
        box->answer = answer;
        calls.finished.notify_all();
    }
}

} // namespace

void AfxOpenWindowThreadCalls() {
    WindowThreadCalls& calls = Calls();
    std::lock_guard lock(calls.guard);
    if (calls.wakeFd < 0) {
        calls.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (calls.wakeFd < 0) {
            return;
        }
        auto* notifier = new QSocketNotifier(calls.wakeFd, QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { ShowQueuedBoxes(); });
    }
    calls.open = true;
}

int AfxMessageBoxOnWindowThread(const std::string& text, const std::string& caption, UINT nType) {
    if (AfxIsWindowThread()) {
        return AfxShowMessageBox(text, caption, nType);
    }
    WindowThreadCalls& calls = Calls();
    auto box = std::make_shared<PendingBox>();
    box->text = text;
    box->caption = caption;
    box->type = nType;
    std::unique_lock lock(calls.guard);
    if (!calls.open) {
        return 0;
    }
    calls.queue.push_back(box);
    const std::uint64_t one = 1;
    if (::write(calls.wakeFd, &one, sizeof one) != static_cast<ssize_t>(sizeof one)) {
        calls.queue.pop_back();
        return 0;
    }
    calls.finished.wait(lock, [&] { return box->done; });
    return box->answer;
}

void AfxEndWindowThreadCalls() {
    WindowThreadCalls& calls = Calls();
    std::lock_guard lock(calls.guard);
    calls.open = false;
    for (const std::shared_ptr<PendingBox>& box : calls.queue) {
        box->done = true;
        box->answer = 0;
    }
    calls.queue.clear();
    calls.finished.notify_all();
}
