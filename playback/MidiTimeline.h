// The channel messages of a Standard MIDI File in the order they sound, each with its time
// under the file's tempo map: what a port that does its own timing sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace halcyone {

struct TimedMidiMessage {
    double seconds = 0;                   // from the start of the piece
    std::array<std::uint8_t, 3> bytes{};  // status first
    std::uint8_t size = 0;

    bool operator==(const TimedMidiMessage&) const = default;
};

// Every channel message of every track, merged by time (at the same tick, in the order of
// tracks and then of the file's bytes). Tempo changes may come in any track and apply from
// their tick on; before the first one the tempo is 120 beats per minute. Meta and system
// exclusive events are not among the messages. Nothing when inspectMidiFile refuses the bytes.
std::optional<std::vector<TimedMidiMessage>> timedChannelMessages(
    std::span<const std::uint8_t> file);

// Bit n set when channel n (0..15) has a message in `messages`.
std::uint16_t channelsUsed(std::span<const TimedMidiMessage> messages);

}  // namespace halcyone
