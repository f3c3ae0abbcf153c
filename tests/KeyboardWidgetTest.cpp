// The keyboard as the window builds it: seven octaves of key unit 3, keys numbered from note 12,
// shown with its top-left corner at client pixel (20, 310).
#include "ui/KeyboardWidget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halcyone {
namespace {

constexpr int originX = 20;
constexpr int originY = 310;
constexpr int octave4 = 4 * 77;  // left edge of notes 60..71

const QRgb idleWhite = qRgb(154, 169, 239);
const QRgb idleBlack = qRgb(52, 78, 199);
const QRgb selectedWhite = qRgb(255, 255, 255);
const QRgb selectedBlack = qRgb(0, 0, 0);
const QRgb background = qRgb(200, 200, 200);

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_EQ(keyboard.create(nullptr, 7, 3), 1);
        keyboard.setFirstNote(12);
    }

    std::vector<int> selectedNotes() const {
        std::vector<int> notes;
        for (int i = 0; i < keyboard.octaveCount(); ++i) {
            for (int k = 0; k < OctaveWidget::keyCount; ++k) {
                if (keyboard.octave(i).key(k).selected()) {
                    notes.push_back(keyboard.octave(i).key(k).note());
                }
            }
        }
        return notes;
    }

    // One character per column of octave 4: the key hit ('0'..'b' from C), or '.' for none.
    std::string hitRow(int py) const {
        std::string row;
        for (int px = octave4; px < octave4 + keyboard.octaveWidth(); ++px) {
            const int note = keyboard.hitTest(px, py);
            row += note == 0 ? '.' : "0123456789ab?"[note >= 60 && note <= 71 ? note - 60 : 12];
        }
        return row;
    }

    // The same columns as painted: w/b idle white/black, W/B selected, g background.
    std::string paintedRow(int py) const {
        std::string row;
        for (int px = octave4; px < octave4 + keyboard.octaveWidth(); ++px) {
            const QRgb p = keyboard.image().pixel(px, py);
            row += p == idleWhite       ? 'w'
                   : p == idleBlack     ? 'b'
                   : p == selectedWhite ? 'W'
                   : p == selectedBlack ? 'B'
                   : p == background    ? 'g'
                                        : '?';
        }
        return row;
    }

    KeyboardWidget keyboard;
};

TEST_F(KeyboardTest, ClicksHitTheKeyUnderThem) {
    EXPECT_EQ(keyboard.hitTest(333 - originX, 350 - originY), 60);  // lower part of C
    EXPECT_EQ(keyboard.hitTest(338 - originX, 320 - originY), 61);  // C sharp

    // Upper row: black keys win the hit test where they share a column with the next white
    // key's upper part (columns 14 and 25). Row 29 lies just below the black keys; row 40 shows
    // the white keys' lower parts with gaps between them.
    EXPECT_EQ(hitRow(10), ".0000000.1111112222.333333444444..5555555.6666667777.8888889999.aaaaaabbbbbb.");
    EXPECT_EQ(hitRow(40), ".000000000..222222222..444444444..555555555..777777777..999999999..bbbbbbbbb.");
    EXPECT_EQ(hitRow(29), ".0000000......22222......4444444..5555555......77777......99999......bbbbbbb.");
}

TEST_F(KeyboardTest, FrameBackgroundAndOutsideHitNothing) {
    EXPECT_EQ(keyboard.octave(0).hitTest(5, 0), 12);  // the octave alone would find C
    for (const auto& [px, py] : std::vector<std::pair<int, int>>{
             {5, 0}, {0, 40}, {538, 40}, {539, 40}, {5, 48}, {-72, 40}, {5, -8}, {616, 40}}) {
        EXPECT_EQ(keyboard.hitTest(px, py), 0) << px << ", " << py;
        EXPECT_EQ(keyboard.toggle(px, py), 0) << px << ", " << py;
    }
    EXPECT_EQ(keyboard.toggle(octave4 + 10, 40), 0);  // gap between C and D
    EXPECT_TRUE(selectedNotes().empty());
}

