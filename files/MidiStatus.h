// Status bytes of MIDI channel messages (the channel goes in the low nibble), shared by the
// file writer, the file check and the playback ports.
#pragma once

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

}  // namespace halcyone::midi
