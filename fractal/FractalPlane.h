// The escape-time function, its colour mapping and the navigation of a view.
#pragma once

#include <cstdint>

#include "fractal/Colour.h"
#include "fractal/ViewRect.h"

namespace halcyone {

constexpr int maxEscapeCount = 255;
constexpr double bailoutSquared = 4.0;

// Escape time of c = re + i*im, counted down from 255: 255 when |c|^2 > 4, 255 - k when the
// orbit (starting at c itself) first leaves |z|^2 <= 4 after k iterations, 0 when it has not
// left after 255. A NaN modulus counts as an escape. With a floor (1..255), counts below it
// read as 0 and the loop stops as soon as the count can no longer reach the floor; floor 0 or 1
// gives every count. This plain loop is the reference that every faster path must match bit
// for bit.
inline std::uint8_t escapeCountFrom(double re, double im, int floor) {
    double zre = re;
    double zim = im;
    int n = maxEscapeCount;
    for (;;) {
        const double zre2 = zre * zre;
        const double zim2 = zim * zim;
        if (!(zre2 + zim2 <= bailoutSquared)) return static_cast<std::uint8_t>(n);
        if (n <= floor) return 0;
        --n;
        const double nextRe = zre2 - zim2 + re;
        zim = 2.0 * zre * zim + im;
        zre = nextRe;
    }
}

inline std::uint8_t escapeCount(double re, double im) {
    return escapeCountFrom(re, im, 0);
}

// Colour of an escape count (only its low byte counts) under a start colour: black for 0,
// otherwise each component steps by 25 (red), 5 (green), 3 (blue) per count, modulo 255.
constexpr Colour iterationColour(int value, Colour start) {
    const int v = value & 0xFF;
    if (v == 0) return black;
    return makeColour((25 * v + redOf(start)) % 255, (5 * v + greenOf(start)) % 255,
                      (3 * v + blueOf(start)) % 255);
}

enum class PanDirection { Left, Right, Up, Down };

void resetView(ViewRect& view);
// Each edge moves out by a tenth of the extent.
void zoomOut(ViewRect& view);
// Each edge moves in by a twelfth of the extent, undoing one zoomOut.
void zoomIn(ViewRect& view);
// Moves by a tenth of the width in every direction, the vertical ones included.
void panView(ViewRect& view, PanDirection direction);
// zoomIn and zoomOut anchored at a point of the view: the point at fractions (fx, fy) of its
// width and height (fx = i * 0.005 for column i of the preview) stays where it was on the
// picture. The extent changes exactly as zoomIn (zoomOut) changes it; the view is then moved
// by the difference.
void zoomInAt(ViewRect& view, double fx, double fy);
void zoomOutAt(ViewRect& view, double fx, double fy);
// The part of the view between fractions (fx1, fy1) and (fx2, fy2) of its width and height
// becomes the view.
void frameArea(ViewRect& view, double fx1, double fy1, double fx2, double fy2);
// Moves the view to a random place on a 0.002 grid and keeps its size. Draws two numbers
// from the C library generator (X first); whoever initialises the program seeds it.
void randomizeView(ViewRect& view);

}  // namespace halcyone
