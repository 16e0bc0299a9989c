#pragma once
// CProgressCtrl: a bar of segments (or a smooth bar with PBS_SMOOTH) that shows no text.

#include "platform/framework/Wnd.h"

class CProgressCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    // Each yields the previous position.
    int SetPos(int nPos); // clamped to the range
    int GetPos() const;
    int SetStep(int nStep);
    // Advances by the step; past the end it starts over from the beginning, keeping the
    // remainder: with range 0..100 and step 5, 100 steps to 5.
    int StepIt();
};
