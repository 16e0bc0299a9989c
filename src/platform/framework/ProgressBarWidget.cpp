#include "platform/framework/ProgressBarWidget.h"

#include "platform/framework/AfxTypes.h"

#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

ProgressBarWidget::ProgressBarWidget(std::uint32_t style, QWidget* parent)
    : QWidget(parent), m_smooth((style & PBS_SMOOTH) != 0) {}

void ProgressBarWidget::SetRange(short nLower, short nUpper) {
    m_lower = nLower;
    m_upper = nUpper;
    if (nLower < nUpper) {
        m_pos = std::clamp(m_pos, int{nLower}, int{nUpper});
    }
    update();
}

void ProgressBarWidget::GetRange(int& nLower, int& nUpper) const {
    nLower = m_lower;
    nUpper = m_upper;
}

int ProgressBarWidget::SetPos(int nPos) {
    const int previous = m_pos;
    m_pos = m_lower < m_upper ? std::clamp(nPos, m_lower, m_upper) : m_lower;
    if (m_pos != previous) {
        update();
    }
    return previous;
}

int ProgressBarWidget::SetStep(int nStep) {
    const int previous = m_step;
    m_step = nStep;
    return previous;
}

int ProgressBarWidget::StepIt() {
    const int previous = m_pos;
    // In 64 bits: any step, however large, moves the position without overflow.
    const long long range = static_cast<long long>(m_upper) - m_lower;
    long long next = static_cast<long long>(previous) + m_step;
    if (range > 0 && (next > m_upper || next < m_lower)) {
        // Starts over from the beginning with what is left over past the end.
        long long offset = (static_cast<long long>(previous) - m_lower + m_step) % range;
        if (offset < 0) {
            offset += range;
        }
        next = m_lower + offset;
    } else if (range <= 0) {
        next = m_lower;
    }
    m_pos = static_cast<int>(next);
    update();
    return previous;
}

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
