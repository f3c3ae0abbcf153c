#include <gtest/gtest.h>

#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"

namespace halcyone {
namespace {

const Colour start = makeColour(200, 100, 50);

TEST(PreviewGrid, SamplesColumnsFromX1AndRowsFromY1) {
    const ViewRect view{-1.5, 0.5, -0.25, 1.0};
    PreviewCounts counts;
    samplePreview(view, counts);
    for (int i : {0, 1, 57, 199})
        for (int j : {0, 3, 120, 199})
            EXPECT_EQ(counts[i * previewSize + j],
                      escapeCount(view.X1 + (view.X2 - view.X1) * i * 0.005,
                                  view.Y1 + (view.Y2 - view.Y1) * j * 0.005));
    // The right and bottom edges are never sampled.
    EXPECT_LT(previewCoordinate(view.X1, view.X2, 199), view.X2);
    EXPECT_DOUBLE_EQ(previewCoordinate(view.X1, view.X2, 199), view.X1 + 0.995 * 2.0);
}

TEST(PreviewGrid, ColoursArePlacedRowByRow) {
    PreviewCounts counts{};
    counts[5 * previewSize + 7] = 1;  // column 5, row 7
    PreviewColours pixels;
    previewColours(counts, start, pixels);
    EXPECT_EQ(pixels[7 * previewSize + 5], iterationColour(1, start));
    EXPECT_EQ(pixels[5 * previewSize + 7], black);
}

TEST(Palette, ViewInsideTheSetIsAllBlack) {
    PreviewCounts counts;
    samplePreview(ViewRect{-0.1, 0.1, -0.1, 0.1}, counts);
    const auto histogram = countHistogram(counts);
    EXPECT_EQ(histogram[0], 40000u);
    for (Colour c : paletteFromHistogram(histogram, start)) EXPECT_EQ(c, black);
}

TEST(Palette, OrdersByFrequencyLowerCountWinsTiesBlackFills) {
    CountHistogram uniform{};
    uniform[37] = 40000;
    const Palette single = paletteFromHistogram(uniform, start);
    EXPECT_EQ(single[0], iterationColour(37, start));
    for (int k = 1; k < paletteSize; ++k) EXPECT_EQ(single[k], black);

    CountHistogram tie{};
    tie[200] = 10;
    tie[100] = 10;
    tie[150] = 30;
    tie[0] = 5;
    const Palette p = paletteFromHistogram(tie, start);
    EXPECT_EQ(p[0], iterationColour(150, start));
    EXPECT_EQ(p[1], iterationColour(100, start));
    EXPECT_EQ(p[2], iterationColour(200, start));
    EXPECT_EQ(p[3], black);  // count 0 competes like any other count

    CountHistogram insideWins{};
    insideWins[0] = 30000;
    insideWins[254] = 10000;
    EXPECT_EQ(paletteFromHistogram(insideWins, start)[0], black);
}

TEST(CoordinateReadout, TenSignificantDigitsWithThreeDigitExponent) {
    EXPECT_EQ(formatCoordinate(-2.0), "-2.");
    EXPECT_EQ(formatCoordinate(1.0), "1.");
    EXPECT_EQ(formatCoordinate(-1.0), "-1.");
    EXPECT_EQ(formatCoordinate(-0.25), "-0.25");
    EXPECT_EQ(formatCoordinate(1.0 / 3.0), "0.3333333333");
    EXPECT_EQ(formatCoordinate(0.05), "5.e-002");
    EXPECT_EQ(formatCoordinate(0.001), "1.e-003");
    EXPECT_EQ(formatCoordinate(-1.5), "-1.5");
    EXPECT_EQ(formatCoordinate(0.0), "0.");
    EXPECT_EQ(formatCoordinate(-1.3), "-1.3");
    EXPECT_EQ(formatCoordinate(1234567890.0), "1234567890.");
    EXPECT_EQ(formatCoordinate(12345678901.0), "1.23456789e+010");
    EXPECT_EQ(formatCoordinate(-2.0 / 3.0 * 1e-5), "-6.666666667e-006");
    EXPECT_EQ(formatCoordinate(0.09999999999999), "0.1");  // rounding moves the exponent
    EXPECT_EQ(formatCoordinate(2.0 / 3.0), "0.6666666667");
}

}  // namespace
}  // namespace halcyone
