// The 370-byte preferences layout: a 40-byte header and five 66-byte channel blocks. Two-byte
// counts are big-endian, colours are stored blue first, doubles are IEEE 754 little-endian.
// Pure: no files, no controls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "compose/Channel.h"
#include "fractal/Colour.h"
#include "fractal/ViewRect.h"

namespace halcyone {

constexpr std::size_t preferencesSize = 370;
constexpr std::size_t preferencesHeaderSize = 40;
constexpr std::size_t preferencesBlockSize = 66;
// A load reads this much at most; whatever follows the first 370 bytes is ignored.
constexpr std::size_t preferencesReadLimit = 1000;

// Everything of a channel that the file keeps. Flags are 0 or 1.
struct ChannelPreferences {
    std::int32_t instrument = 0;
    std::int32_t mode = 0;
    Colour colour = black;
    std::array<std::int32_t, midiParameterCount> paramEnabled{};
    std::array<std::int32_t, midiParameterCount> slideSpeed{};
    std::int32_t allNotes = 0;
    std::int32_t cycleScale = 0;
    std::int32_t noteLength = 0;
    std::int32_t lowNote = 0;
    std::int32_t highNote = 0;
    std::int32_t scaleIndex = 0;
    ViewRect view;
    std::array<std::uint8_t, midiNoteCount> keys{};
};

// The whole set-up a preferences file holds.
struct Preferences {
    std::int32_t differentSet = 0;  // "Different set for each channel" checked
    std::int32_t barNumber = 0;     // "Bar Number" position
    std::int32_t tempo = 0;         // "Tempo" position
    Colour startColour = black;
    ViewRect sharedView;
    std::array<ChannelPreferences, channelCount> channels;
};

using PreferencesBytes = std::array<std::uint8_t, preferencesSize>;

// Each one-byte field is the low 8 bits of its value; flags and keys are stored as 0 or 1.
PreferencesBytes encodePreferences(const Preferences& preferences);

struct DecodedPreferences {
    Preferences preferences;
    std::string problem;  // empty when the bytes were accepted

    bool ok() const { return problem.empty(); }
};

// Reads the first 370 bytes of `bytes`. Refuses (with a sentence naming the problem) fewer
// bytes or any value outside the ranges the program relies on: bar count 1..999, tempo
// 30..300, instrument 0..127, mode 0..3, scale 0..15, note length 0..6, slide speed 0..100,
// notes 0..95 with the low note not above the high note. Views are taken as they are.
DecodedPreferences decodePreferences(std::span<const std::uint8_t> bytes);

}  // namespace halcyone