TEST_F(KeyboardTest, ToggleFlipsOneKeyAndReportsItsNewState) {
    EXPECT_EQ(keyboard.toggle(313, 40), 1060);
    EXPECT_EQ(selectedNotes(), std::vector<int>{60});
    EXPECT_EQ(keyboard.toggle(octave4 + 14, 10), 1061);  // the shared column toggles C sharp
    EXPECT_EQ(keyboard.toggle(313, 40), 60);
    EXPECT_EQ(selectedNotes(), std::vector<int>{61});
}

TEST_F(KeyboardTest, DrawPaintsKeysInIndexOrderInsideABlackFrame) {
    keyboard.setKeySelected(61, true);
    keyboard.setKeySelected(65, true);
    keyboard.draw();
    // D and E are painted over the selected C sharp's column 14 and D sharp's column 25.
    EXPECT_EQ(paintedRow(10), "gwwwwwwwgBBBBBwwwwwgbbbbbwwwwwwwggWWWWWWWgbbbbbwwwwwgbbbbbwwwwwgbbbbbwwwwwwwg");
    EXPECT_EQ(paintedRow(40), "gwwwwwwwwwggwwwwwwwwwggwwwwwwwwwggWWWWWWWWWggwwwwwwwwwggwwwwwwwwwggwwwwwwwwwg");

    for (const auto& [px, py] : std::vector<std::pair<int, int>>{
             {0, 0}, {538, 0}, {0, 47}, {538, 47}, {270, 0}, {270, 47}, {0, 20}, {538, 20}}) {
        EXPECT_EQ(keyboard.image().pixel(px, py), qRgb(0, 0, 0)) << px << ", " << py;
    }
    EXPECT_EQ(keyboard.image().pixel(1, 1), idleWhite);
    EXPECT_EQ(keyboard.image().pixel(537, 46), idleWhite);  // the last B reaches the frame
}

// Only notes of the keyboard can be selected, and a rebuild clears every selection.
TEST_F(KeyboardTest, SelectionStaysWithinTheKeysAndARebuildClearsIt) {
    for (int note : {0, 5, 11, 96, 127, 255, 268, -196}) keyboard.setKeySelected(note, true);
    EXPECT_TRUE(selectedNotes().empty());
    keyboard.setKeySelected(12, true);
    keyboard.setKeySelected(95, true);
    EXPECT_EQ(selectedNotes(), (std::vector<int>{12, 95}));
    keyboard.setAllSelected(true);
    EXPECT_EQ(selectedNotes().size(), 84u);
    keyboard.create(nullptr, 2, 6);
    EXPECT_EQ(keyboard.octaveWidth(), 154);
    EXPECT_EQ(keyboard.image().size(), QSize(308, 96));

    keyboard.create(nullptr, 7, 3);
    EXPECT_EQ(keyboard.image().size(), QSize(539, 48));
    EXPECT_EQ(keyboard.hitTest(313, 40), 0);  // no notes until numbered
    keyboard.setFirstNote(12);
    EXPECT_TRUE(selectedNotes().empty());
    EXPECT_EQ(keyboard.hitTest(313, 40), 60);
    keyboard.draw();
    EXPECT_EQ(keyboard.image().pixel(313, 40), idleWhite);
}

TEST(EmptyKeyboard, HasNothingToHitOrDraw) {
    KeyboardWidget keyboard;
    EXPECT_EQ(keyboard.width(), 0);
    EXPECT_EQ(keyboard.hitTest(5, 5), 0);
    EXPECT_EQ(keyboard.toggle(5, 5), 0);
    keyboard.draw();
    EXPECT_TRUE(keyboard.image().isNull());

    EXPECT_EQ(keyboard.create(nullptr, -1, 3), 1);
    EXPECT_EQ(keyboard.create(nullptr, 7, 0), 1);
    EXPECT_EQ(keyboard.width(), 0);
    keyboard.setFirstNote(12);
    keyboard.setAllSelected(true);
    EXPECT_EQ(keyboard.hitTest(5, 5), 0);
}

}  // namespace
}  // namespace halcyone
