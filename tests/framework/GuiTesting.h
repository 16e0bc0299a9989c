#pragma once
// Helpers for tests that run real dialogs headless: the toolkit on the test's thread, modal runs
// that act once the dialog is up, and a guard that fails the test instead of hanging.

#include "platform/framework/Dialog.h"
#include "platform/framework/DialogWindow.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/WinApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

inline void StartToolkitForTests() {
    static char name[] = "varnolt-tests";
    static char* argv[] = {name, nullptr};
    AfxWinInit(1, argv);
}

// Ends every modal window and pop-up menu that is still open.
inline void CloseEverythingModal() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* window = dynamic_cast<DialogWindow*>(modal)) {
            window->End(-2);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->done(-2);
        } else {
            modal->close();
        }
    }
}

// Fails the test and closes every modal window if the test's event loops are still running
// after the limit.
class LoopGuard {
public:
    explicit LoopGuard(int limitMs = 10000) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_fired = true;
            ADD_FAILURE() << "an event loop ran past its guard; closing it";
            CloseEverythingModal();
        });
        m_timer.start(limitMs);
    }
    bool Fired() const { return m_fired; }

private:
    QTimer m_timer;
    bool m_fired = false;
};

// Runs the dialog modally; once its window is shown and modal, calls whileOpen (which usually
// ends the dialog). Yields DoModal's result.
inline INT_PTR RunModal(CDialog& dialog, const std::function<void()>& whileOpen) {
    LoopGuard guard;
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        DialogWindow* window = AfxDialogWindow(dialog);
        if (!done && window != nullptr && window->isVisible() &&
            QApplication::activeModalWidget() == window) {
            done = true;
            poll.stop();
            window->activateWindow(); // window shortcuts (F1, Alt+Space) need an active window
            EXPECT_TRUE(QTest::qWaitForWindowActive(window));
            whileOpen();
        }
    });
    poll.start(0);
    return dialog.DoModal();
}

// Spins the event loop until the condition holds (or the guard fires).
inline bool SpinUntil(const std::function<bool()>& condition) {
    LoopGuard guard;
    while (!condition() && !guard.Fired()) {
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return condition();
}

// Calls action when a modal dialog built from the template appears, from inside its run.
inline void WhenModalTemplateShows(int templateId, const std::function<void(DialogWindow&)>& action,
                                   QObject* context) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, [poll, templateId, action] {
        auto* window = dynamic_cast<DialogWindow*>(QApplication::activeModalWidget());
        if (window != nullptr && window->Template().id == templateId && window->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(*window);
        }
    });
    poll->start(0);
}
