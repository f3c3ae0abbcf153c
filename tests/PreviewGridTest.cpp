#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"

namespace halcyone {
namespace {

const Colour start = makeColour(200, 100, 50);

// Columns from X1 and rows from Y1, each point by its own formula (the grid never steps), the
// right and bottom edges never sampled; the histogram counts every point, and the image holds
// each point's colour row by row.
TEST(PreviewGrid, SamplesEveryPointByItsOwnFormula) {
    for (const ViewRect& view : {ViewRect{}, ViewRect{-1.5, 0.5, -0.25, 1.0}}) {
        PreviewCounts counts;
        samplePreview(view, counts);
        PreviewColours pixels;
        previewColours(counts, start, pixels);
        CountHistogram histogram{};
        for (int i = 0; i < previewSize; ++i)
            for (int j = 0; j < previewSize; ++j) {
                const std::uint8_t count = counts[i * previewSize + j];
                ASSERT_EQ(count, escapeCount(view.X1 + (view.X2 - view.X1) * i * 0.005,
                                             view.Y1 + (view.Y2 - view.Y1) * j * 0.005))
                    << "column " << i << ", row " << j << " of view " << view.X1;
                ASSERT_EQ(pixels[j * previewSize + i], iterationColour(count, start));
                ++histogram[count];
            }
        EXPECT_EQ(countHistogram(counts), histogram);
        EXPECT_LT(previewCoordinate(view.X1, view.X2, 199), view.X2);
        EXPECT_DOUBLE_EQ(previewCoordinate(view.X1, view.X2, 199),
                         view.X1 + 0.995 * (view.X2 - view.X1));
    }
}

TEST(Palette, OrdersByFrequencyLowerCountWinsTiesBlackFills) {
    CountHistogram histogram{};
    histogram[37] = 40000;
    const Palette single = paletteFromHistogram(histogram, start);
    EXPECT_EQ(single[0], iterationColour(37, start));
    for (int k = 1; k < paletteSize; ++k) EXPECT_EQ(single[k], black);

    histogram = CountHistogram{};
    histogram[200] = histogram[100] = 10;
    histogram[150] = 30;
    histogram[0] = 5;  // count 0 competes like any other count
    const Palette tie = paletteFromHistogram(histogram, start);
    EXPECT_EQ((std::vector<Colour>(tie.begin(), tie.begin() + 4)),
              (std::vector<Colour>{iterationColour(150, start), iterationColour(100, start),
                                   iterationColour(200, start), black}));
    histogram[0] = 31;
    EXPECT_EQ(paletteFromHistogram(histogram, start)[0], black);
}

// Fixed from 0.1 up to 10 digits before the point, otherwise with an exponent; the rounding
// to 10 digits decides the form (0.09999999999999 reads "0.1").
TEST(CoordinateReadout, TenSignificantDigitsWithThreeDigitExponent) {
    std::string shown;
    for (double value : {-2.0, 1.0, 0.0, -0.25, -1.3, 1.0 / 3.0, 2.0 / 3.0, 0.05, 0.001,
                         1234567890.0, 12345678901.0, -2.0 / 3.0 * 1e-5, 0.09999999999999})
        shown += formatCoordinate(value) + " ";
    EXPECT_EQ(shown,
              "-2. 1. 0. -0.25 -1.3 0.3333333333 0.6666666667 5.e-002 1.e-003 1234567890. "
              "1.23456789e+010 -6.666666667e-006 0.1 ");
}

}  // namespace
}  // namespace halcyone
