// What one compose of a channel derives from the channel's settings before it scans.
#pragma once

#include <array>
#include <cstdint>

#include "compose/Channel.h"
#include "fractal/Colour.h"
#include "compose/Limits.h"

namespace halcyone {

constexpr int maxNoteLength = noteLengthCount - 1;                                   // "1/64"
constexpr int maxGridSize = barNumberMax * (1 << maxNoteLength) + extraGridColumns;  // 63,946
constexpr int squareDivisor = 255;  // "Play square" spreads escape counts 1..255 over the pool
constexpr int escapeCountValues = 256;

constexpr int integerSqrt(int n) {
    int root = 0;
    while ((root + 1) * (root + 1) <= n) ++root;
    return root;
}
constexpr int squareSideFor(int gridSize) {
    return integerSqrt(gridSize) + 1;
}
constexpr int maxSquareSide = squareSideFor(maxGridSize);  // 253

// The event arrays hold every event a compose can write, so writing needs no bound check.
static_assert(maxGridSize <= maxEvents, "a column scan writes at most one event per column");
static_assert((barNumberMax + 1) * stepsPerBar <= maxEvents,
              "\"Play square\" stops once the bar after the last one is complete");

struct ScanSettings {
    int barCount;       // 1..999
    int mode;           // a ScanMode; any other value matches nothing
    int stepLength;     // sixty-fourths per step: 64 >> noteLength
    int gridSize;       // columns, and rows, of the column modes
    int squareSide;     // side of the "Play square" grid
    int divisor;        // of the proportional note choice
    int progressEvery;  // the progress bar steps every this many bars
    int columnsToScan;  // columns before the scan passes bar barCount or runs out of columns
    bool anyParameter;
    std::array<bool, midiParameterCount> slotEnabled;
    std::array<bool, escapeCountValues> matchesColour;  // count -> its colour is the channel's
    // The lowest count that matches, when count 0 (inside the set) does not: a sample whose
    // count falls below it cannot match, so its orbit may stop there. 0 when count 0 matches,
    // noMatchingCount when no count does.
    int countFloor;
};

constexpr int noMatchingCount = escapeCountValues;

// "Up border", "Down border" and "Average amount" scan a grid column by column.
constexpr bool scansColumns(int mode) {
    return mode == static_cast<int>(ScanMode::UpBorder) ||
           mode == static_cast<int>(ScanMode::DownBorder) ||
           mode == static_cast<int>(ScanMode::AverageAmount);
}

// barCount is held to 1..999 and noteLength to 0..6, the ranges the buffers are sized for.
ScanSettings scanSettingsFor(const Channel& channel, int barCount, Colour startColour);

// The bar count a compose works with: `barCount` held to 1..999.
int scannedBarCount(int barCount);
// How many bars a channel's compose scans between two steps of the progress bar, for a bar
// count in 1..999; the same for every channel.
int progressEveryForBars(int barCount);

// The one count that has the channel's colour, when only one does and it is not 0 (inside the
// set): such rows can be matched without counting. 0 otherwise.
int soleMatchingCount(const ScanSettings& settings);

}  // namespace halcyone
