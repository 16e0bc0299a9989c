#include "platform/framework/CaptionBar.h"

#include "platform/framework/Dialog.h"
#include "platform/framework/DialogWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

// The parts a caption may show, in the order a press looks for them.
constexpr QStyle::SubControl kButtons[] = {
    QStyle::SC_TitleBarCloseButton, QStyle::SC_TitleBarMinButton, QStyle::SC_TitleBarSysMenu};

} // namespace

bool AfxDrawsOwnCaption() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

CaptionBar::CaptionBar(DialogWindow& window, Qt::WindowFlags flags)
    : QWidget(&window), m_window(window),
      m_flags(flags &
              (Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint)) {
    setObjectName("afxCaption");
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Title, icon and activation are the window's: the caption is drawn again when they change.
    window.installEventFilter(this);
}

QStyleOptionTitleBar CaptionBar::Option() const {
    QStyleOptionTitleBar option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), CaptionHeight());
    option.text = m_window.windowTitle();
    option.icon = m_window.windowIcon();
    option.titleBarFlags = m_flags;
    option.titleBarState = static_cast<int>(m_window.windowState());
    option.subControls = QStyle::SC_TitleBarLabel;
    if (m_flags & Qt::WindowSystemMenuHint) {
        option.subControls |= QStyle::SC_TitleBarSysMenu | QStyle::SC_TitleBarCloseButton;
        if (m_flags & Qt::WindowMinimizeButtonHint) {
            option.subControls |= QStyle::SC_TitleBarMinButton;
        }
    }
    if (m_window.isActiveWindow()) {
        option.state |= QStyle::State_Active;
        option.titleBarState |= QStyle::State_Active;
    } else {
        option.state &= ~QStyle::State_Active;
    }
    if (m_pressed != QStyle::SC_None) {
        option.activeSubControls = m_pressed;
        option.state |= QStyle::State_Sunken;
    }
    return option;
}

int CaptionBar::CaptionHeight() const {
    QStyleOptionTitleBar option;
    option.initFrom(this);
    option.titleBarFlags = m_flags;
    return style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this);
}

bool CaptionBar::Offers(QStyle::SubControl part) const {
    return (Option().subControls & part) != 0;
}

QRect CaptionBar::PartRect(QStyle::SubControl part) const {
    const QStyleOptionTitleBar option = Option();
    return style()->subControlRect(QStyle::CC_TitleBar, &option, part, this);
}

QStyle::SubControl CaptionBar::PartAt(const QPoint& pos) const {
    for (const QStyle::SubControl part : kButtons) {
        if (Offers(part) && PartRect(part).contains(pos)) {
            return part;
        }
    }
    return QStyle::SC_TitleBarLabel;
}

void CaptionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QStyleOptionTitleBar option = Option();
    style()->drawComplexControl(QStyle::CC_TitleBar, &option, &painter, this);
}

void CaptionBar::mousePressEvent(QMouseEvent* event) {
    const QStyle::SubControl part = PartAt(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        m_window.ShowWindowMenu(event->globalPosition().toPoint());
    } else if (event->button() != Qt::LeftButton) {
        return;
    } else if (part == QStyle::SC_TitleBarSysMenu) {
        m_window.ShowWindowMenu(mapToGlobal(PartRect(part).bottomLeft()));
    } else if (part == QStyle::SC_TitleBarLabel) {
        if (QWindow* handle = m_window.windowHandle()) {
            handle->startSystemMove();
        }
    } else {
        m_pressed = part;
        update();
    }
}

void CaptionBar::mouseReleaseEvent(QMouseEvent* event) {
    const QStyle::SubControl pressed = m_pressed;
    m_pressed = QStyle::SC_None;
    update();
    // A button acts when the press and the release are both on it, as on any frame.
    if (event->button() != Qt::LeftButton || pressed == QStyle::SC_None ||
        PartAt(event->position().toPoint()) != pressed) {
        return;
    }
    m_window.Owner().SendMessage(
        WM_SYSCOMMAND, pressed == QStyle::SC_TitleBarMinButton ? SC_MINIMIZE : SC_CLOSE, 0);
}

void CaptionBar::mouseDoubleClickEvent(QMouseEvent* event) {
    // No maximise, so a double click on the title does what a second press would.
    mousePressEvent(event);
}

bool CaptionBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
    case QEvent::ActivationChange:
    case QEvent::WindowStateChange:
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
