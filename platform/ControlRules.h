// How the up-downs and the progress bar treat positions, typed text and steps: one rule set for
// the window's widgets and for the in-memory panel, so both hosts answer every message alike.
#pragma once

#include <optional>
#include <string_view>

namespace halcyone {

// A range as a control is given it: `low` may lie above `high`. Its positions are the values
// between the two ends whichever is the lower; an up-down's Up arrow moves towards `high`.
struct ControlRange {
    int low = 0;
    int high = 100;

    int least() const { return low < high ? low : high; }
    int most() const { return low < high ? high : low; }
};

// `position` brought within the range.
int clampToRange(int position, ControlRange range);

// What typed text in an up-down's buddy makes of its position: the number when the text is a
// whole number within the range, nothing otherwise (the position then keeps its value).
std::optional<int> typedPosition(std::string_view text, ControlRange range);

// One arrow step of an up-down: Up (`towardsHigh`) moves one towards `high`, Down one towards
// `low`, never past either end.
int steppedPosition(int position, bool towardsHigh, ControlRange range);

// One step of a progress bar: `step` onwards, starting over from the least position once past
// the most, as a native progress bar does.
int progressAfterStep(int position, int step, ControlRange range);

}  // namespace halcyone
