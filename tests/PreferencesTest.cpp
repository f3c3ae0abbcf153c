// The 370-byte preferences layout: exact bytes, packed fields, round trips and refusals.
#include <gtest/gtest.h>

#include "compose/AppState.h"
#include "files/Preferences.h"
#include "files/PreferencesCodec.h"
#include "platform/MemoryControlPanel.h"

namespace halcyone {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t blockAt(int k) { return 40 + 66 * static_cast<std::size_t>(k); }

Bytes slice(const PreferencesBytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// -2, 1, -1, 1 as little-endian doubles.
const Bytes defaultViewBytes = {0, 0, 0, 0, 0, 0, 0,    0xC0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,
                                0, 0, 0, 0, 0, 0, 0xF0, 0xBF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};

// The set-up right after start-up, as the window shows it.
Preferences startUp() {
    resetAppState();
    appState.startColour = defaultStartColour;
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    return capturePreferences();
}

TEST(PreferencesCodec, StartUpSetupGivesTheDocumentedBytes) {
    const PreferencesBytes b = encodePreferences(startUp());
    EXPECT_EQ(slice(b, 0, 8), (Bytes{0, 0, 5, 0, 0x78, 0x32, 0x64, 0xC8}));
    EXPECT_EQ(slice(b, 8, 32), defaultViewBytes);
    for (int k = 0; k < channelCount; ++k) {
        SCOPED_TRACE(k);
        const std::size_t at = blockAt(k);
        EXPECT_EQ(slice(b, at, 18), (Bytes{0x0D, 0x0A, static_cast<std::uint8_t>('1' + k), 0, 0, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 3, 0x30, 0x47, 0}));
        EXPECT_EQ(slice(b, at + 18, 32), defaultViewBytes);
        EXPECT_EQ(slice(b, at + 50, 16), Bytes(16, 0));
    }
}

TEST(PreferencesCodec, PacksParametersNoteLengthFlagsAndKeys) {
    Preferences p = startUp();
    ChannelPreferences& c = p.channels[3];
    c.paramEnabled = {1, 1, 0, 0, 0, 0};
    c.slideSpeed = {100, 0, 100, 7, 0, 0};
    c.allNotes = 1;
    c.cycleScale = 1;
    c.noteLength = 6;
    c.keys[60] = 1;
    c.colour = makeColour(1, 2, 3);
    const PreferencesBytes b = encodePreferences(p);
    const std::size_t at = blockAt(3);
    EXPECT_EQ(slice(b, at + 5, 10), (Bytes{3, 2, 1, 0xDC, 0x78, 0x64, 7, 0, 0, 0x6A}));
    Bytes keys(16, 0);
    keys[7] = 0x08;  // note 60 = 8 x 7 + 4: bit 3 of byte 7
    EXPECT_EQ(slice(b, at + 50, 16), keys);
    c.keys.fill(0);
    c.keys[0] = c.keys[127] = 1;
    keys.assign(16, 0);
    keys[0] = 0x80;
    keys[15] = 0x01;
    EXPECT_EQ(slice(encodePreferences(p), at + 50, 16), keys);

    const DecodedPreferences d = decodePreferences(encodePreferences(p));
    ASSERT_TRUE(d.ok()) << d.problem;
    const ChannelPreferences& back = d.preferences.channels[3];
    EXPECT_EQ(back.paramEnabled, c.paramEnabled);
    EXPECT_EQ(back.slideSpeed, c.slideSpeed);
    EXPECT_EQ(back.allNotes, 1);
    EXPECT_EQ(back.cycleScale, 1);
    EXPECT_EQ(back.noteLength, 6);
    EXPECT_EQ(back.keys, c.keys);
    EXPECT_EQ(back.colour, c.colour);
}

TEST(PreferencesCodec, ReadsTheFirst370BytesAndIgnoresBlockMarksAndWhatFollows) {
    const PreferencesBytes good = encodePreferences(startUp());
    Bytes longer(good.begin(), good.end());
    longer.resize(preferencesReadLimit, 0xEE);
    for (int k = 0; k < channelCount; ++k) longer[blockAt(k)] = longer[blockAt(k) + 2] = 0xFF;
    longer[0] = 0x42;  // any non-zero byte means checked
    const DecodedPreferences d = decodePreferences(longer);
    ASSERT_TRUE(d.ok()) << d.problem;
    EXPECT_EQ(d.preferences.differentSet, 1);
    Preferences unchecked = d.preferences;
    unchecked.differentSet = 0;
    EXPECT_EQ(encodePreferences(unchecked), good);
}

TEST(PreferencesCodec, RefusesShortInput) {
    const PreferencesBytes good = encodePreferences(startUp());
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{369}}) {
        const DecodedPreferences d = decodePreferences(std::span(good).first(size));
        EXPECT_FALSE(d.ok());
        EXPECT_EQ(d.problem, "Bad preferences file: " + std::to_string(size) + " bytes long, 370 expected");
    }
}

