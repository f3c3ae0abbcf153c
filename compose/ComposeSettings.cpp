#include "compose/ComposeSettings.h"

#include <algorithm>

#include "fractal/FractalPlane.h"

namespace halcyone {

namespace {
constexpr int progressStepsPerChannel = 4;  // about four steps for each channel's bars
}

int scannedBarCount(int barCount) { return std::clamp(barCount, barNumberMin, barNumberMax); }

int progressEveryForBars(int barCount) { return std::max(barCount / progressStepsPerChannel, 1); }

ScanSettings scanSettingsFor(const Channel& channel, int barCount, Colour startColour) {
    ScanSettings s{};
    s.barCount = scannedBarCount(barCount);
    s.mode = channel.mode;
    const int noteLength = std::clamp(channel.noteLength, 0, maxNoteLength);
    s.stepLength = stepsPerBar >> noteLength;
    const int columnsPerBar = 1 << noteLength;
    s.gridSize = s.barCount * columnsPerBar + extraGridColumns;
    s.squareSide = squareSideFor(s.gridSize);
    s.divisor = s.mode == static_cast<int>(ScanMode::PlaySquare) ? squareDivisor : s.gridSize;
    s.progressEvery = progressEveryForBars(s.barCount);
    // Every column advances time by one step, so the scan stops after a known column.
    s.columnsToScan = std::min(s.gridSize, (s.barCount + 1) * columnsPerBar);
    for (int i = 0; i < midiParameterCount; ++i) {
        s.slotEnabled[i] = channel.paramEnabled[i] != 0;
        s.anyParameter = s.anyParameter || s.slotEnabled[i];
    }
    s.countFloor = noMatchingCount;
    for (int v = escapeCountValues - 1; v >= 0; --v) {
        s.matchesColour[v] = iterationColour(v, startColour) == channel.colour;
        if (s.matchesColour[v]) s.countFloor = v;
    }
    return s;
}

int soleMatchingCount(const ScanSettings& settings) {
    if (settings.countFloor == 0 || settings.countFloor == noMatchingCount) return 0;
    const auto later = settings.matchesColour.begin() + settings.countFloor + 1;
    return std::find(later, settings.matchesColour.end(), true) == settings.matchesColour.end()
               ? settings.countFloor
               : 0;
}

}  // namespace halcyone
