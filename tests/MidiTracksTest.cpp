// The file with a track per channel: its header and first track against literals, each
// channel's track against the one-track file as midicsv reads both, and what it refuses.
// (A second reader, mido, checks the files of the bundled set-ups in cli_test.sh.)
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "FilesTestSupport.h"
#include "files/MidiBytes.h"
#include "files/MidiTracks.h"

namespace halcyone {
namespace {

using namespace testing;

NoteEvent event(int note, int bar, int step, int modulation = 0, int pitchWheel = 0) {
    return NoteEvent{note, 0, step, bar, 100, modulation, pitchWheel, 0, 0, 0};
}

// Two bars at 70 bpm. Channel 1: piano with controllers and two notes of one step; channel 2 on
// but silent; channel 3 marimba; channel 4 off with stale events; channel 5 a program the
// window can't choose.
struct Piece {
    std::array<std::vector<NoteEvent>, channelCount> events{{
        {event(60, 0, 0, 5), event(62, 0, 8), event(64, 0, 8, 0, 70), event(65, 1, 63)},
        {},
        {event(72, 0, 32)},
        {event(50, 0, 0)},
        {event(40, 1, 2)},
    }};
    std::array<std::int32_t, channelCount> instruments{1, 34, 13, 0, 128};

    Bytes oneTrack() const {
        MidiTracks tracks;
        for (int i = 0; i < channelCount; ++i) tracks[i] = ChannelTrack{instruments[i], events[i]};
        return midiFileBytes(tracks, 2, 70);
    }
};

// midicsv's records of channel messages, by channel, without the track number: what must be
// equal between the two files.
std::map<int, Texts> recordsByChannel(const std::string& path) {
    std::istringstream csv(commandOutput("midicsv '" + path + "'"));
    std::map<int, Texts> records;
    for (std::string line; std::getline(csv, line);) {
        std::istringstream fields(line);
        std::string track, tick, type, channel;
        std::getline(fields, track, ',');
        std::getline(fields, tick, ',');
        std::getline(fields, type, ',');
        std::getline(fields, channel, ',');
        if (!type.ends_with("_c")) continue;
        std::string rest;
        std::getline(fields, rest);
        records[std::stoi(channel)].push_back(tick + "," + type + "," + rest);
    }
    return records;
}

TEST(MidiTracks, EachChannelThatPlaysGetsExactlyItsEventsInATrackOfItsOwn) {
    const Bytes one = Piece().oneTrack();
    const Bytes tracks = midiTrackFileBytes(one);
    ASSERT_FALSE(tracks.empty());
    EXPECT_EQ(midiTrackFileSize(one), tracks.size());
    const Bytes start = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, 0, 0xC0,  // format 1, 4 tracks, 192 ticks
        'M', 'T', 'r', 'k', 0, 0, 0, 26,                    // the first track: 26 bytes
        0, 0xFF, 0x58, 4, 4, 2, 0x18, 8,                    // time signature
        0, 0xFF, 0x51, 3, 0x0D, 0x14, 0x36,                 // tempo 70
        0, 0xFF, 0x59, 2, 0, 0,                             // key signature
        0x8C, 0x00, 0xFF, 0x2F, 0,                          // its end, two bars on: 1536 ticks
        'M', 'T', 'r', 'k',
    };
    EXPECT_EQ(Bytes(tracks.begin(), tracks.begin() + std::ptrdiff_t(start.size())), start);
    const auto parts = channelParts(one);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(partName(parts[0]) + ", " + partName(parts[1]) + ", " + partName(parts[2]),
              "Acoustic Grand Piano, Marimba, Channel 5");

    TempDir dir;
    writeAll(dir.file("one.mid"), one);
    writeAll(dir.file("tracks.mid"), tracks);
    const auto expected = recordsByChannel(dir.file("one.mid"));
    const auto got = recordsByChannel(dir.file("tracks.mid"));
    for (const int channel : {0, 2, 4}) {
        EXPECT_FALSE(expected.at(channel).empty());
        EXPECT_EQ(got.at(channel), expected.at(channel)) << "channel " << channel + 1;
    }
    EXPECT_EQ(got.size(), 3u);  // neither the silent channel nor the step markers
    const std::string csv = commandOutput("midicsv '" + dir.file("tracks.mid") + "'");
    for (const char* record :
         {"2, 0, Title_t, \"Acoustic Grand Piano\"", "3, 0, Title_t, \"Marimba\"",
          "4, 0, Title_t, \"Channel 5\"", "1, 1536, End_track", "2, 1536, End_track",
          "3, 1536, End_track", "4, 1536, End_track"})
        EXPECT_NE(csv.find(record), std::string::npos) << record;
}

TEST(MidiTracks, WithoutAChannelThatPlaysOnlyTheFirstTrackIsWritten) {
    Piece piece;
    piece.instruments = {1, 0, 0, 0, 0};
    piece.events[0].clear();
    const Bytes tracks = midiTrackFileBytes(piece.oneTrack());
    ASSERT_EQ(tracks.size(), 14u + 8 + 26);
    EXPECT_EQ(tracks[11], 1);  // one track
}

// Only the one-track writer's form is split: anything cut short, another format, running
// status, a system exclusive message; and a buffer one byte short.
TEST(MidiTracks, RefusesWhatIsNotAOneTrackFileOfTheWriter) {
    const Bytes one = Piece().oneTrack();
    for (std::size_t length = 0; length < one.size(); ++length)
        ASSERT_EQ(midiTrackFileSize(std::span(one).first(length)), 0u) << length;
    const auto changed = [&one](std::size_t at, std::uint8_t value) {
        Bytes bytes = one;
        bytes[at] = value;
        return midiTrackFileSize(bytes);
    };
    EXPECT_EQ(changed(9, 1), 0u);      // format 1
    EXPECT_EQ(changed(44, 0x00), 0u);  // the first program change without its status byte
    EXPECT_EQ(changed(44, 0xF0), 0u);  // system exclusive
    EXPECT_EQ(midiTrackFileSize(midiTrackFileBytes(one)), 0u);
    Bytes out(midiTrackFileSize(one) - 1);
    EXPECT_EQ(writeMidiTrackBytes(one, out), 0u);
    EXPECT_TRUE(channelParts(Bytes{}).empty());
}

}  // namespace
}  // namespace halcyone
