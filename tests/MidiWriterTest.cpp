// The bytes of the MIDI file, built from small compositions without touching files or controls.
#include <gtest/gtest.h>

#include <random>

#include "FilesTestSupport.h"
#include "files/MidiBytes.h"

namespace halcyone {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::expectBytesAgree;

// Five channels, all off unless a test switches one on.
struct Composition {
    std::array<std::vector<NoteEvent>, channelCount> events;
    std::array<std::int32_t, channelCount> instruments{};

    MidiTracks tracks() const {
        MidiTracks t;
        for (int i = 0; i < channelCount; ++i) t[i] = ChannelTrack{instruments[i], events[i]};
        return t;
    }
};

NoteEvent note(int n, int bar, int step, int velocity = 127) {
    NoteEvent e{};
    e.note = n;
    e.bar = bar;
    e.step = step;
    e.velocity = velocity;
    return e;
}

const Bytes fileStart = {
    0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 0, 0, 1, 0, 0xC0,  // MThd
    0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 0,                       // MTrk, length patched below
    0, 0xFF, 0x58, 4, 4, 2, 0x18, 8,                          // time signature
    0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20,                       // tempo 120
    0, 0xFF, 0x59, 2, 0, 0,                                   // key signature
};
const Bytes marker = {0x0C, 0x96, 0x46, 0};
const Bytes endOfTrack = {0, 0xFF, 0x2F, 0};

Bytes slice(const Bytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + count));
}

std::uint32_t trackLength(const Bytes& b) {
    return (std::uint32_t{b[18]} << 24) | (std::uint32_t{b[19]} << 16) | (std::uint32_t{b[20]} << 8) | b[21];
}

TEST(MidiBytes, EmptyCompositionIsHeaderMetaEventsStepMarkersAndEnd) {
    const Composition none;
    for (int bars : {1, 3}) {
        const Bytes b = midiFileBytes(none.tracks(), bars, 120);
        ASSERT_EQ(b.size(), 47u + 256u * static_cast<unsigned>(bars));
        EXPECT_EQ(trackLength(b), 25u + 256u * static_cast<unsigned>(bars));
        Bytes start = slice(b, 0, fileStart.size());
        start[18] = start[19] = start[20] = start[21] = 0;
        EXPECT_EQ(start, fileStart);
        for (int s = 0; s < 64 * bars; ++s) ASSERT_EQ(slice(b, 43 + 4 * s, 4), marker) << s;
        EXPECT_EQ(slice(b, b.size() - 4, 4), endOfTrack);
        expectBytesAgree(b, none.tracks(), bars, 120);
    }
    const Bytes one = midiFileBytes(none.tracks(), 1, 120);
    EXPECT_EQ(one.size(), 303u);
    EXPECT_EQ(slice(one, 18, 4), (Bytes{0, 0, 0x01, 0x19}));  // 281
}

TEST(MidiBytes, TempoIsMicrosecondsPerQuarterWithTheRemainderDropped) {
    const Composition none;
    const std::vector<std::pair<int, Bytes>> cases = {
        {120, {0x07, 0xA1, 0x20}}, {30, {0x1E, 0x84, 0x80}}, {300, {0x03, 0x0D, 0x40}}, {70, {0x0D, 0x14, 0x36}}};
    for (const auto& [tempo, expected] : cases) {
        const Bytes b = midiFileBytes(none.tracks(), 1, tempo);
        EXPECT_EQ(slice(b, 30, 4), (Bytes{0, 0xFF, 0x51, 3}));
        EXPECT_EQ(slice(b, 34, 3), expected) << tempo;
    }
}

TEST(MidiBytes, RefusesBadArgumentsInsteadOfWriting) {
    const Composition none;
    EXPECT_TRUE(midiFileBytes(none.tracks(), 0, 120).empty());
    EXPECT_TRUE(midiFileBytes(none.tracks(), 1000, 120).empty());
    EXPECT_TRUE(midiFileBytes(none.tracks(), 1, 29).empty());
    EXPECT_TRUE(midiFileBytes(none.tracks(), 1, 301).empty());
    EXPECT_TRUE(midiFileBytes(none.tracks(), 1, 0).empty());
    Bytes shortBuffer(midiBufferSize(2) - 1);
    EXPECT_EQ(writeMidiBytes(none.tracks(), 2, 120, shortBuffer), 0u);
    EXPECT_EQ(midiBufferSize(999), 12'787'200u);
}

