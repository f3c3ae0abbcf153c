// The composition for a DAW: a Standard MIDI File of format 1 with a track per channel, made
// from the one-track file (files/MidiBytes.h) so that each track holds exactly its channel's
// events of that file. Pure: no files, no controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace halcyone {

// A channel of the one-track file that starts at least one note.
struct ChannelPart {
    int channel = 0;   // the MIDI channel of its events, 0 to 4
    int program = -1;  // its first program change, -1 when it has none
};

// The channels of `oneTrack` that start a note (a note-on of velocity above 0), in channel
// order; empty when `oneTrack` is not a file of the one-track writer's form: format 0, one
// track, every event with its own status byte, channel messages and meta events only.
std::vector<ChannelPart> channelParts(std::span<const std::uint8_t> oneTrack);

// The instrument's name as the window lists it ("Acoustic Grand Piano" for program 0), or
// "Channel N" (N from 1) for a program the window can't choose.
std::string partName(const ChannelPart& part);

// Length of the format-1 file made from `oneTrack`; 0 when `oneTrack` is not of the
// one-track writer's form.
std::size_t midiTrackFileSize(std::span<const std::uint8_t> oneTrack);

// Writes the format-1 file made from `oneTrack` into `out` and returns its length: the header
// with the division of `oneTrack`; a first track with its meta events (time signature, tempo,
// key signature) at their ticks; then for each of channelParts(oneTrack) a track named after
// partName (meta event 3) with that channel's events, at their ticks and in their order, each
// with the same bytes. Every track ends where `oneTrack` does. Returns 0 when `oneTrack` is not
// of the one-track writer's form or `out` is shorter than midiTrackFileSize(oneTrack).
std::size_t writeMidiTrackBytes(std::span<const std::uint8_t> oneTrack, std::span<std::uint8_t> out);

// The same into a new vector of exactly the file's length (empty when `oneTrack` is not of
// that form).
std::vector<std::uint8_t> midiTrackFileBytes(std::span<const std::uint8_t> oneTrack);

}  // namespace halcyone
