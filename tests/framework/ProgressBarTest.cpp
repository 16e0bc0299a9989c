// The progress bar's own rules for its range, position and step, one change at a time.
#include "framework/GuiTesting.h"
#include "platform/framework/ProgressBarWidget.h"

#include <climits>
#include <optional>

namespace {

enum class Change { SetPos, StepIt, SetRange };

struct BarCase {
    const char* name;
    short lower, upper; // the range set first
    int step;
    int from;          // then the position, set within that range
    Change change;     // then one change
    int first, second; // SetPos: first; SetRange: first, second
    int previous;      // what SetPos and StepIt yield
    int pos;           // the position afterwards
};

constexpr BarCase kCases[] = {
    // StepIt: forward, and past the end over again from the start keeping the remainder.
    {"StepsWithinTheRange", 0, 100, 5, 0, Change::StepIt, 0, 0, 0, 5},
    {"ReachesTheEndExactly", 0, 100, 5, 95, Change::StepIt, 0, 0, 95, 100},
    {"WrapsPastTheEnd", 0, 100, 5, 100, Change::StepIt, 0, 0, 100, 5},
    {"WrapsKeepingALargeRemainder", 0, 100, 30, 90, Change::StepIt, 0, 0, 90, 20},
    {"WrapsAStepLongerThanTheRange", 0, 100, 250, 10, Change::StepIt, 0, 0, 10, 60},
    {"WrapsInARangeNotStartingAtZero", 10, 20, 4, 18, Change::StepIt, 0, 0, 18, 12},
    {"WrapsInARangeAcrossZero", -50, 50, 10, 45, Change::StepIt, 0, 0, 45, -45},
    {"ZeroStepStays", 0, 100, 0, 40, Change::StepIt, 0, 0, 40, 40},
    // StepIt with a negative step: backward, and past the start over again from the end.
    {"NegativeStepWithinTheRange", 0, 100, -5, 50, Change::StepIt, 0, 0, 50, 45},
    {"NegativeStepReachesTheStartExactly", 0, 100, -5, 5, Change::StepIt, 0, 0, 5, 0},
    {"NegativeStepWrapsBelowTheStart", 0, 100, -5, 0, Change::StepIt, 0, 0, 0, 95},
    // Steps at the limits of int move the position without overflowing.
    {"LargestStep", 0, 100, INT_MAX, 50, Change::StepIt, 0, 0, 50, 97},
    {"SmallestStep", 0, 100, INT_MIN, 50, Change::StepIt, 0, 0, 50, 2},
    // An empty or reversed range holds the position at its lower end.
    {"EmptyRangeStepsNowhere", 50, 50, 5, 0, Change::StepIt, 0, 0, 50, 50},
    {"ReversedRangeStepsNowhere", 100, 0, 5, 0, Change::StepIt, 0, 0, 100, 100},
    // SetPos clamps to the range.
    {"SetPosInside", 0, 100, 10, 10, Change::SetPos, 42, 0, 10, 42},
    {"SetPosClampsAboveTheEnd", 0, 100, 10, 10, Change::SetPos, 150, 0, 10, 100},
    {"SetPosClampsBelowTheStart", 0, 100, 10, 10, Change::SetPos, -3, 0, 10, 0},
    {"SetPosClampsInANegativeRange", -50, -10, 10, -20, Change::SetPos, 0, 0, -20, -10},
    {"SetPosClampsToTheWidestRange", -32768, 32767, 10, 0, Change::SetPos, 40000, 0, 0, 32767},
    {"SetPosInAnEmptyRange", 7, 7, 10, 7, Change::SetPos, 9, 0, 7, 7},
    {"SetPosInAReversedRange", 20, 10, 10, 20, Change::SetPos, 15, 0, 20, 20},
    // SetRange clamps the position into a new range that is not empty, and leaves it otherwise.
    {"ShrinkingTheEndClampsThePosition", 0, 100, 10, 80, Change::SetRange, 0, 50, 0, 50},
    {"RaisingTheStartClampsThePosition", 0, 100, 10, 10, Change::SetRange, 20, 100, 0, 20},
    {"AWiderRangeKeepsThePosition", 0, 100, 10, 30, Change::SetRange, -100, 200, 0, 30},
    {"AnEmptyRangeKeepsThePosition", 0, 100, 10, 30, Change::SetRange, 40, 40, 0, 30},
    {"AReversedRangeKeepsThePosition", 0, 100, 10, 30, Change::SetRange, 100, 0, 0, 30},
};

TEST(ProgressBar, RangePositionAndStepFollowTheControlsRules) {
    StartToolkitForTests();
    for (const BarCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ProgressBarWidget bar(0, nullptr);
        bar.SetRange(c.lower, c.upper);
        bar.SetStep(c.step);
        bar.SetPos(c.from);
        std::optional<int> previous;
        int lower = c.lower;
        int upper = c.upper;
        switch (c.change) {
        case Change::SetPos:
            previous = bar.SetPos(c.first);
            break;
        case Change::StepIt:
            previous = bar.StepIt();
            break;
        case Change::SetRange:
            lower = c.first;
            upper = c.second;
            bar.SetRange(static_cast<short>(lower), static_cast<short>(upper));
            break;
        }
        if (previous) {
            EXPECT_EQ(*previous, c.previous);
        }
        EXPECT_EQ(bar.GetPos(), c.pos);
        int shownLower = 0;
        int shownUpper = 0;
        bar.GetRange(shownLower, shownUpper);
        EXPECT_EQ(shownLower, lower);
        EXPECT_EQ(shownUpper, upper);
        EXPECT_EQ(bar.SetStep(1), c.step) << "the step is kept";
    }
}

TEST(ProgressBar, StartsWithTheControlsDefaults) {
    StartToolkitForTests();
    ProgressBarWidget bar(0, nullptr);
    int lower = -1;
    int upper = -1;
    bar.GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 100);
    EXPECT_EQ(bar.GetPos(), 0);
    EXPECT_EQ(bar.SetStep(5), 10);
}

} // namespace
