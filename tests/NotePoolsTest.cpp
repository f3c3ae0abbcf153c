#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "compose/AppState.h"
#include "compose/NotePools.h"

namespace halcyone {
namespace {

class NotePools : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
    std::vector<int> pool() const {
        return std::vector<int>(channel.pool.begin(), channel.pool.begin() + channel.poolTop + 1);
    }
    std::vector<int> scalePool(int low, int high, int scale) {
        channel.lowNote = low, channel.highNote = high, channel.scaleIndex = scale;
        buildScalePool(channel);
        return pool();
    }
    Channel& channel = appState.channels[0];
};

// Each scale of the "Scale" list by its name, with the semitones above the tonic that belong
// to it, written down from the scales' intervals rather than from the table's marks. This
// "Phrygian" has the major sixth (9), not the minor one, so that saved set-ups sound as they
// always have.
TEST(ScaleTable, EachNamedScaleHoldsItsSemitones) {
    const std::pair<const char*, const char*> scales[] = {
        {"Major", "0 2 4 5 7 9 11"},           {"Minor Natural", "0 2 3 5 7 8 10"},
        {"Minor Harmonic", "0 2 3 5 7 8 11"},  {"Minor Melodic", "0 2 3 5 7 9 11"},
        {"Chromatic", "0 1 2 3 4 5 6 7 8 9 10 11"}, {"Pentatonic", "0 2 4 7 9"},
        {"Maj Arpeggio", "0 4 7"},             {"Min Arpeggio", "0 3 7"},
        {"Dorian", "0 2 3 5 7 9 10"},          {"Phrygian", "0 1 3 5 7 9 10"},
        {"Lydian", "0 2 4 6 7 9 11"},          {"Mixolydian", "0 2 4 5 7 9 10"},
        {"Locrian", "0 1 3 5 6 8 10"},         {"Tone", "0 2 4 6 8 10"},
        {"Octatonic1", "0 2 3 5 6 8 9 11"},    {"Octatonic2", "0 1 3 4 6 7 9 10"},
    };
    ASSERT_EQ(std::size(scales), scaleTable.size());
    for (std::size_t k = 0; k < scaleTable.size(); ++k) {
        std::string held;
        for (int d = 0; d < semitones; ++d)
            if (scaleTable[k].marks[d] == 0) held += (held.empty() ? "" : " ") + std::to_string(d);
        EXPECT_STREQ(scaleTable[k].name, scales[k].first) << k;
        EXPECT_EQ(held, scales[k].second) << scales[k].first;
    }
}

TEST_F(NotePools, ScalePoolFollowsRangeAndTonic) {
    EXPECT_EQ(scalePool(48, 71, 0),
              (std::vector<int>{48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69, 71}));
    // "Maj Arpeggio" from D: the tonic is the pitch class of the lowest note.
    EXPECT_EQ(scalePool(50, 62, 6), (std::vector<int>{50, 54, 57, 62}));
    EXPECT_EQ(channel.pool[4], 0);                          // the rest of the pool is cleared
    EXPECT_EQ(scalePool(55, 50, 0), std::vector<int>{55});  // empty (low above high): lowNote
}

// A 0 in the first place, or an empty pool, becomes lowNote.
TEST_F(NotePools, KeyboardPoolFinishRule) {
    buildKeyboardPool(channel);
    EXPECT_EQ(pool(), std::vector<int>{48});
    channel.keys[0] = channel.keys[10] = channel.keys[20] = 1;
    buildKeyboardPool(channel);
    EXPECT_EQ(pool(), (std::vector<int>{48, 10, 20}));  // not sorted again
    channel.keys.fill(1);  // every note, even those the keyboard cannot show
    buildKeyboardPool(channel);
    EXPECT_EQ(pool().size(), 128u);
    EXPECT_EQ(channel.pool[127], 127);
}

TEST(NoteName, LetterSharpAndOctave) {
    std::string names;
    for (int note : {0, 1, 12, 48, 54, 70, 71, 95, 120}) names += noteName(note) + "|";
    // Beyond the range only the first digit of the octave shows.
    EXPECT_EQ(names, "C  (1)|C# (1)|C  (2)|C  (5)|F# (5)|A# (6)|B  (6)|B  (8)|C  (1)|");
}

}  // namespace
}  // namespace halcyone
