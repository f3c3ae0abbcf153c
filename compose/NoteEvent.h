#pragma once

#include <cstdint>

namespace halcyone {

// One note of a composition. Times are in sixty-fourths of a bar. A controller, pitch-wheel or
// pressure field of 0 means nothing is sent; a `note` of 0 ends an event list.
struct NoteEvent {
    std::int32_t note;
    std::int32_t length;
    std::int32_t step;
    std::int32_t bar;
    std::int32_t velocity;
    std::int32_t modulation;
    std::int32_t pitchWheel;
    std::int32_t pan;
    std::int32_t expression;
    std::int32_t aftertouch;

    friend bool operator==(const NoteEvent&, const NoteEvent&) = default;
};

// The six controller slots of a channel, in the order of the "Midi parameter" list.
enum class MidiParameter : int {
    PitchWheel = 0,
    Aftertouch = 1,
    Velocity = 2,
    ModulationWheel = 3,
    Pan = 4,
    Expression = 5,
};
constexpr int midiParameterCount = 6;

}  // namespace halcyone
