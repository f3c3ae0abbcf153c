// Turns a channel's samples, taken in scan order, into its raw events. Runs on the thread that
// composes: writes notes, lengthens the last note on a rest, advances time, stops after the last
// bar and steps the progress. Whatever took the samples, the fold makes the same events.
#pragma once

#include <array>
#include <cstdint>

#include "compose/Channel.h"
#include "compose/ComposeSampler.h"
#include "compose/ComposeSettings.h"
#include "compose/Composer.h"

namespace halcyone {

// Lowest and highest value of a controller that slides.
constexpr int slideFloor = 10;
constexpr int slideCeiling = 127;

// A controller sample s (1..255) scaled to 0..127. With a slide speed and a previous note, the
// value walks instead from that note's value: up by the speed when the scaled sample is even,
// down when it is odd, held within 10..127.
int slidingValue(int sample, const std::int32_t* previous, int slideSpeed);

class ScanFold {
public:
    // Writes into channel.rawEvents from entry 0; expects the array cleared.
    ScanFold(Channel& channel, const ScanSettings& settings, ComposeProgress& progress);
    ScanFold(const ScanFold&) = delete;
    ScanFold& operator=(const ScanFold&) = delete;

    // The next column of a column scan. False once the scan has stopped.
    bool takeColumn(const ColumnSample& column);
    // The next sample of "Play square". False once the scan has stopped.
    bool takeSquareSample(std::uint8_t sample);

    int rawCount() const { return rawCount_; }

private:
    int poolNote(int k) const;
    // Appends a note chosen from k at the current time; returns it.
    NoteEvent& writeNote(int k);
    void applyControllers(NoteEvent& event, const ColumnSample& column) const;
    // Advances one step; false when that completed the bar after the last one.
    bool advanceTime();

    Channel& channel_;
    const ScanSettings& settings_;
    ComposeProgress& progress_;
    int step_ = 0;
    int bar_ = 0;
    int rawCount_ = 0;
};

}  // namespace halcyone
