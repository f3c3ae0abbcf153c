#include "platform/ControlRules.h"

#include <algorithm>

#include "platform/WholeNumber.h"

namespace halcyone {

int clampToRange(int position, ControlRange range) {
    return std::clamp(position, range.least(), range.most());
}

std::optional<int> typedPosition(std::string_view text, ControlRange range) {
    const auto typed = wholeNumber(text);
    if (!typed || *typed < range.least() || *typed > range.most()) return std::nullopt;
    return static_cast<int>(*typed);
}

int steppedPosition(int position, bool towardsHigh, ControlRange range) {
    const int direction = (range.high >= range.low) == towardsHigh ? 1 : -1;
    return clampToRange(position + direction, range);
}

int progressAfterStep(int position, int step, ControlRange range) {
    const int span = range.most() - range.least();
    const int next = position + step;
    if (span <= 0) return range.least();
    if (next > range.most()) return range.least() + (next - range.least()) % span;
    return clampToRange(next, range);
}

}  // namespace halcyone
