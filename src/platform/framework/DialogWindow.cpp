#include "platform/framework/DialogWindow.h"

#include "platform/framework/CaptionBar.h"
#include "platform/framework/ControlFactory.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/Menu.h"
#include "platform/framework/QtText.h"
#include "platform/framework/WindowHandle.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimerEvent>
#include <qdrawutil.h>

#include <algorithm>

DialogWindow::DialogWindow(CDialog& owner, const DialogTemplate& dialog, QWidget* parent)
    : QDialog(parent), m_owner(owner), m_template(dialog), m_font(AfxDialogFont(dialog)),
      m_units(AfxBaseUnits(m_font)) {
    setFont(m_font);
    setWindowTitle(AfxTextFromBytes(dialog.caption ? dialog.caption : ""));

    Qt::WindowFlags flags =
        (dialog.exStyle & WS_EX_APPWINDOW) ? Qt::Window : Qt::WindowFlags(Qt::Dialog);
    flags |= Qt::CustomizeWindowHint;
    if ((dialog.style & WS_CAPTION) == WS_CAPTION) {
        flags |= Qt::WindowTitleHint;
    }
    if (dialog.style & WS_SYSMENU) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (dialog.style & WS_MINIMIZEBOX) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if (dialog.style & WS_MAXIMIZEBOX) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    // On Wayland the window draws its caption itself, so that the frame offers no more than the
    // template asks (see CaptionBar); the toolkit's frame is turned off. The buttons are the
    // caption's alone: the toolkit would put its frame back for a window that asks for one.
    const bool ownCaption = AfxDrawsOwnCaption() && (dialog.style & WS_CAPTION) == WS_CAPTION;
    setWindowFlags(ownCaption ? (flags & Qt::WindowType_Mask) | Qt::FramelessWindowHint : flags);

    m_edge = (dialog.exStyle & WS_EX_CLIENTEDGE) ? 2 : 0;
    const QRect client = AfxMapDialogRect(0, 0, dialog.cx, dialog.cy, m_units);
    const int clientWidth = client.width() + 2 * m_edge;
    if (ownCaption) {
        m_caption = new CaptionBar(*this, flags);
        m_top = m_caption->CaptionHeight();
        m_caption->setGeometry(0, 0, clientWidth, m_top);
    }
    m_client = new QWidget(this);
    m_client->setGeometry(m_edge, m_top + m_edge, client.width(), client.height());
    m_client->installEventFilter(this);
    const QSize outer(clientWidth, m_top + client.height() + 2 * m_edge);
    if (dialog.style & WS_THICKFRAME) {
        resize(outer);
    } else {
        setFixedSize(outer);
    }

    for (const DialogItemTemplate& item : dialog.items) {
        m_controls.push_back(AfxCreateControl(item, m_client, m_units, this,
                                              [this](int id, UINT code) { Command(id, code); }));
    }

    auto* windowMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    windowMenuKey->setContext(Qt::WindowShortcut);
    QObject::connect(windowMenuKey, &QShortcut::activated, this,
                     [this] { ShowWindowMenu(m_client->mapToGlobal(QPoint(0, 0))); });
    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    helpKey->setContext(Qt::WindowShortcut);
    QObject::connect(helpKey, &QShortcut::activated, this, [this] { Command(ID_HELP, 0); });
}

DialogWindow::~DialogWindow() {
    for (CWnd* wrapper : m_attached) {
        wrapper->m_hWnd = nullptr;
    }
}

QWidget* DialogWindow::Control(int id) const {
    for (QWidget* control : m_controls) {
        if (control->property(kControlIdProperty).toInt() == id) {
            return control;
        }
    }
    return nullptr;
}

void DialogWindow::Attach(CWnd& wrapper, QWidget* control) {
    wrapper.m_hWnd = AfxHandle(control);
    m_attached.push_back(&wrapper);
}

void DialogWindow::Detach(CWnd& wrapper) {
    m_attached.erase(std::remove(m_attached.begin(), m_attached.end(), &wrapper), m_attached.end());
}

UINT_PTR DialogWindow::StartTimer(UINT_PTR id, UINT milliseconds) {
    StopTimer(id);
    const int toolkitId = startTimer(static_cast<int>(milliseconds));
    if (toolkitId == 0) {
        return 0;
    }
    m_timers[toolkitId] = {id, milliseconds};
    return id != 0 ? id : 1;
}

