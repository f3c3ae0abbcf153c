// The rules both control hosts follow: ranges in either order, typed text, arrow steps and the
// progress bar's wrap.
#include <gtest/gtest.h>

#include "platform/ControlRules.h"

using namespace halcyone;

TEST(ControlRules, ARangeGivenLowAboveHighHoldsTheValuesBetweenItsEnds) {
    const ControlRange inverted{300, 30};
    EXPECT_EQ(clampToRange(5, inverted), 30);
    EXPECT_EQ(clampToRange(500, inverted), 300);
    EXPECT_EQ(typedPosition("31", inverted), 31);
    EXPECT_EQ(typedPosition("301", inverted), std::nullopt);
    // Up moves towards the high end, which is the lower number here.
    EXPECT_EQ(steppedPosition(120, true, inverted), 119);
    EXPECT_EQ(steppedPosition(30, true, inverted), 30);
    EXPECT_EQ(steppedPosition(300, false, inverted), 300);
    EXPECT_EQ(steppedPosition(120, true, ControlRange{30, 300}), 121);
}

TEST(ControlRules, TypedTextIsTakenOnlyAsAWholeNumberWithinTheRange) {
    const ControlRange bars{1, 999};
    for (const char* refused : {"", "abc", "7.5", "0", "1000", "12ab", "1e2"})
        EXPECT_EQ(typedPosition(refused, bars), std::nullopt) << refused;
    EXPECT_EQ(typedPosition("999", bars), 999);
    EXPECT_EQ(typedPosition("+8", bars), 8);
}

TEST(ControlRules, TheProgressBarStartsOverPastItsMaximumAndStaysInRange) {
    const ControlRange bar{0, 100};
    EXPECT_EQ(progressAfterStep(95, 5, bar), 100);
    EXPECT_EQ(progressAfterStep(100, 5, bar), 5);
    EXPECT_EQ(progressAfterStep(90, 30, bar), 20);
    EXPECT_EQ(progressAfterStep(3, 5, ControlRange{7, 7}), 7);  // an empty span stays put
    EXPECT_EQ(progressAfterStep(10, -20, bar), 0);
}
