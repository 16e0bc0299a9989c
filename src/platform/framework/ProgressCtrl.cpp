#include "platform/framework/ProgressCtrl.h"

#include "platform/framework/ProgressBarWidget.h"
#include "platform/framework/WindowHandle.h"

namespace {

ProgressBarWidget* BarOf(HWND hWnd) {
    return dynamic_cast<ProgressBarWidget*>(AfxWidget(hWnd));
}

} // namespace

void CProgressCtrl::SetRange(short nLower, short nUpper) {
    if (ProgressBarWidget* bar = BarOf(m_hWnd)) {
        bar->SetRange(nLower, nUpper);
    }
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
    nLower = 0;
    nUpper = 0;
    if (const ProgressBarWidget* bar = BarOf(m_hWnd)) {
        bar->GetRange(nLower, nUpper);
    }
}

int CProgressCtrl::SetPos(int nPos) {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    return bar ? bar->SetPos(nPos) : 0;
}

int CProgressCtrl::GetPos() const {
    const ProgressBarWidget* bar = BarOf(m_hWnd);
    return bar ? bar->GetPos() : 0;
}

int CProgressCtrl::SetStep(int nStep) {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    return bar ? bar->SetStep(nStep) : 0;
}

int CProgressCtrl::StepIt() {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    return bar ? bar->StepIt() : 0;
}
