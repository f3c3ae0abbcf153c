// The bytes of a Standard MIDI File made from a composition: format 0, one track, 192 ticks per
// quarter note, so that one step (a sixty-fourth of a bar) is 12 ticks. Pure: no files, no
// controls, no allocation beyond the matching index.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "compose/Channel.h"
#include "compose/Limits.h"

namespace halcyone {

// What the writer reads of one channel: the instrument (0 = off) and the event list, which ends
// at its first entry whose note is 0 or at its end.
struct ChannelTrack {
    std::int32_t instrument = 0;
    std::span<const NoteEvent> events;
};
using MidiTracks = std::array<ChannelTrack, channelCount>;

MidiTracks tracksOf(const std::array<Channel, channelCount>& channels);

// Enough for any composition: at most 64 x bars + 10 entries per channel of at most 28 bytes,
// 4 bytes per step marker, 82 bytes of header, programs and end.
constexpr std::size_t midiBytesPerBar = 12800;
constexpr std::size_t midiTrackLengthOffset = 18;
constexpr std::size_t midiTrackStart = 22;

// How events are found for each step: by one walk of each list when every list is in step
// order and otherwise by an index built once per call, or by walking every channel's list for
// every step (the reference). All give the same bytes.
enum class EventMatching { Indexed, PlainWalk };

// Bytes the writer needs for `barCount` bars; 0 when the bar count is outside 1..999.
std::size_t midiBufferSize(int barCount);

// Writes the file into `out` and returns its length. Returns 0 when `barCount` is outside
// 1..999, `tempo` (beats per minute) outside 30..300 or `out` shorter than
// midiBufferSize(barCount). Only bars 0..barCount-1 are written. Data values outside 0..127
// are brought to the nearest end of that range, so the file is always well formed.
std::size_t writeMidiBytes(const MidiTracks& tracks, int barCount, int tempo,
                           std::span<std::uint8_t> out,
                           EventMatching matching = EventMatching::Indexed);

// The same into a new vector of exactly the file's length (empty on bad arguments).
std::vector<std::uint8_t> midiFileBytes(const MidiTracks& tracks, int barCount, int tempo,
                                        EventMatching matching = EventMatching::Indexed);

}  // namespace halcyone
