#pragma once
// The window's own caption, drawn on Wayland desktops. There the desktop may leave the frame to
// the toolkit, whose frame offers maximise to every window, fixed size or not. This caption
// offers what the template's styles ask for and never maximise: the icon (the window menu), the
// title, minimise for WS_MINIMIZEBOX and close for WS_SYSMENU. A press on the title moves the
// window; the buttons send the owner the window's system commands, as the design's frame does.

#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWidget>

class DialogWindow;

class CaptionBar : public QWidget {
public:
    // `flags`: the window's hints; Qt::WindowSystemMenuHint and Qt::WindowMinimizeButtonHint
    // choose the buttons.
    CaptionBar(DialogWindow& window, Qt::WindowFlags flags);

    // The caption's height, from the style.
    int CaptionHeight() const;
    // Whether the caption offers the part (SC_TitleBarCloseButton, ...), and where it is.
    bool Offers(QStyle::SubControl part) const;
    QRect PartRect(QStyle::SubControl part) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStyleOptionTitleBar Option() const;
    QStyle::SubControl PartAt(const QPoint& pos) const;

    DialogWindow& m_window;
    Qt::WindowFlags m_flags;
    QStyle::SubControl m_pressed = QStyle::SC_None;
};

// True when windows draw their own caption: on the Wayland platform.
bool AfxDrawsOwnCaption();