// One byte set to a value; whether the file is accepted, and the problem named otherwise.
struct FieldCase {
    std::size_t offset;
    std::uint8_t value;
    const char* problem;  // nullptr: accepted
};

const std::vector<FieldCase> fieldCases = {
    {2, 0, "bar count is 0, not in 1..999"},
    {1, 3, nullptr},  // 3 x 256 + 5 = 773
    {1, 4, "bar count is 1029, not in 1..999"},
    {4, 29, "tempo is 29, not in 30..300"},
    {3, 1, "tempo is 376, not in 30..300"},
    {4, 30, nullptr},
    {3, 0xFF, "tempo is 65400, not in 30..300"},
    {blockAt(0) + 3, 127, nullptr},
    {blockAt(0) + 3, 128, "channel 1 instrument is 128, not in 0..127"},
    {blockAt(1) + 4, 3, nullptr},
    {blockAt(1) + 4, 4, "channel 2 mode is 4, not in 0..3"},
    {blockAt(2) + 8, 100, nullptr},
    {blockAt(2) + 8, 101, "channel 3 Pitch Wheel slide speed is 101, not in 0..100"},
    {blockAt(2) + 13, 220, nullptr},
    {blockAt(2) + 13, 221, "channel 3 Expression slide speed is 101, not in 0..100"},
    {blockAt(2) + 9, 119, "channel 3 Aftertouch slide speed is 119, not in 0..100"},
    {blockAt(3) + 14, 106, nullptr},
    {blockAt(3) + 14, 7, "channel 4 note length is 7, not in 0..6"},
    {blockAt(3) + 14, 107, "channel 4 note length is 7, not in 0..6"},
    {blockAt(3) + 14, 0xFF, "channel 4 note length is 155, not in 0..6"},
    {blockAt(4) + 16, 95, nullptr},
    {blockAt(4) + 16, 96, "channel 5 high note is 96, not in 0..95"},
    {blockAt(4) + 15, 96, "channel 5 low note is 96, not in 0..95"},
    {blockAt(4) + 15, 71, nullptr},  // low = high
    {blockAt(4) + 15, 72, "channel 5 low note 72 is above high note 71"},
    {blockAt(4) + 17, 15, nullptr},
    {blockAt(4) + 17, 16, "channel 5 scale is 16, not in 0..15"},
};

TEST(PreferencesCodec, RefusesEveryFieldOutsideItsRangeAndAcceptsItsBounds) {
    const PreferencesBytes good = encodePreferences(startUp());
    for (const FieldCase& f : fieldCases) {
        PreferencesBytes b = good;
        b[f.offset] = f.value;
        const DecodedPreferences d = decodePreferences(b);
        SCOPED_TRACE("offset " + std::to_string(f.offset) + " value " + std::to_string(f.value));
        if (f.problem)
            EXPECT_EQ(d.problem, std::string("Bad preferences file: ") + f.problem);
        else
            EXPECT_TRUE(d.ok()) << d.problem;
    }
}

}  // namespace
}  // namespace halcyone
