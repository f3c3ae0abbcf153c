// One octave of the piano keyboard: twelve keys in an image of its own.
#pragma once

#include <QImage>

#include <array>
#include <cstdint>

#include "fractal/Colour.h"
#include "ui/KeyWidget.h"
#include "ui/Widget.h"

class QPainter;

namespace halcyone {

class OctaveWidget : public Widget {
public:
    static constexpr int keyCount = 12;
    static constexpr std::int32_t selectedMark = 1000;  // toggle adds it for a key now selected
    static constexpr Colour backgroundColour = makeColour(200, 200, 200);

    OctaveWidget();
    ~OctaveWidget() override;
    // The keys paint into this octave's own image.
    OctaveWidget(const OctaveWidget&) = delete;
    OctaveWidget& operator=(const OctaveWidget&) = delete;

    // Sets position and size, makes a width x height image filled with the background, and
    // places the twelve keys (C to B) in it, all without a note.
    void create(int x, int y, int keyUnit, int width, int height);

    // Key i gets note first + i, kept in 8 bits.
    void setNotes(int first);

    // Repaints every key, C to B, selected or idle; later keys cover earlier ones.
    void paintKeys();

    // Copies the octave image to (x, y) of the painter's device.
    void blitTo(QPainter& painter) const;

    // The note of the first key, C to B, under (px, py) in the parent's coordinates; 0 if none.
    std::uint8_t hitTest(int px, int py) const;

    // Flips the key that `hitTest` finds: its note + 1000 when it is now selected, its note
    // when it is now clear, 0 (and no change) when no key lies under the point.
    std::int32_t toggle(int px, int py);

    KeyWidget& key(int index) { return keys_[static_cast<std::size_t>(index)]; }
    const KeyWidget& key(int index) const { return keys_[static_cast<std::size_t>(index)]; }
    const QImage& image() const { return image_; }

private:
    KeyWidget* keyAt(int px, int py);

    std::array<KeyWidget, keyCount> keys_;
    QImage image_;
};

}  // namespace halcyone
