// Points of the main cardioid and of the period-2 bulb never escape: their count is 0 without
// iterating. The batch kernels repeat this test lane by lane with the same operations in the
// same order.
#pragma once

#include <cmath>

namespace halcyone {

// A box around both components. Outside it nothing is inside, and it keeps NaN, infinities and
// huge values away from the formulas below (with im = inf the cardioid test would read
// inf <= inf).
constexpr double interiorLeft = -1.25;       // left end of the bulb
constexpr double interiorRight = 0.25;       // the cardioid's cusp
constexpr double interiorHalfHeight = 0.65;  // the cardioid reaches |im| = 3*sqrt(3)/8 ~ 0.6495

// Both tests demand this much room inside the boundary: about a million times the rounding
// error of the formulas, so points near the boundary always take the full loop. Only a sliver
// of the interior (and a neighbourhood of the cusp of radius ~1e-3) loses the shortcut.
constexpr double interiorMargin = 1e-9;

// Period-2 bulb: |c + 1|^2 < 1/16.
constexpr double bulbLimit = 0.0625 - interiorMargin;
constexpr double cardioidShift = 0.25;
constexpr double cardioidQuarter = 0.25;

// True only for points that lie inside the cardioid or the bulb by the margin; false for every
// non-finite input. Where it is true, escapeCount is 0.
inline bool surelyInsideSet(double re, double im) {
    if (!(re >= interiorLeft && re <= interiorRight && std::fabs(im) <= interiorHalfHeight))
        return false;
    const double im2 = im * im;
    const double bulbRe = re + 1.0;
    if (bulbRe * bulbRe + im2 <= bulbLimit) return true;
    // Cardioid: with q = (re - 1/4)^2 + im^2, inside when q * (q + re - 1/4) < im^2 / 4.
    const double shifted = re - cardioidShift;
    const double q = shifted * shifted + im2;
    return q * (q + shifted) <= cardioidQuarter * im2 - interiorMargin;
}

}  // namespace halcyone
