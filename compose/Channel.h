// Everything the user sets up for one MIDI channel and everything the composer makes for it.
#pragma once

#include <array>
#include <cstdint>

#include "compose/NoteEvent.h"
#include "fractal/Colour.h"
#include "fractal/ViewRect.h"

namespace halcyone {

constexpr int channelCount = 5;
constexpr int maxEvents = 65000;
constexpr int midiNoteCount = 128;
constexpr int maxRangeNote = 95;  // highest note the "From" / "to" arrows reach
constexpr int noteLengthCount = 7;  // "1/1" .. "1/64"
constexpr int modeCount = 4;
constexpr int maxInstrument = 127;

enum class ScanMode : int { UpBorder = 0, DownBorder = 1, AverageAmount = 2, PlaySquare = 3 };

using EventArray = std::array<NoteEvent, maxEvents>;

struct Channel {
    // Applies the defaults. The event arrays are left alone: channels live in zero-filled
    // static storage, and touching 5 MB per channel at start-up would be waste.
    Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Puts every setting, the pool and the keys back to the defaults; leaves the events alone.
    void applyDefaults();

    std::int32_t lowNote;
    std::int32_t highNote;
    std::int32_t scaleIndex;
    std::int32_t cycleScale;
    std::int32_t allNotes;
    std::int32_t noteLength;
    ViewRect view;
    std::int32_t instrument;  // 0 = "Off", k = General MIDI program k - 1
    std::int32_t mode;        // a ScanMode
    std::int32_t colourIndex;
    Colour colour;
    std::array<std::int32_t, midiParameterCount> paramEnabled;
    std::array<std::int32_t, midiParameterCount> slideSpeed;
    EventArray events;     // joined; ends at the first entry whose note is 0
    EventArray rawEvents;  // as scanned
    // Entries from these on are zero in events and rawEvents. Whatever writes the arrays raises
    // them (the composer does), so that clearing touches only what was written: the arrays lie
    // in zero-filled static storage, and every page of them touched costs a page fault (about
    // 70 ms for all 26 MB on the tested machine).
    std::int32_t eventsExtent = 0;
    std::int32_t rawEventsExtent = 0;
    std::array<std::int32_t, midiNoteCount> pool;
    std::array<std::uint8_t, midiNoteCount> keys;
    std::int32_t poolTop;

    bool enabled() const { return instrument != 0; }
};

// Zeroes all ten fields of every entry.
void clearEvents(EventArray& events);

// Zeroes both event arrays of the channel up to their extents, and the extents.
void clearChannelEvents(Channel& channel);

// Number of entries before the first whose note is 0.
int eventCount(const EventArray& events);

}  // namespace halcyone
