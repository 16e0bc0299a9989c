#include "platform/framework/PaintDC.h"

#include "platform/framework/DialogWindow.h"
#include "platform/framework/QtIcons.h"
#include "platform/framework/Wnd.h"

#include <QPainter>

struct AfxPainter {
    explicit AfxPainter(QWidget* target) : painter(target) {}
    QPainter painter;
};

CPaintDC::CPaintDC(CWnd* pWnd) {
    DialogWindow* window = pWnd ? AfxDialogWindow(*pWnd) : nullptr;
    if (window != nullptr && window->InPaint()) {
        m_painter = std::make_unique<AfxPainter>(window->Client());
    }
}

CPaintDC::~CPaintDC() = default;

HDC CPaintDC::GetSafeHdc() const {
    return reinterpret_cast<HDC>(m_painter.get());
}

BOOL CPaintDC::DrawIcon(int x, int y, HICON hIcon) {
    if (!m_painter || hIcon == nullptr) {
        return FALSE;
    }
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    AfxIconOf(hIcon).paint(&m_painter->painter, QRect(x, y, cx, cy));
    return TRUE;
}

// Erases behind the minimised window's icon: the background of the painter's device.
void AfxEraseIconBackground(HDC hdc) {
    auto* painter = reinterpret_cast<AfxPainter*>(hdc);
    if (painter == nullptr) {
        return;
    }
    QWidget* target = static_cast<QWidget*>(painter->painter.device());
    painter->painter.fillRect(target->rect(), target->palette().window());
}
