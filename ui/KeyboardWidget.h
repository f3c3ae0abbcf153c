// The piano keyboard of the main window: keys paint themselves into their octave's image, the
// keyboard copies the octave images side by side into its own image and frames it, and the
// window's paint handler shows that image. Geometry and hit testing are plain integer code, so
// they work (and can be tested) without painting and without a QGuiApplication.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <QImage>

#include "fractal/Colour.h"

class QPainter;
class QWidget;

namespace halcyone {

// Half-open pixel rectangle: (px, py) is inside when left <= px < right and top <= py < bottom,
// and a fill covers exactly those pixels.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr bool contains(int px, int py) const {
        return left <= px && px < right && top <= py && py < bottom;
    }
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A white key's shape says on which sides a black key cuts into its upper part.
enum class KeyShape : char {
    WhiteBeforeBlack = 'A',    // C, F
    WhiteBetweenBlacks = 'B',  // D, G, A
    WhiteAfterBlack = 'C',     // E, B
    Black = 'D',
};

class Widget {
public:
    Widget(int x, int y, int width, int height);
    Widget(const Widget&) = default;
    Widget& operator=(const Widget&) = default;
    virtual ~Widget();

    // Position in the parent's pixel coordinates; keys have no size of their own.
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return width_; }
    int height() const { return height_; }

protected:
    std::int32_t x_;
    std::int32_t y_;
    std::int32_t width_;
    std::int32_t height_;
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

    KeyShape shape() const { return shape_; }
    const PixelRect& upperRect() const { return upperRect_; }  // the whole key when black
    const PixelRect& lowerRect() const { return lowerRect_; }  // white keys only
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

class OctaveWidget : public Widget {
public:
    static constexpr int keyCount = 12;
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
    const QWidget* window() const { return window_; }
    int octaveCount() const { return octaveCount_; }
    int octaveWidth() const { return octaveWidth_; }
    int octaveHeight() const { return octaveHeight_; }
    int lowestNote() const { return lowestNote_; }
    int highestNote() const { return highestNote_; }
    const OctaveWidget& octave(int index) const { return octaves_[static_cast<std::size_t>(index)]; }

private:
    // Strictly inside: the first column and row (under the frame) never count.
    bool withinFrame(int px, int py) const;

    std::unique_ptr<OctaveWidget[]> octaves_;
    QImage image_;
    const QWidget* window_ = nullptr;
    std::int32_t lowestNote_ = 0;
    std::int32_t highestNote_ = 0;
    std::int32_t octaveCount_ = 0;
    std::int32_t octaveHeight_ = 0;
    std::int32_t octaveWidth_ = 0;
};

}  // namespace halcyone
