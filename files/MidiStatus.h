// Status bytes of MIDI channel messages (the channel goes in the low nibble), meta events of
// Standard MIDI Files and data bytes, shared by the file writers, the file check and the
// playback ports.
#pragma once

#include <algorithm>
#include <cstdint>

namespace halcyone::midi {

constexpr std::uint8_t statusBit = 0x80;  // set in status bytes, clear in data bytes
constexpr std::uint8_t kindMask = 0xF0;
constexpr std::uint8_t noteOff = 0x80;
constexpr std::uint8_t noteOn = 0x90;
constexpr std::uint8_t keyPressure = 0xA0;
constexpr std::uint8_t controlChange = 0xB0;
constexpr std::uint8_t programChange = 0xC0;
constexpr std::uint8_t channelPressure = 0xD0;
constexpr std::uint8_t pitchBend = 0xE0;
constexpr std::uint8_t maxDataByte = 127;
constexpr int channels = 16;

// Controllers that silence a channel.
constexpr std::uint8_t allSoundOff = 120;
constexpr std::uint8_t allNotesOff = 123;

constexpr std::uint8_t metaEvent = 0xFF;  // then the meta type, a length and the data
constexpr std::uint8_t metaTrackName = 0x03;
constexpr std::uint8_t metaEndOfTrack = 0x2F;
constexpr std::uint8_t metaTempo = 0x51;

// How many data bytes follow a channel message's status byte.
constexpr int channelDataBytes(std::uint8_t status) {
    const std::uint8_t kind = status & kindMask;
    return kind == programChange || kind == channelPressure ? 1 : 2;
}

// `value` as a data byte: outside 0..127 it is brought to the nearest end, so that it can
// never be read as a status byte.
constexpr std::uint8_t dataByte(std::int32_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(value, 0, maxDataByte));
}

}  // namespace halcyone::midi
