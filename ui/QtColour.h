// The program's colours (0x00BBGGRR, red in the low byte) as Qt's, and back.
#pragma once

#include <QColor>

#include "fractal/Colour.h"

namespace halcyone {

inline QRgb qRgbOf(Colour c) { return qRgb(redOf(c), greenOf(c), blueOf(c)); }
inline QColor qColour(Colour c) { return QColor(qRgbOf(c)); }
inline Colour colourOf(const QColor& c) { return makeColour(c.red(), c.green(), c.blue()); }

}  // namespace halcyone
