// Checks that bytes are a Standard MIDI File the player can read, before anything is played:
// the player itself only finds a broken file once it has started, and then stays silent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/MidiStatus.h"

namespace halcyone {

constexpr std::size_t maxMidiFileBytes = 64u << 20;  // far above the largest composition
constexpr int maxMidiFileTracks = 128;               // what the player can hold
constexpr std::uint64_t maxMidiFileTicks = 0x7FFFFFFF;  // per track, so tick sums can't overflow

struct MidiFileFacts {
    int format = 0;
    int tracks = 0;
    int division = 0;               // ticks per quarter note
    std::uint32_t lengthTicks = 0;  // of the longest track, up to its last event
    // The first program change of each channel in the file's order of bytes, -1 for none.
    std::array<int, midi::channels> firstProgram = [] {
        std::array<int, midi::channels> none{};
        none.fill(-1);
        return none;
    }();
};

// One event of a track as the check reads it: its tick counted from the track's start, its
// status byte (running status resolved), and its data: the data bytes of a channel message,
// the contents of a meta event (then metaType is set) or of a system exclusive message.
struct MidiTrackEvent {
    std::uint32_t tick = 0;
    std::uint8_t status = 0;
    std::uint8_t metaType = 0;
    std::span<const std::uint8_t> data;
};

// Called for each event in the order of the file's bytes, tracks numbered from 0.
using MidiEventVisitor = std::function<void(int track, const MidiTrackEvent& event)>;

// The facts of `bytes` when they hold an "MThd" header of length 6 with format 0 to 2, 1 to
// maxMidiFileTracks tracks and a metrical division, followed by that many complete "MTrk"
// chunks (other chunks are skipped) whose events all parse within their chunk; nothing
// otherwise. SMPTE divisions are refused: the player can't time them.
// When `visit` is given it sees every event read, even those of a file refused later on.
std::optional<MidiFileFacts> inspectMidiFile(std::span<const std::uint8_t> bytes,
                                             const MidiEventVisitor& visit = {});

inline bool isStandardMidiFile(std::span<const std::uint8_t> bytes) {
    return inspectMidiFile(bytes).has_value();
}

// Reads the file at `path` into `bytes` and checks it, into `facts`. resultOk, or
// resultNotMidiFile when the path is empty, the file is missing, unreadable, larger than
// maxMidiFileBytes or not a Standard MIDI File (then `bytes` is left empty and `facts` alone).
int readMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes, MidiFileFacts& facts);

}  // namespace halcyone
