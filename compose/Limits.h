// The ranges of the set-up that every part relies on (the preferences file refuses values
// outside them), and the time grid of a composition.
#pragma once

namespace halcyone {

// "Bar Number", "Tempo" (beats per minute) and a parameter's "Slide speed": the range, and
// the value at start-up.
constexpr int barNumberMin = 1, barNumberMax = 999, barNumberStart = 5;
constexpr int tempoMin = 30, tempoMax = 300, tempoStart = 120;
constexpr int slideSpeedMin = 0, slideSpeedMax = 100, slideSpeedStart = 0;

// Times are in sixty-fourths of a bar.
constexpr int stepsPerBar = 64;

// A scan grid has this many columns beyond its bars. With the shortest note, one column per
// step, a channel's event list therefore holds at most stepsPerBar x bars + extraGridColumns
// entries, which is as far as the MIDI writer looks.
constexpr int extraGridColumns = 10;

}  // namespace halcyone