bool DialogWindow::StopTimer(UINT_PTR id) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.id == id) {
            killTimer(it->first);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void DialogWindow::timerEvent(QTimerEvent* event) {
    const auto found = m_timers.find(event->timerId());
    if (found == m_timers.end()) {
        QDialog::timerEvent(event);
        return;
    }
    m_owner.SendMessage(WM_TIMER, found->second.id, 0);
}

int DialogWindow::TimerInterval(UINT_PTR id) const {
    for (const auto& [toolkitId, timer] : m_timers) {
        if (timer.id == id) {
            return static_cast<int>(timer.milliseconds);
        }
    }
    return -1;
}

void DialogWindow::Command(int id, UINT code) {
    m_owner.SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(id), code), 0);
}

void DialogWindow::ShowWindowMenu(const QPoint& globalPos) {
    CMenu* menu = m_owner.GetSystemMenu(FALSE);
    if (menu == nullptr) {
        return;
    }
    const bool minimised = isMinimized();
    menu->EnableMenuItem(SC_RESTORE, minimised ? 0 : MF_GRAYED);
    menu->EnableMenuItem(SC_MINIMIZE, minimised ? MF_GRAYED : 0);

    QMenu popup(this);
    popup.setObjectName("afxWindowMenu");
    for (int pos = 0; pos < menu->GetMenuItemCount(); ++pos) {
        const UINT state = menu->GetMenuState(static_cast<UINT>(pos));
        if (state & MF_SEPARATOR) {
            popup.addSeparator();
            continue;
        }
        std::string text;
        menu->GetMenuString(static_cast<UINT>(pos), text);
        QAction* action = popup.addAction(AfxTextFromBytes(text));
        action->setData(menu->GetMenuItemID(pos));
        action->setEnabled((state & MF_GRAYED) == 0);
    }
    QAction* chosen = nullptr;
    QObject::connect(&popup, &QMenu::triggered, &popup,
                     [&chosen](QAction* action) { chosen = action; });
    if (QAction* picked = popup.exec(globalPos)) {
        chosen = picked;
    }
    if (chosen != nullptr) {
        m_owner.SendMessage(WM_SYSCOMMAND, chosen->data().toUInt(), 0);
    }
}

void DialogWindow::FocusFirstTabStop() {
    for (QWidget* control : m_controls) {
        if (control->focusPolicy() & Qt::TabFocus && control->isEnabled() && !control->isHidden()) {
            control->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void DialogWindow::CentreOnOwnerOrScreen() {
    QRect area;
    if (parentWidget() != nullptr) {
        area = parentWidget()->window()->geometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect placed(QPoint(0, 0), frameGeometry().size());
        placed.moveCenter(area.center());
        move(placed.topLeft());
    }
}

void DialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_placed) {
        // Once shown, the frame's size is known: centre the whole window, frame included.
        m_placed = true;
        CentreOnOwnerOrScreen();
    }
}

void DialogWindow::End(int result) {
    m_ended = true;
    done(result);
}

void DialogWindow::reject() {
    Command(IDCANCEL, BN_CLICKED);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        modifiers == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            Command(IDOK, BN_CLICKED);
        }
        return;
    }
    if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        Command(IDCANCEL, BN_CLICKED);
        return;
    }
    QWidget::keyPressEvent(event);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    if (m_ended) {
        event->accept();
        return;
    }
    // The close box is the window menu's Close: the dialog decides, through its own handlers.
    event->ignore();
    m_owner.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (m_edge > 0) {
        QPainter painter(this);
        qDrawWinPanel(&painter, rect().adjusted(0, m_top, 0, 0), palette(), true);
    }
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Paint) {
        const bool outer = m_inPaint;
        m_inPaint = true;
        m_owner.SendMessage(WM_PAINT, 0, 0);
        m_inPaint = outer;
        return false;
    }
    if (watched == m_client && event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        QWidget* under = m_client->childAt(menuEvent->pos());
        if (under == nullptr || qobject_cast<QLabel*>(under) != nullptr) {
            ShowWindowMenu(menuEvent->globalPos());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

DialogWindow* AfxDialogWindow(const CWnd& wnd) {
    return dynamic_cast<DialogWindow*>(AfxWidget(wnd.m_hWnd));
}

QWidget* AfxControlWidget(const CWnd& dialog, int id) {
    DialogWindow* window = AfxDialogWindow(dialog);
    return window ? window->Control(id) : nullptr;
}
