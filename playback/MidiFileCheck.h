// Checks that bytes are a Standard MIDI File the player can read, before anything is played:
// the player itself only finds a broken file once it has started, and then stays silent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace halcyone {

constexpr std::size_t maxMidiFileBytes = 64u << 20;  // far above the largest composition
constexpr int maxMidiFileTracks = 128;               // what the player can hold
constexpr std::uint64_t maxMidiFileTicks = 0x7FFFFFFF;  // per track, so tick sums can't overflow

constexpr int midiChannelCount = 16;

struct MidiFileFacts {
    int format = 0;
    int tracks = 0;
    int division = 0;               // ticks per quarter note
    std::uint32_t lengthTicks = 0;  // of the longest track, up to its last event
    // The first program change of each channel in the file's order of bytes, -1 for none.
    std::array<int, midiChannelCount> firstProgram = [] {
        std::array<int, midiChannelCount> none{};
        none.fill(-1);
        return none;
    }();
};

// The facts of `bytes` when they hold an "MThd" header of length 6 with format 0 to 2, 1 to
// maxMidiFileTracks tracks and a metrical division, followed by that many complete "MTrk"
// chunks (other chunks are skipped) whose events all parse within their chunk; nothing
// otherwise. SMPTE divisions are refused: the player can't time them.
std::optional<MidiFileFacts> inspectMidiFile(std::span<const std::uint8_t> bytes);

inline bool isStandardMidiFile(std::span<const std::uint8_t> bytes) {
    return inspectMidiFile(bytes).has_value();
}

// Reads the file at `path` into `bytes` and checks it, into `facts`. resultOk, or
// resultNotMidiFile when the path is empty, the file is missing, unreadable, larger than
// maxMidiFileBytes or not a Standard MIDI File (then `bytes` is left empty and `facts` alone).
int readMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes, MidiFileFacts& facts);

}  // namespace halcyone
