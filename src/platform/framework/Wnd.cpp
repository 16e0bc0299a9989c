#include "platform/framework/Wnd.h"

#include "platform/framework/ControlFactory.h"
#include "platform/framework/DialogWindow.h"
#include "platform/framework/Menu.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/PaintDC.h"
#include "platform/framework/QtIcons.h"
#include "platform/framework/QtMessageBox.h"
#include "platform/framework/QtText.h"
#include "platform/framework/WindowHandle.h"
#include "platform/system/FileException.h"

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd != nullptr) {
        if (auto* window = dynamic_cast<DialogWindow*>(AfxWidget(m_hWnd)->window())) {
            window->Detach(*this);
        }
    }
}

void AfxReportHandlerException(const std::exception& error) {
    if (auto* fileError = dynamic_cast<const CFileException*>(&error)) {
        AfxMessageBox(fileError->GetErrorMessage(), MB_ICONEXCLAMATION);
    } else {
        AfxMessageBox(error.what(), MB_ICONEXCLAMATION);
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Every way into the program's handlers passes here; nothing escapes into the toolkit.
    try {
        return WindowProc(message, wParam, lParam);
    } catch (const std::exception& error) {
        AfxReportHandlerException(error);
    }
    return 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    struct Restore {
        CurrentMessage& slot;
        CurrentMessage saved;
        ~Restore() { slot = saved; }
    } restore{m_current, m_current};
    m_current = {message, wParam, lParam};

    if (message == WM_COMMAND) {
        if (OnCmdMsg(LOWORD(wParam), HIWORD(wParam))) {
            return 0;
        }
        return DefWindowProc(message, wParam, lParam);
    }
    if (const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0)) {
        return entry->handler(*this, wParam, lParam);
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM) {
    QWidget* widget = AfxWidget(m_hWnd);
    switch (message) {
    case WM_SYSCOMMAND:
        if (widget == nullptr) {
            return 0;
        }
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            widget->showMinimized();
            break;
        case SC_RESTORE:
            widget->showNormal();
            break;
        case SC_CLOSE:
            return SendMessage(WM_CLOSE, 0, 0);
        default:
            break;
        }
        return 0;
    case WM_ICONERASEBKGND:
        AfxEraseIconBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    default:
        return 0;
    }
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}

int CWnd::GetDlgCtrlID() const {
    QWidget* widget = AfxWidget(m_hWnd);
    return widget ? widget->property(kControlIdProperty).toInt() : 0;
}

void CWnd::SetWindowText(const std::string& text) {
    if (QWidget* widget = AfxWidget(m_hWnd)) {
        AfxSetControlText(widget, text);
    }
}

void CWnd::GetWindowText(std::string& text) const {
    text = AfxGetControlText(AfxWidget(m_hWnd));
}

BOOL CWnd::IsIconic() const {
    QWidget* widget = AfxWidget(m_hWnd);
    return widget != nullptr && widget->isMinimized();
}

void CWnd::GetClientRect(CRect* rect) const {
    *rect = CRect{};
    QWidget* widget = AfxWidget(m_hWnd);
    if (widget == nullptr) {
        return;
    }
    const DialogWindow* window = AfxDialogWindow(*this);
    const QSize size = window ? window->Client()->size() : widget->size();
    rect->right = size.width();
    rect->bottom = size.height();
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
    const DialogWindow* window = AfxDialogWindow(*this);
    if (window == nullptr || (window->Template().style & WS_SYSMENU) == 0) {
        return nullptr;
    }
    if (bRevert) {
        m_systemMenu.reset();
        return nullptr;
    }
    if (!m_systemMenu) {
        m_systemMenu = std::make_unique<CMenu>();
        m_systemMenu->AppendMenu(MF_STRING | MF_GRAYED, SC_RESTORE, "&Restore");
        if (window->Template().style & WS_MINIMIZEBOX) {
            m_systemMenu->AppendMenu(MF_STRING, SC_MINIMIZE, "Mi&nimize");
        }
        m_systemMenu->AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    }
    return m_systemMenu.get();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    HICON& slot = bBigIcon ? m_bigIcon : m_smallIcon;
    HICON previous = slot;
    slot = hIcon;
    if (QWidget* widget = AfxWidget(m_hWnd)) {
        // One toolkit icon carries both sizes; the big one wins when both are set.
        QIcon icon = AfxIconOf(m_bigIcon ? m_bigIcon : m_smallIcon);
        widget->setWindowIcon(icon);
    }
    return previous;
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return bBigIcon ? m_bigIcon : m_smallIcon;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer) {
    DialogWindow* window = AfxDialogWindow(*this);
    if (window == nullptr || lpfnTimer != nullptr) {
        return 0;
    }
    return window->StartTimer(nIDEvent, nElapse);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    DialogWindow* window = AfxDialogWindow(*this);
    return window != nullptr && window->StopTimer(nIDEvent);
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT nType) {
    return AfxRunMessageBox(AfxWidget(m_hWnd), text, caption, nType);
}
