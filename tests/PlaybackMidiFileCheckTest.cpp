#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "PlaybackTestSupport.h"
#include "playback/MidiFileCheck.h"
#include "playback/MusicResult.h"

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
    const auto n = static_cast<std::uint32_t>(body.size());
    Bytes out{std::uint8_t(id[0]), std::uint8_t(id[1]), std::uint8_t(id[2]), std::uint8_t(id[3]),
              std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes fileWith(const Bytes& head, const std::vector<Bytes>& chunks) {
    Bytes out = head;
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

Bytes withTrack(const Bytes& events) { return fileWith(header, {chunk("MTrk", events)}); }

TEST(MidiFileCheck, AcceptsAFileAndRefusesEveryTruncationOfIt) {
    const Bytes file = withTrack(trackEvents);
    const auto facts = inspectMidiFile(file);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->format, 0);
    EXPECT_EQ(facts->tracks, 1);
    EXPECT_EQ(facts->division, 192);
    EXPECT_EQ(facts->lengthTicks, 192u);
    EXPECT_EQ(facts->firstProgram[0], 0);
    EXPECT_EQ(facts->firstProgram[1], -1);
    for (std::size_t length = 0; length < file.size(); ++length) {
        EXPECT_FALSE(isStandardMidiFile(std::span(file.data(), length))) << length;
    }
}

TEST(MidiFileCheck, RefusesHeadersThePlayerCannotUse) {
    struct Case {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    };
    for (const Case& c : {Case{"not MThd", 0, 'X'}, Case{"header length 7", 7, 7},
                          Case{"format 3", 9, 3}, Case{"no tracks", 11, 0},
                          Case{"129 tracks", 11, 129}, Case{"SMPTE division", 12, 0xE7}}) {
        Bytes head = header;
        head[c.at] = c.value;
        EXPECT_FALSE(isStandardMidiFile(fileWith(head, {chunk("MTrk", trackEvents)}))) << c.what;
    }
    Bytes zeroDivision = header;
    zeroDivision[13] = 0;
    EXPECT_FALSE(isStandardMidiFile(fileWith(zeroDivision, {chunk("MTrk", trackEvents)})));
    Bytes twoTracks = header;
    twoTracks[11] = 2;  // says two, holds one
    EXPECT_FALSE(isStandardMidiFile(fileWith(twoTracks, {chunk("MTrk", trackEvents)})));
}

TEST(MidiFileCheck, RefusesTracksWhoseEventsDoNotParse) {
    const std::vector<std::pair<const char*, Bytes>> broken{
        {"status bit in a data byte", {0x00, 0x90, 0x3C, 0xE4}},
        {"running status with none set", {0x00, 0x3C, 0x64}},
        {"running status after a meta event", {0x00, 0xFF, 0x01, 0x00, 0x00, 0x3C, 0x64}},
        {"real-time message", {0x00, 0xF8}},
        {"delta time of five bytes", {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x64}},
        {"meta event longer than the chunk", {0x00, 0xFF, 0x01, 0x10, 'a'}},
        {"system exclusive longer than the chunk", {0x00, 0xF0, 0x05, 0x7E, 0xF7}},
        {"more ticks than a track can count",
         {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x64, 0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x00,
          0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x64, 0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x00,
          0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x64, 0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x00,
          0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x64, 0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x00,
          0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x64}},
    };
    for (const auto& [what, events] : broken) EXPECT_FALSE(isStandardMidiFile(withTrack(events))) << what;
}

TEST(MidiFileCheck, AcceptsWhatTheStandardAllows) {
    // Unknown chunks are skipped, bytes after the last track ignored, a track may end without
    // an end-of-track event, and system exclusive messages are passed over.
    EXPECT_TRUE(isStandardMidiFile(fileWith(header, {chunk("XFIH", {1, 2, 3}), chunk("MTrk", trackEvents)})));
    Bytes trailing = withTrack(trackEvents);
    trailing.insert(trailing.end(), {0xDE, 0xAD});
    EXPECT_TRUE(isStandardMidiFile(trailing));
    EXPECT_TRUE(isStandardMidiFile(withTrack({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00})));
    EXPECT_TRUE(isStandardMidiFile(withTrack({0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7, 0x00, 0xFF, 0x2F, 0x00})));
    Bytes formatOne = header;
    formatOne[9] = 1;
    formatOne[11] = 2;
    const Bytes longer{0x00, 0xC5, 0x29, 0x00, 0x95, 0x3C, 0x64, 0x83, 0x00, 0x3C, 0x00,
                       0x00, 0xC5, 0x30, 0x00, 0xFF, 0x2F, 0x00};
    const auto facts = inspectMidiFile(fileWith(formatOne, {chunk("MTrk", trackEvents), chunk("MTrk", longer)}));
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->lengthTicks, 384u);  // the longest track
    EXPECT_EQ(facts->firstProgram[5], 0x29);
}

TEST(MidiFileCheck, ReadingRefusesMissingEmptyAndForeignFiles) {
    testing::TempDir dir;
    const Bytes file = withTrack(trackEvents);
    testing::writeAll(dir.file("piece.mid"), file);
    testing::writeAll(dir.file("empty.mid"), {});
    testing::writeAll(dir.file("notes.txt"), {'h', 'e', 'l', 'l', 'o'});
    std::filesystem::create_directory(dir.file("folder.mid"));

    Bytes bytes{1, 2, 3};
    for (const std::string& path : {std::string(), dir.file("missing.mid"), dir.file("empty.mid"),
                                    dir.file("notes.txt"), dir.file("folder.mid")}) {
        EXPECT_EQ(readMidiFile(path, bytes), resultNotMidiFile) << path;
        EXPECT_TRUE(bytes.empty());
    }
    EXPECT_EQ(readMidiFile(dir.file("piece.mid"), bytes), resultOk);
    EXPECT_EQ(bytes, file);
}

}  // namespace
}  // namespace halcyone
