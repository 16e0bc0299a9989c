#include "platform/framework/ProgressCtrl.h"

#include "platform/framework/QtWindow.h"

#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

ProgressBarWidget::ProgressBarWidget(std::uint32_t style, QWidget* parent)
    : QWidget(parent), m_smooth((style & PBS_SMOOTH) != 0) {}

void ProgressBarWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawShadePanel(&painter, rect(), palette(), true, 1, &palette().brush(QPalette::Window));
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const int range = m_upper - m_lower;
    if (range <= 0 || inner.width() <= 0 || inner.height() <= 0) {
        return;
    }
    const int filled =
        static_cast<int>(static_cast<long long>(m_pos - m_lower) * inner.width() / range);
    const QBrush bar = palette().brush(QPalette::Highlight);
    if (m_smooth) {
        painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), bar);
        return;
    }
    // Segments two thirds as wide as the bar is high, two pixels apart; a segment that has
    // begun is drawn whole.
    const int segment = std::max(2, inner.height() * 2 / 3);
    for (int x = 0; x < filled; x += segment + 2) {
        const int width = std::min(segment, inner.width() - x);
        painter.fillRect(QRect(inner.left() + x, inner.top(), width, inner.height()), bar);
    }
}

namespace {

ProgressBarWidget* BarOf(HWND hWnd) {
    return dynamic_cast<ProgressBarWidget*>(AfxWidget(hWnd));
}

} // namespace

void CProgressCtrl::SetRange(short nLower, short nUpper) {
    if (ProgressBarWidget* bar = BarOf(m_hWnd)) {
        bar->m_lower = nLower;
        bar->m_upper = nUpper;
        if (nLower < nUpper) {
            bar->m_pos = std::clamp(bar->m_pos, int{nLower}, int{nUpper});
        }
        bar->update();
    }
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    nLower = bar ? bar->m_lower : 0;
    nUpper = bar ? bar->m_upper : 0;
}

int CProgressCtrl::SetPos(int nPos) {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    if (bar == nullptr) {
        return 0;
    }
    const int previous = bar->m_pos;
    bar->m_pos =
        bar->m_lower < bar->m_upper ? std::clamp(nPos, bar->m_lower, bar->m_upper) : bar->m_lower;
    if (bar->m_pos != previous) {
        bar->update();
    }
    return previous;
}

int CProgressCtrl::GetPos() const {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    return bar ? bar->m_pos : 0;
}

int CProgressCtrl::SetStep(int nStep) {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    if (bar == nullptr) {
        return 0;
    }
    const int previous = bar->m_step;
    bar->m_step = nStep;
    return previous;
}

int CProgressCtrl::StepIt() {
    ProgressBarWidget* bar = BarOf(m_hWnd);
    if (bar == nullptr) {
        return 0;
    }
    const int previous = bar->m_pos;
    const int range = bar->m_upper - bar->m_lower;
    int next = previous + bar->m_step;
    if (range > 0 && (next > bar->m_upper || next < bar->m_lower)) {
        // Starts over from the beginning with what is left over past the end.
        int offset = (previous - bar->m_lower + bar->m_step) % range;
        if (offset < 0) {
            offset += range;
        }
        next = bar->m_lower + offset;
    } else if (range <= 0) {
        next = bar->m_lower;
    }
    bar->m_pos = next;
    bar->update();
    return previous;
}
