#include "ui/KeyboardWidget.h"

#include <QColor>
#include <QPainter>
#include <QRect>

#include "ui/QtColour.h"

namespace halcyone {

namespace {

// Proportions of a key in key units: white keys are 3 wide and 16 high, their upper part (where
// black keys sit between them) 10 high; black keys are 2 wide and 10 - 1/3 high.
constexpr int whiteKeyUnits = 3;
constexpr int blackKeyUnits = 2;
constexpr int upperPartUnits = 10;
constexpr int keyHeightUnits = 16;

constexpr int whiteKeysPerOctave = 7;

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

constexpr Colour frameColour = black;
constexpr std::int32_t selectedMark = 1000;  // added to a toggled note that is now selected

QRect toQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// The white key width w less the part a black key covers on one side.
int notchWidth(int whiteWidth) { return (whiteWidth - whiteWidth / 2) / 2; }

}  // namespace

Widget::Widget(int x, int y, int width, int height)
    : x_(x), y_(y), width_(width), height_(height) {}

Widget::~Widget() = default;

KeyWidget::KeyWidget() : Widget(0, 0, 0, 0) {}

KeyWidget::~KeyWidget() = default;

void KeyWidget::place(QImage* target, int x, int y, KeyShape shape, int keyUnit) {
    target_ = target;
    x_ = x;
    y_ = y;
    shape_ = shape;
    note_ = 0;
    selected_ = false;

    const int u = keyUnit;
    const int w = whiteKeyUnits * u;
    const int d = notchWidth(w);
    const int upperBottom = y + upperPartUnits * u;
    const int keyBottom = y + keyHeightUnits * u;
    lowerRect_ = {x, upperBottom, x + w, keyBottom};
    switch (shape) {
    case KeyShape::WhiteBeforeBlack:
        upperRect_ = {x, y, x + w - d, upperBottom};
        break;
    case KeyShape::WhiteBetweenBlacks:
        upperRect_ = {x + d, y, x + w - d, upperBottom};
        break;
    case KeyShape::WhiteAfterBlack:
        // Nothing lies to its right, so the upper part reaches down the whole key.
        upperRect_ = {x + d, y, x + w, keyBottom};
        break;
    case KeyShape::Black:
        upperRect_ = {x, y, x + blackKeyUnits * u, upperBottom - u / 3};
        lowerRect_ = {};
        break;
    }
}

std::uint8_t KeyWidget::hitTest(int px, int py) const {
    const bool onKey = upperRect_.contains(px, py) || (isWhite() && lowerRect_.contains(px, py));
    return onKey ? note_ : 0;
}

void KeyWidget::paintSelected() { fill(isWhite() ? selectedWhiteColour : selectedBlackColour); }

void KeyWidget::paintIdle() { fill(isWhite() ? idleWhiteColour : idleBlackColour); }

void KeyWidget::fill(Colour colour) {
    if (target_ == nullptr || target_->isNull()) {
        return;
    }
    QPainter painter(target_);
    const QColor brush = qColour(colour);
    painter.fillRect(toQRect(upperRect_), brush);
    if (isWhite()) {
        painter.fillRect(toQRect(lowerRect_), brush);
    }
}

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

KeyboardWidget::KeyboardWidget() : Widget(0, 0, 0, 0) {}

KeyboardWidget::~KeyboardWidget() = default;

int KeyboardWidget::create(const QWidget* window, int octaveCount, int keyUnit) {
    window_ = window;
    octaves_.reset();
    image_ = QImage();
    if (octaveCount < 1 || keyUnit < 1) {
        octaveCount = 0;
        keyUnit = 0;
    }

    octaveCount_ = octaveCount;
    octaveWidth_ = (keyUnit / 3) * 2 * whiteKeysPerOctave + whiteKeysPerOctave * whiteKeyUnits * keyUnit;
    octaveHeight_ = keyHeightUnits * keyUnit;
    x_ = 0;
    y_ = 0;
    width_ = octaveCount_ * octaveWidth_;
    height_ = octaveHeight_;
    if (octaveCount_ == 0) {
        return 1;
    }

    image_ = QImage(width_, height_, QImage::Format_RGB32);
    image_.fill(qColour(OctaveWidget::backgroundColour));
    octaves_ = std::make_unique<OctaveWidget[]>(static_cast<std::size_t>(octaveCount_));
    for (int i = 0; i < octaveCount_; ++i) {
        OctaveWidget& octave = octaves_[static_cast<std::size_t>(i)];
        octave.create(i * octaveWidth_, 0, keyUnit, octaveWidth_, octaveHeight_);
        octave.paintKeys();
    }
    return 1;
}

void KeyboardWidget::setFirstNote(int note) {
    lowestNote_ = note;
    for (int i = 0; i < octaveCount_; ++i) {
        octaves_[static_cast<std::size_t>(i)].setNotes(note + OctaveWidget::keyCount * i);
    }
    highestNote_ = note + OctaveWidget::keyCount * octaveCount_ - 1;
}

void KeyboardWidget::draw() {
    if (image_.isNull()) {
        return;
    }
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 0; i < octaveCount_; ++i) {
        OctaveWidget& octave = octaves_[static_cast<std::size_t>(i)];
        octave.paintKeys();
        octave.blitTo(painter);
    }
    const QColor frame = qColour(frameColour);
    painter.fillRect(0, 0, width_, 1, frame);
    painter.fillRect(0, height_ - 1, width_, 1, frame);
    painter.fillRect(0, 0, 1, height_, frame);
    painter.fillRect(width_ - 1, 0, 1, height_, frame);
}

bool KeyboardWidget::withinFrame(int px, int py) const {
    return 0 < px && px < width_ && 0 < py && py < height_;
}

std::uint8_t KeyboardWidget::hitTest(int px, int py) const {
    if (!withinFrame(px, py)) {
        return 0;
    }
    return octave(px / octaveWidth_).hitTest(px, py);
}

std::int32_t KeyboardWidget::toggle(int px, int py) {
    if (!withinFrame(px, py)) {
        return 0;
    }
    return octaves_[static_cast<std::size_t>(px / octaveWidth_)].toggle(px, py);
}

void KeyboardWidget::setKeySelected(int note, bool flag) {
    if (note == 0) {
        return;  // keys without a note carry 0
    }
    for (int i = 0; i < octaveCount_; ++i) {
        for (int k = 0; k < OctaveWidget::keyCount; ++k) {
            KeyWidget& key = octaves_[static_cast<std::size_t>(i)].key(k);
            if (key.note() == note) {
                key.setSelected(flag);
            }
        }
    }
}

void KeyboardWidget::setAllSelected(bool flag) {
    for (int i = 0; i < octaveCount_; ++i) {
        for (int k = 0; k < OctaveWidget::keyCount; ++k) {
            octaves_[static_cast<std::size_t>(i)].key(k).setSelected(flag);
        }
    }
}

}  // namespace halcyone