TEST(MidiBytes, ProgramChangesOnlyForEnabledChannelsInChannelOrder) {
    Composition c;
    c.instruments = {1, 0, 41, 0, 128};  // 128 cannot be a program: the nearest, 127, is used
    c.events[1] = {note(60, 0, 0)};      // a switched-off channel's old events stay silent
    const Bytes b = midiFileBytes(c.tracks(), 1, 120);
    EXPECT_EQ(slice(b, 43, 9), (Bytes{0, 0xC0, 0, 0, 0xC2, 40, 0, 0xC4, 127}));
    EXPECT_EQ(b.size(), 303u + 9u);
    EXPECT_EQ(slice(b, 52, 4), marker);  // enabled channels without notes write nothing else
    c.instruments[4] = 127;
    expectBytesAgree(midiFileBytes(c.tracks(), 1, 120), c.tracks(), 1, 120);
}

TEST(MidiBytes, EventLayoutWithControllersNoteOffsAndFinalNoteOn) {
    Composition c;
    c.instruments[2] = 1;
    NoteEvent full = note(60, 0, 0, 100);
    full.modulation = 5;
    full.pan = 56;
    full.expression = 42;
    full.pitchWheel = 64;
    full.aftertouch = 7;
    c.events[2] = {full, note(60, 0, 1, 90)};  // the same key again: note-off, then note-on
    const Bytes b = midiFileBytes(c.tracks(), 1, 120);
    const Bytes expected = {
        0, 0xC2, 0,                                      // program 0
        0, 0xB2, 1, 5, 0, 0xB2, 10, 56, 0, 0xB2, 11, 42,  // modulation, pan, expression
        0, 0xE2, 0, 64,                                  // pitch bend, MSB only
        0, 0x92, 60, 100,                                // note-on
        0, 0xA2, 60, 7,                                  // key pressure on that note
        0x0C, 0x96, 0x46, 0,                             // step 0 ends
        0, 0x82, 60, 0, 0, 0x92, 60, 90,                 // step 1: off, then on again
        0x0C, 0x96, 0x46, 0,
    };
    EXPECT_EQ(slice(b, 43, expected.size()), expected);
    EXPECT_EQ(slice(b, b.size() - 8, 8), (Bytes{0, 0x92, 60, 0, 0, 0xFF, 0x2F, 0}));
    EXPECT_EQ(b.size(), 303u + 3 + 24 + 8 + 4);
    expectBytesAgree(b, c.tracks(), 1, 120);
}

TEST(MidiBytes, OnlyEntriesInsideTheWrittenBarsAndTheWalkLimitAreWritten) {
    Composition c;
    c.instruments[0] = 1;
    c.events[0] = {note(60, 0, 0), note(61, 2, 0), note(62, 0, 64), note(63, -1, 3), note(64, 0, -1),
                   note(65, 1, 63)};
    Composition expected;
    expected.instruments[0] = 1;
    expected.events[0] = {note(60, 0, 0), note(65, 1, 63)};
    EXPECT_EQ(midiFileBytes(c.tracks(), 2, 120), midiFileBytes(expected.tracks(), 2, 120));

    // The list ends at its first note 0, and after 64 x bars + 10 entries (74 for one bar).
    c.events[0] = {note(60, 0, 0), note(0, 0, 1), note(62, 0, 2)};
    expected.events[0] = {note(60, 0, 0)};
    EXPECT_EQ(midiFileBytes(c.tracks(), 1, 120), midiFileBytes(expected.tracks(), 1, 120));
    c.events[0].assign(73, note(60, 1, 0));  // all in bar 1: walked, never written
    c.events[0].push_back(note(61, 0, 5));   // entry 74: the last one walked
    expected.events[0] = {note(61, 0, 5)};
    EXPECT_EQ(midiFileBytes(c.tracks(), 1, 120), midiFileBytes(expected.tracks(), 1, 120));
    c.events[0].insert(c.events[0].begin(), note(60, 1, 0));  // now entry 75: past the limit
    expected.events[0].clear();
    EXPECT_EQ(midiFileBytes(c.tracks(), 1, 120), midiFileBytes(expected.tracks(), 1, 120));
}

