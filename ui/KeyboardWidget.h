// The piano keyboard of the main window: keys paint themselves into their octave's image, the
// keyboard copies the octave images side by side into its own image and frames it, and the
// window's paint handler shows that image. Geometry and hit testing are plain integer code, so
// they work (and can be tested) without painting and without a QGuiApplication.
#pragma once

#include <QImage>

#include <cstdint>
#include <memory>

#include "ui/OctaveWidget.h"
#include "ui/Widget.h"

class QWidget;

namespace halcyone {

class KeyboardWidget : public Widget {
public:
    // Empty: no octaves, no image, every number 0. Cheap, and needs no QGuiApplication.
    KeyboardWidget();
    ~KeyboardWidget() override;
    KeyboardWidget(const KeyboardWidget&) = delete;
    KeyboardWidget& operator=(const KeyboardWidget&) = delete;

    // (Re)builds octaveCount octaves of key unit keyUnit, releasing what an earlier call built;
    // every key is left without a note and unselected. `window` is only remembered and may be
    // null. A count or key unit below 1 leaves the keyboard empty. Returns 1.
    int create(const QWidget* window, int octaveCount, int keyUnit);

    // Numbers the keys upwards from `note`, one semitone per key.
    void setFirstNote(int note);

    // Repaints every octave into the keyboard image and frames it with a one-pixel black line.
    void draw();

    // The note of the key under (px, py); 0 on the outermost column and row, outside the
    // keyboard, and on the background between keys.
    std::uint8_t hitTest(int px, int py) const;

    // Flips the key under (px, py) as OctaveWidget::toggle does; 0 where `hitTest` finds none.
    std::int32_t toggle(int px, int py);

    // Every key whose note is `note` (never a key without a note) gets the flag.
    void setKeySelected(int note, bool flag);
    void setAllSelected(bool flag);

    const QImage& image() const { return image_; }  // Format_RGB32, width x height
    int octaveCount() const { return octaveCount_; }
    int octaveWidth() const { return octaveWidth_; }
    const OctaveWidget& octave(int index) const { return octaves_[static_cast<std::size_t>(index)]; }

private:
    // Strictly inside: the first column and row (under the frame) never count.
    bool withinFrame(int px, int py) const;

    std::unique_ptr<OctaveWidget[]> octaves_;
    QImage image_;
    const QWidget* window_ = nullptr;
    std::int32_t octaveCount_ = 0;
    std::int32_t octaveHeight_ = 0;
    std::int32_t octaveWidth_ = 0;
};

}  // namespace halcyone
