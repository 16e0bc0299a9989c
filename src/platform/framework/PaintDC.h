#pragma once
// CPaintDC: painting a window during its WM_PAINT. Outside a paint it draws nothing.

#include "platform/framework/AfxTypes.h"

#include <memory>

class CWnd;
struct AfxPainter;

class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const;
    BOOL DrawIcon(int x, int y, HICON hIcon);

private:
    std::unique_ptr<AfxPainter> m_painter;
};

// Erases behind the minimised window's icon: the background of the painter's device (hdc is a
// CPaintDC's GetSafeHdc()). The window's default handling of WM_ICONERASEBKGND calls it.
void AfxEraseIconBackground(HDC hdc);
