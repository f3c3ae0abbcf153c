// The pools of allowed notes of a channel, and the display names of notes.
#pragma once

#include <array>
#include <string>

#include "compose/Channel.h"

namespace halcyone {

constexpr int scaleCount = 16;
constexpr int semitones = 12;

struct Scale {
    const char* name;
    // marks[d] is 0 when the degree d semitones above the tonic belongs to the scale, else 1.
    std::array<int, semitones> marks;
};

extern const std::array<Scale, scaleCount> scaleTable;

// Pool from lowNote..highNote on scaleTable[scaleIndex], tonic = pitch class of lowNote.
void buildScalePool(Channel& channel);
// Pool from the selected keys; a 0 in the first place (or an empty pool) becomes lowNote.
void buildKeyboardPool(Channel& channel);

// Six characters: letter, '#' or blank, blank, octave from 1 in parentheses: "F# (5)".
std::string noteName(int note);

}  // namespace halcyone
