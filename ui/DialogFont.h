// The fonts of the main window. Its layout in dialog units was drawn for a dialog font whose
// average letter is 6 pixels wide and whose line is 13 pixels high at 96 dpi; Liberation Sans
// (Arial's metrics, built into the program) at the pixel size whose average letter comes
// closest to 6 pixels keeps every caption inside its control.
#pragma once

#include <QFont>
#include <QStringList>

namespace halcyone {

constexpr double dialogAverageLetterWidth = 6.0;  // pixels

// The built-in font's family, loaded on first use; empty when it can't be loaded.
QString builtInFontFamily();

// `family` (the built-in family when empty; the desktop's sans-serif when that isn't
// installed) at the pixel size whose average width of the 52 letters A-Z, a-z is closest to
// dialogAverageLetterWidth; the smaller size on a tie.
QFont dialogFont(const QString& family = {});

// `base` narrowed just enough that each of `texts` fits into `width` pixels, but not below
// minimumStretch percent; `base` itself when they fit already.
QFont narrowedToFit(const QFont& base, const QStringList& texts, int width);
constexpr int minimumStretch = 75;

}  // namespace halcyone
