#include <gtest/gtest.h>

#include <vector>

#include "compose/AppState.h"
#include "compose/NotePools.h"

namespace halcyone {
namespace {

std::vector<int> poolOf(const Channel& c) {
    return std::vector<int>(c.pool.begin(), c.pool.begin() + c.poolTop + 1);
}

class NotePools : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
    Channel& channel = appState.channels[0];
};

TEST_F(NotePools, ScaleTableRowsHoldTheirSemitones) {
    const std::vector<std::vector<int>> semitonesOf = {
        {0, 2, 4, 5, 7, 9, 11}, {0, 2, 3, 5, 7, 8, 10},  {0, 2, 3, 5, 7, 8, 11},
        {0, 2, 3, 5, 7, 9, 11}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
        {0, 2, 4, 7, 9},        {0, 4, 7},               {0, 3, 7},
        {0, 2, 3, 5, 7, 9, 10}, {0, 1, 3, 5, 7, 9, 10},  {0, 2, 4, 6, 7, 9, 11},
        {0, 2, 4, 5, 7, 9, 10}, {0, 1, 3, 5, 6, 8, 10},  {0, 2, 4, 6, 8, 10},
        {0, 2, 3, 5, 6, 8, 9, 11}, {0, 1, 3, 4, 6, 7, 9, 10}};
    for (int row = 0; row < scaleCount; ++row) {
        std::vector<int> in;
        for (int d = 0; d < semitones; ++d)
            if (scaleTable[row].marks[d] == 0) in.push_back(d);
        EXPECT_EQ(in, semitonesOf[row]) << scaleTable[row].name;
    }
    EXPECT_STREQ(scaleTable[9].name, "Phrygian");
    EXPECT_STREQ(scaleTable[15].name, "Octatonic2");
}

TEST_F(NotePools, ScalePoolFollowsRangeAndTonic) {
    buildScalePool(channel);
    EXPECT_EQ(poolOf(channel),
              (std::vector<int>{48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69, 71}));
    EXPECT_EQ(channel.poolTop, 13);

    channel.lowNote = 50;  // D: the tonic is the pitch class of the lowest note
    channel.highNote = 62;
    channel.scaleIndex = 6;  // "Maj Arpeggio"
    buildScalePool(channel);
    EXPECT_EQ(poolOf(channel), (std::vector<int>{50, 54, 57, 62}));
    EXPECT_EQ(channel.pool[4], 0);  // the rest of the pool is cleared

    channel.lowNote = channel.highNote = 60;
    buildScalePool(channel);
    EXPECT_EQ(poolOf(channel), std::vector<int>{60});
    EXPECT_EQ(channel.poolTop, 0);

    channel.lowNote = 55;  // above highNote: only through a preferences file
    channel.highNote = 50;
    buildScalePool(channel);
    EXPECT_EQ(poolOf(channel), std::vector<int>{55});
    EXPECT_EQ(channel.poolTop, 0);

    channel.lowNote = 0;
    channel.highNote = 95;
    channel.scaleIndex = 4;
    buildScalePool(channel);
    EXPECT_EQ(channel.poolTop, 95);
    EXPECT_EQ(channel.pool[0], 0);
    EXPECT_EQ(channel.pool[95], 95);
}

TEST_F(NotePools, KeyboardPoolFinishRule) {
    buildKeyboardPool(channel);  // nothing selected: lowNote alone
    EXPECT_EQ(poolOf(channel), std::vector<int>{48});

    channel.lowNote = 0;
    buildKeyboardPool(channel);
    EXPECT_EQ(poolOf(channel), std::vector<int>{0});

    channel.lowNote = 48;
    channel.keys[0] = channel.keys[60] = channel.keys[64] = 1;
    buildKeyboardPool(channel);
    EXPECT_EQ(poolOf(channel), (std::vector<int>{48, 60, 64}));

    channel.keys.fill(0);
    channel.keys[0] = channel.keys[10] = channel.keys[20] = 1;
    buildKeyboardPool(channel);
    EXPECT_EQ(poolOf(channel), (std::vector<int>{48, 10, 20}));  // first need not be lowest

    channel.keys.fill(1);  // every note, even those the keyboard cannot show
    buildKeyboardPool(channel);
    EXPECT_EQ(channel.poolTop, 127);
    EXPECT_EQ(channel.pool[127], 127);
}

TEST(NoteName, LetterSharpAndOctave) {
    EXPECT_EQ(noteName(48), "C  (5)");
    EXPECT_EQ(noteName(54), "F# (5)");
    EXPECT_EQ(noteName(71), "B  (6)");
    EXPECT_EQ(noteName(0), "C  (1)");
    EXPECT_EQ(noteName(95), "B  (8)");
    EXPECT_EQ(noteName(70), "A# (6)");
    EXPECT_EQ(noteName(12), "C  (2)");
    EXPECT_EQ(noteName(1), "C# (1)");
    EXPECT_EQ(noteName(120), "C  (1)");  // beyond the range only the first digit shows
}

}  // namespace
}  // namespace halcyone
