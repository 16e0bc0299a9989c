#pragma once
// CWnd: a window as the program sees it, wrapping the toolkit's widget. Messages reach a window
// through SendMessage, which runs the class's command table and otherwise the default handling.
// A file exception that escapes a handler ends at SendMessage: it is reported in a message box
// and the handler is abandoned.

#include "platform/framework/AfxTypes.h"
#include "platform/framework/MessageMap.h"

#include <memory>
#include <string>

class CMenu;

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Delivers a message now, on the window thread, and yields the handler's result.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    int GetDlgCtrlID() const;
    void SetWindowText(const std::string& text);
    void GetWindowText(std::string& text) const;
    BOOL IsIconic() const;
    void GetClientRect(CRect* rect) const;

    // The window menu: Restore, Minimize, Close and what the program appends. bRevert TRUE
    // puts back the standard items and yields nullptr.
    CMenu* GetSystemMenu(BOOL bRevert);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    // Ticks arrive as WM_TIMER with the id; no callback is supported (pass nullptr).
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);

    int MessageBox(const std::string& text, const std::string& caption = {}, UINT nType = MB_OK);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs the default handling for the message in hand.
    LRESULT Default();

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg HCURSOR OnQueryDragIcon();

private:
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage m_current;
    std::unique_ptr<CMenu> m_systemMenu;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
};

// Reports an exception that escaped a handler the way the framework does: a message box with
// the cause's text and the application's name as caption.
void AfxReportHandlerException(const std::exception& error);
