// One key of the piano keyboard: its shape, its rectangles in the octave image, its note and
// whether it is selected. It paints itself into the octave's image.
#pragma once

#include <QImage>

#include <cstdint>

#include "fractal/Colour.h"
#include "ui/PixelRect.h"
#include "ui/Widget.h"

namespace halcyone {

// A white key's shape says on which sides a black key cuts into its upper part.
enum class KeyShape : char {
    WhiteBeforeBlack = 'A',    // C, F
    WhiteBetweenBlacks = 'B',  // D, G, A
    WhiteAfterBlack = 'C',     // E, B
    Black = 'D',
};

class KeyWidget : public Widget {
public:
    // Unselected keys are shown in two blue tints, selected ones like a real piano.
    static constexpr Colour idleBlackColour = makeColour(52, 78, 199);
    static constexpr Colour selectedBlackColour = makeColour(0, 0, 0);
    static constexpr Colour idleWhiteColour = makeColour(154, 169, 239);
    static constexpr Colour selectedWhiteColour = makeColour(255, 255, 255);

    KeyWidget();
    ~KeyWidget() override;

    // Puts the key at (x, y) of the octave image `target` (not owned) with key unit `keyUnit`;
    // the note becomes 0 (no note) and the key unselected.
    void place(QImage* target, int x, int y, KeyShape shape, int keyUnit);

    // The key's note when (px, py), in the octave's coordinates, lies on the key; 0 otherwise
    // (also for a key that has no note yet).
    std::uint8_t hitTest(int px, int py) const;

    // Fill the key's rectangles in the target image; nothing happens before `place`.
    void paintSelected();
    void paintIdle();

    std::uint8_t note() const { return note_; }
    void setNote(std::uint8_t note) { note_ = note; }
    bool selected() const { return selected_; }
    void setSelected(bool selected) { selected_ = selected; }

private:
    bool isWhite() const { return shape_ != KeyShape::Black; }
    void fill(Colour colour);

    KeyShape shape_ = KeyShape::WhiteBeforeBlack;
    PixelRect upperRect_;
    PixelRect lowerRect_;
    std::uint8_t note_ = 0;
    bool selected_ = false;
    QImage* target_ = nullptr;
};

}  // namespace halcyone
