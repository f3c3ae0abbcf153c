#include "ui/OctaveWidget.h"

#include <QPainter>

#include "ui/KeyProportions.h"
#include "ui/QtColour.h"

namespace halcyone {

namespace {

// Where each key of an octave sits: its shape and the white key it is on, or right of.
struct KeySlot {
    KeyShape shape;
    int whiteIndex;
};
constexpr std::array<KeySlot, OctaveWidget::keyCount> octaveLayout = {{
    {KeyShape::WhiteBeforeBlack, 0},    // C
    {KeyShape::Black, 0},               // C sharp
    {KeyShape::WhiteBetweenBlacks, 1},  // D
    {KeyShape::Black, 1},               // D sharp
    {KeyShape::WhiteAfterBlack, 2},     // E
    {KeyShape::WhiteBeforeBlack, 3},    // F
    {KeyShape::Black, 3},               // F sharp
    {KeyShape::WhiteBetweenBlacks, 4},  // G
    {KeyShape::Black, 4},               // G sharp
    {KeyShape::WhiteBetweenBlacks, 5},  // A
    {KeyShape::Black, 5},               // A sharp
    {KeyShape::WhiteAfterBlack, 6},     // B
}};

}  // namespace

OctaveWidget::OctaveWidget() : Widget(0, 0, 0, 0) {}

OctaveWidget::~OctaveWidget() = default;

void OctaveWidget::create(int x, int y, int keyUnit, int width, int height) {
    x_ = x;
    y_ = y;
    width_ = width;
    height_ = height;
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(qColour(backgroundColour));

    // White key m starts at m * w + (2m + 1) * t, leaving 2t of background between white keys
    // and t at each end; a black key starts b + t right of the white key before it.
    const int w = whiteKeyUnits * keyUnit;
    const int t = keyUnit / 3;
    const int b = w - notchWidth(w);
    for (int i = 0; i < keyCount; ++i) {
        const KeySlot& slot = octaveLayout[static_cast<std::size_t>(i)];
        const int whiteX = slot.whiteIndex * w + (2 * slot.whiteIndex + 1) * t;
        const int keyX = slot.shape == KeyShape::Black ? whiteX + b + t : whiteX;
        key(i).place(&image_, keyX, 0, slot.shape, keyUnit);
    }
}

void OctaveWidget::setNotes(int first) {
    for (int i = 0; i < keyCount; ++i) {
        key(i).setNote(static_cast<std::uint8_t>(first + i));
    }
}

void OctaveWidget::paintKeys() {
    for (KeyWidget& k : keys_) {
        if (k.selected()) {
            k.paintSelected();
        } else {
            k.paintIdle();
        }
    }
}

void OctaveWidget::blitTo(QPainter& painter) const { painter.drawImage(x_, y_, image_); }

KeyWidget* OctaveWidget::keyAt(int px, int py) {
    // Where rectangles share pixels the earlier key answers, although the later one is painted
    // over it.
    for (KeyWidget& k : keys_) {
        if (k.hitTest(px - x_, py - y_) != 0) {
            return &k;
        }
    }
    return nullptr;
}

std::uint8_t OctaveWidget::hitTest(int px, int py) const {
    for (const KeyWidget& k : keys_) {
        if (const std::uint8_t note = k.hitTest(px - x_, py - y_); note != 0) {
            return note;
        }
    }
    return 0;
}

std::int32_t OctaveWidget::toggle(int px, int py) {
    KeyWidget* k = keyAt(px, py);
    if (k == nullptr) {
        return 0;
    }
    k->setSelected(!k->selected());
    return k->selected() ? k->note() + selectedMark : k->note();
}

}  // namespace halcyone
