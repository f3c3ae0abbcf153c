#include "ui/KeyboardWidget.h"

#include <QPainter>

#include "ui/KeyProportions.h"
#include "ui/QtColour.h"

namespace halcyone {

namespace {

constexpr Colour frameColour = black;

}  // namespace

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
    for (int i = 0; i < octaveCount_; ++i) {
        octaves_[static_cast<std::size_t>(i)].setNotes(note + OctaveWidget::keyCount * i);
    }
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