TEST(MidiBytes, EventsOfOneStepKeepListOrderAndStepsFollowTime) {
    Composition c;
    c.instruments[1] = 5;
    c.instruments[3] = 9;
    // Out of time order in the list, and two entries at bar 0 step 4.
    c.events[1] = {note(70, 0, 9), note(50, 0, 4), note(52, 0, 4)};
    c.events[3] = {note(40, 0, 4)};
    const Bytes b = midiFileBytes(c.tracks(), 1, 120);
    const std::size_t step4 = 43 + 6 + 4 * 4;
    const Bytes expected = {
        0, 0x91, 50, 127, 0, 0x81, 50, 0, 0, 0x91, 52, 127,  // channel 1: both, in list order
        0, 0x93, 40, 127,                                   // then channel 3
        0x0C, 0x96, 0x46, 0,
    };
    EXPECT_EQ(slice(b, step4, expected.size()), expected);
    expectBytesAgree(b, c.tracks(), 1, 120);
}

TEST(MidiBytes, DataValuesOutsideTheMidiRangeAreBroughtIntoIt) {
    Composition c;
    c.instruments[0] = 1;
    NoteEvent loud = note(200, 0, 0, 255);
    loud.modulation = 255;
    loud.pitchWheel = 130;
    loud.aftertouch = -3;  // not 0, so it is sent: as 0
    c.events[0] = {loud};
    const Bytes b = midiFileBytes(c.tracks(), 1, 120);
    const Bytes expected = {0, 0xB0, 1, 127, 0, 0xE0, 0, 127, 0, 0x90, 127, 127, 0, 0xA0, 127, 0};
    EXPECT_EQ(slice(b, 46, expected.size()), expected);
    for (std::size_t k = 43; k + 4 < b.size(); ++k) {
        if (b[k] == 0 && (b[k + 1] & 0x80)) {
            EXPECT_LT(b[k + 2], 0x80) << k;
        }
    }
}

TEST(MidiBytes, LargestCompositionFitsItsBuffer) {
    // 999 bars, five channels, an entry with every field set for every step up to the walk limit.
    Composition c;
    for (int i = 0; i < channelCount; ++i) {
        c.instruments[i] = 1 + i;
        c.events[i].assign(64 * 999 + 10, NoteEvent{60, 1, 0, 0, 127, 1, 1, 1, 1, 1});
        for (int k = 0; k < 64 * 999 + 10; ++k) c.events[i][k].step = k % 64, c.events[i][k].bar = k / 64;
    }
    Bytes buffer(midiBufferSize(999));
    // Per channel: program, 63,936 events of 24 bytes, a note-off before all but the first, the end.
    EXPECT_EQ(writeMidiBytes(c.tracks(), 999, 120, buffer), 47u + 256 * 999 + 5 * (3 + 63936 * 24 + 63935 * 4 + 4));
}

// Random compositions, including entries out of order, out of range and beyond the list's end:
// the index must give exactly the bytes of the plain walk.
TEST(MidiBytes, IndexedMatchingGivesTheBytesOfThePlainWalk) {
    std::mt19937 random(12345);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 40; ++round) {
        Composition c;
        const int bars = pick(1, 6);
        for (int i = 0; i < channelCount; ++i) {
            c.instruments[i] = pick(0, 2) == 0 ? 0 : pick(1, 127);
            c.events[i].resize(static_cast<std::size_t>(pick(0, 64 * bars + 30)));
            for (NoteEvent& e : c.events[i]) {
                e = note(pick(0, 40) == 0 ? 0 : pick(1, 127), pick(-1, bars), pick(-1, 64), pick(0, 127));
                e.modulation = pick(0, 3) == 0 ? pick(1, 127) : 0;
                e.pan = pick(0, 3) == 0 ? pick(1, 127) : 0;
                e.pitchWheel = pick(0, 3) == 0 ? pick(1, 127) : 0;
                e.aftertouch = pick(0, 3) == 0 ? pick(1, 127) : 0;
            }
        }
        const int tempo = pick(30, 300);
        const Bytes indexed = midiFileBytes(c.tracks(), bars, tempo, EventMatching::Indexed);
        ASSERT_EQ(indexed, midiFileBytes(c.tracks(), bars, tempo, EventMatching::PlainWalk)) << round;
        ASSERT_EQ(trackLength(indexed), indexed.size() - 22);
        if (round < 5) expectBytesAgree(indexed, c.tracks(), bars, tempo);
    }
}

}  // namespace
}  // namespace halcyone
