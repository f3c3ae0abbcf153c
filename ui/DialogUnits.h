// Dialog units to client-area pixels: 1.5 px across and 1.625 px down, so that the preview at
// (350, 10) and the keyboard at (20, 310) line up with the controls. Edges are rounded, not
// sizes, so that neighbouring controls neither overlap nor leave gaps.
#pragma once

#include <QRect>

#include <cmath>

#include "ui/DialogTemplate.h"

namespace halcyone {

constexpr double pixelsPerUnitAcross = 1.5;
constexpr double pixelsPerUnitDown = 1.625;

inline int pixelsAcross(int units) {
    return static_cast<int>(std::floor(units * pixelsPerUnitAcross + 0.5));
}
inline int pixelsDown(int units) {
    return static_cast<int>(std::floor(units * pixelsPerUnitDown + 0.5));
}

inline QRect pixelRect(const DialogRect& r) {
    const int left = pixelsAcross(r.x), top = pixelsDown(r.y);
    return QRect(left, top, pixelsAcross(r.x + r.width) - left, pixelsDown(r.y + r.height) - top);
}

}  // namespace halcyone
