// Proportions of a key in key units: white keys are 3 wide and 16 high, their upper part (where
// black keys sit between them) 10 high; black keys are 2 wide and 10 - 1/3 high.
#pragma once

namespace halcyone {

constexpr int whiteKeyUnits = 3;
constexpr int blackKeyUnits = 2;
constexpr int upperPartUnits = 10;
constexpr int keyHeightUnits = 16;
constexpr int whiteKeysPerOctave = 7;

// The white key width w less the part a black key covers on one side.
constexpr int notchWidth(int whiteWidth) { return (whiteWidth - whiteWidth / 2) / 2; }

}  // namespace halcyone
