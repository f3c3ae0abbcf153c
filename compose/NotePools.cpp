#include "compose/NotePools.h"

namespace halcyone {

const std::array<Scale, scaleCount> scaleTable = {{
    {"Major", {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0}},
    {"Minor Natural", {0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0, 1}},
    {"Minor Harmonic", {0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}},
    {"Minor Melodic", {0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0}},
    {"Chromatic", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"Pentatonic", {0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 1}},
    {"Maj Arpeggio", {0, 1, 1, 1, 0, 1, 1, 0, 1, 1, 1, 1}},
    {"Min Arpeggio", {0, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1}},
    {"Dorian", {0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1}},
    {"Phrygian", {0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1}},  // with the major sixth
    {"Lydian", {0, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0}},
    {"Mixolydian", {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1}},
    {"Locrian", {0, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1}},
    {"Tone", {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}},
    {"Octatonic1", {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}},
    {"Octatonic2", {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}},
}};

namespace {

// Shared end of both builders: an empty pool or a leading 0 becomes lowNote.
void finishPool(Channel& channel, int count) {
    if (channel.pool[0] == 0) channel.pool[0] = channel.lowNote;
    if (count == 0) count = 1;
    channel.poolTop = count - 1;
}

constexpr const char* noteLetters = "C#D#EF#G#A#B";

}  // namespace

void buildScalePool(Channel& channel) {
    channel.pool.fill(0);
    int count = 0;
    const int tonic = channel.lowNote % semitones;
    const auto& marks = scaleTable[static_cast<std::size_t>(channel.scaleIndex)].marks;
    for (int n = channel.lowNote; n <= channel.highNote && count < midiNoteCount; ++n)
        if (marks[static_cast<std::size_t>((n - tonic) % semitones)] == 0)
            channel.pool[static_cast<std::size_t>(count++)] = n;
    finishPool(channel, count);
}

void buildKeyboardPool(Channel& channel) {
    channel.pool.fill(0);
    int count = 0;
    for (int n = 0; n < midiNoteCount; ++n)
        if (channel.keys[static_cast<std::size_t>(n)] != 0)
            channel.pool[static_cast<std::size_t>(count++)] = n;
    finishPool(channel, count);
}

std::string noteName(int note) {
    std::string name = "   ( )";
    const int pitchClass = ((note % semitones) + semitones) % semitones;
    const char c = noteLetters[pitchClass];
    if (c == '#') {
        name[1] = '#';
        name[0] = noteLetters[pitchClass - 1];
    } else {
        name[0] = c;
    }
    name[4] = std::to_string(note / semitones + 1)[0];
    return name;
}

}  // namespace halcyone
