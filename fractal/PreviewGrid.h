// The 200 x 200 sampling grid of the preview and the palette of a view's most frequent colours.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fractal/Colour.h"
#include "fractal/ViewRect.h"

namespace halcyone {

constexpr int previewSize = 200;
constexpr double previewStep = 0.005;  // 1/200: the last column samples 0.995 of the span
constexpr int paletteSize = 20;

using PreviewCounts = std::array<std::uint8_t, previewSize * previewSize>;  // [column][row]
using PreviewColours = std::array<Colour, previewSize * previewSize>;        // [row][column]
using CountHistogram = std::array<std::uint32_t, 256>;
using Palette = std::array<Colour, paletteSize>;

// Real part of column i (imaginary part of row j) of the grid over [low, high).
inline double previewCoordinate(double low, double high, int index) {
    return low + (high - low) * index * previewStep;
}

// Escape counts of the whole grid, column by column (index i * 200 + j).
void samplePreview(const ViewRect& view, PreviewCounts& counts);

// The preview image, row by row (index j * 200 + i), each pixel iterationColour of its count.
void previewColours(const PreviewCounts& counts, Colour startColour, PreviewColours& pixels);

// The preview for a screen with `scale` device pixels to a preview pixel: the view sampled on a
// grid `scale` times as fine each way ((200 * scale) squared, row by row), so that it shows
// sharp rather than blown up. Every scale-th sample of it is the 200 x 200 preview's; the
// palette and the composer keep using those alone.
std::vector<Colour> previewColoursAtScale(const ViewRect& view, Colour startColour, int scale);

CountHistogram countHistogram(const PreviewCounts& counts);

// The 20 most frequent counts, most frequent first, as colours; among equal frequencies the
// lower count comes first, and once every count that occurs is taken, count 0 (black) fills.
Palette paletteFromHistogram(CountHistogram histogram, Colour startColour);

// The coordinate read-out: 10 significant digits, fixed for exponents -1..9, otherwise one
// digit, the point, the mantissa and a three-digit exponent; trailing zeros dropped, the point
// kept ("-2.", "0.3333333333", "5.e-002").
std::string formatCoordinate(double value);

}  // namespace halcyone
