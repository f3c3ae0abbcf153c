#include "fractal/PreviewGrid.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "fractal/EscapeGrid.h"
#include "fractal/FractalPlane.h"

namespace halcyone {

namespace {

// Counts stored column by column become pixels row by row, through a table of the 256 colours.
void colourCounts(const std::uint8_t* counts, int size, Colour startColour, Colour* pixels) {
    std::array<Colour, 256> colourOf;
    for (int n = 0; n < 256; ++n) colourOf[n] = iterationColour(n, startColour);
    for (std::size_t i = 0; i < static_cast<std::size_t>(size); ++i)
        for (std::size_t j = 0; j < static_cast<std::size_t>(size); ++j)
            pixels[j * size + i] = colourOf[counts[i * size + j]];
}

}  // namespace

void samplePreview(const ViewRect& view, PreviewCounts& counts) {
    std::array<double, previewSize> columnRe;
    std::array<double, previewSize> rowIm;
    for (int k = 0; k < previewSize; ++k) {
        columnRe[k] = previewCoordinate(view.X1, view.X2, k);
        rowIm[k] = previewCoordinate(view.Y1, view.Y2, k);
    }
    escapeCountGrid(columnRe, rowIm, counts);
}

void previewColours(const PreviewCounts& counts, Colour startColour, PreviewColours& pixels) {
    colourCounts(counts.data(), previewSize, startColour, pixels.data());
}

std::vector<Colour> previewColoursAtScale(const ViewRect& view, Colour startColour, int scale) {
    const int size = previewSize * scale;
    const double step = previewStep / scale;
    std::vector<double> columnRe(static_cast<std::size_t>(size)), rowIm(static_cast<std::size_t>(size));
    for (int k = 0; k < size; ++k) {
        // Evaluated as the 200 x 200 grid is, so that every scale-th sample is one of its own.
        columnRe[static_cast<std::size_t>(k)] = view.X1 + (view.X2 - view.X1) * k * step;
        rowIm[static_cast<std::size_t>(k)] = view.Y1 + (view.Y2 - view.Y1) * k * step;
    }
    std::vector<std::uint8_t> counts(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    escapeCountGrid(columnRe, rowIm, counts);
    std::vector<Colour> pixels(counts.size());
    colourCounts(counts.data(), size, startColour, pixels.data());
    return pixels;
}

CountHistogram countHistogram(const PreviewCounts& counts) {
    CountHistogram histogram{};
    for (std::uint8_t n : counts) ++histogram[n];
    return histogram;
}

Palette paletteFromHistogram(CountHistogram histogram, Colour startColour) {
    Palette palette{};
    for (Colour& entry : palette) {
        std::size_t winner = 0;
        for (std::size_t n = 1; n < histogram.size(); ++n)
            if (histogram[n] > histogram[winner]) winner = n;
        entry = iterationColour(static_cast<int>(winner), startColour);
        histogram[winner] = 0;
    }
    return palette;
}

namespace {

constexpr int readoutDigits = 10;

void dropTrailingZeros(std::string& digits) {
    const auto point = digits.find('.');
    if (point == std::string::npos) return;
    const auto last = digits.find_last_not_of('0');
    digits.erase(std::max(last, point) + 1);
}

}  // namespace

std::string formatCoordinate(double value) {
    // Round to 10 significant digits first: the exponent of the rounded value decides the form.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", readoutDigits - 1, value);
    std::string text = buffer;
    const auto e = text.find('e');
    if (e == std::string::npos) return text;  // inf or nan
    const int exponent = std::atoi(text.c_str() + e + 1);
    if (exponent >= -1 && exponent <= readoutDigits - 1) {
        std::snprintf(buffer, sizeof buffer, "%.*f", readoutDigits - 1 - exponent, value);
        std::string fixed = buffer;
        if (fixed.find('.') == std::string::npos) fixed += '.';
        dropTrailingZeros(fixed);
        return fixed;
    }
    std::string mantissa = text.substr(0, e);
    dropTrailingZeros(mantissa);
    std::snprintf(buffer, sizeof buffer, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return mantissa + buffer;
}

}  // namespace halcyone
