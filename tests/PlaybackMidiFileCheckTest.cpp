// The check that stands between a file and the player: what it accepts, what it refuses and
// the facts it reads. Reading files through it is FluidMusicService's test; arbitrary bytes
// are the fuzzer's.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "playback/MidiFileCheck.h"

namespace halcyone {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Format 0, one track, division 192: tempo 120, program 0, middle C for one beat (its
// note-off by running status), end of track.
const Bytes header{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 192};
const Bytes trackEvents{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000 us
                        0x00, 0xC0, 0x00,                          // program 0
                        0x00, 0x90, 0x3C, 0x64,                    // note on
                        0x81, 0x40, 0x3C, 0x00,                    // 192 ticks later, velocity 0
                        0x00, 0xFF, 0x2F, 0x00};                   // end of track

Bytes chunk(const char* id, const Bytes& body) {
    Bytes out(id, id + 4);
    for (int shift : {24, 16, 8, 0}) out.push_back(std::uint8_t(body.size() >> shift));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// The header, then the chunks.
Bytes fileWith(const std::vector<Bytes>& chunks, Bytes head = header) {
    for (const Bytes& c : chunks) head.insert(head.end(), c.begin(), c.end());
    return head;
}

Bytes withTrack(const Bytes& events) { return fileWith({chunk("MTrk", events)}); }

TEST(MidiFileCheck, AcceptsAFileAndRefusesEveryTruncationOfIt) {
    const Bytes file = withTrack(trackEvents);
    const auto facts = inspectMidiFile(file);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(std::tuple(facts->format, facts->tracks, facts->division, facts->lengthTicks,
                         facts->firstProgram[0], facts->firstProgram[1]),
              std::tuple(0, 1, 192, 192u, 0, -1));
    for (std::size_t length = 0; length < file.size(); ++length)
        EXPECT_FALSE(isStandardMidiFile(std::span(file.data(), length))) << length;
}

TEST(MidiFileCheck, RefusesHeadersThePlayerCannotUseAndEventsThatDoNotParse) {
    const auto withHeaderByte = [](std::size_t at, std::uint8_t value) {
        Bytes head = header;
        head[at] = value;
        return fileWith({chunk("MTrk", trackEvents)}, head);
    };
    // Nine notes on and off, each 0x0FFFFFFF ticks after the last: more than a track can count.
    Bytes tooLong;
    for (int k = 0; k < 9; ++k) {
        tooLong.insert(tooLong.end(), {0xFF, 0xFF, 0xFF, 0x7F});
        if (k == 0) tooLong.push_back(0x90);
        tooLong.insert(tooLong.end(), {0x3C, std::uint8_t(k % 2 ? 0 : 0x64)});
    }
    const std::vector<std::pair<const char*, Bytes>> broken{
        {"not MThd", withHeaderByte(0, 'X')},
        {"header length 7", withHeaderByte(7, 7)},
        {"format 3", withHeaderByte(9, 3)},
        {"no tracks", withHeaderByte(11, 0)},
        {"129 tracks", withHeaderByte(11, 129)},
        {"says two tracks, holds one", withHeaderByte(11, 2)},
        {"SMPTE division", withHeaderByte(12, 0xE7)},
        {"division 0", withHeaderByte(13, 0)},
        {"status bit in a data byte", withTrack({0x00, 0x90, 0x3C, 0xE4})},
        {"running status with none set", withTrack({0x00, 0x3C, 0x64})},
        {"running status after a meta event",
         withTrack({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x3C, 0x00})},
        {"real-time message", withTrack({0x00, 0xF8, 0x00, 0x00, 0xFF, 0x2F, 0x00})},
        {"delta time of five bytes", withTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x64})},
        {"meta event longer than the chunk", withTrack({0x00, 0xFF, 0x01, 0x10, 'a'})},
        {"system exclusive longer than the chunk", withTrack({0x00, 0xF0, 0x05, 0x7E, 0xF7})},
        {"more ticks than a track can count", withTrack(tooLong)},
    };
    for (const auto& [what, file] : broken) EXPECT_FALSE(isStandardMidiFile(file)) << what;
}

}  // namespace
}  // namespace halcyone
