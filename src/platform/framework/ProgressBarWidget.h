#pragma once
// The progress bar control behind CProgressCtrl: it owns the bar's range, position and step and
// the rules that change them, and draws the bar.

#include <QWidget>

#include <cstdint>

class ProgressBarWidget : public QWidget {
public:
    ProgressBarWidget(std::uint32_t style, QWidget* parent);

    // A range whose lower end is not below the upper one holds the position at the lower end.
    void SetRange(short nLower, short nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    // Each yields the previous position.
    int SetPos(int nPos); // clamped to the range
    int GetPos() const { return m_pos; }
    int SetStep(int nStep);
    // Advances by the step; past either end it starts over from the other, keeping the
    // remainder: with range 0..100 and step 5, 100 steps to 5.
    int StepIt();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_smooth;
    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    int m_step = 10;
};
