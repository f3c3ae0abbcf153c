#include <gtest/gtest.h>

#include <vector>

#include "fractal/EscapeGrid.h"
#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"

namespace halcyone {
namespace {

std::vector<double> coordinates(double low, double high, int count) {
    std::vector<double> values;
    for (int k = 0; k < count; ++k) values.push_back(low + (high - low) * k / count);
    return values;
}

// Seahorse valley on a grid of many work blocks whose sizes are not multiples of the block or
// of the vector width: every thread count gives escapeCount of every point, as one thread does.
TEST(EscapeGrid, ThreadedGridEqualsSequentialGridAndEscapeCount) {
    const auto re = coordinates(-0.775, -0.725, 701);
    const auto im = coordinates(0.075, 0.125, 499);
    std::vector<std::uint8_t> expected;
    for (double x : re)
        for (double y : im) expected.push_back(escapeCount(x, y));
    for (EscapeMethod method : {EscapeMethod{EscapeIsa::Scalar, false}, fastestEscapeMethod()})
        for (int threads : {1, 0, 2, 5}) {
            std::vector<std::uint8_t> out(expected.size());
            ASSERT_TRUE(escapeCountGrid(re, im, out, threads, method));
            EXPECT_EQ(out, expected) << threads << " threads, level " << int(method.isa);
        }
}

TEST(EscapeGrid, EmptyGridsAndShortOutput) {
    const std::vector<double> none;
    const auto some = coordinates(-1.0, 1.0, 10);
    std::vector<std::uint8_t> out(99, 7);
    EXPECT_TRUE(escapeCountGrid(none, some, out));
    EXPECT_TRUE(escapeCountGrid(some, none, out));
    EXPECT_FALSE(escapeCountGrid(some, some, out));  // 100 counts do not fit in 99
    EXPECT_EQ(out, std::vector<std::uint8_t>(99, 7));
}

TEST(EscapeGrid, PreviewSamplesEveryPointByItsOwnFormula) {
    // The default view, seahorse valley, the period-3 bulb and one across the cardioid's cusp.
    for (const ViewRect& view :
         {ViewRect{}, ViewRect{-0.775, -0.725, 0.075, 0.125},
          ViewRect{-0.1326, -0.1126, 0.7349, 0.7549}, ViewRect{-0.1, 0.3, -0.3, 0.3}}) {
        PreviewCounts counts;
        samplePreview(view, counts);
        for (int i = 0; i < previewSize; ++i)
            for (int j = 0; j < previewSize; ++j)
                ASSERT_EQ(counts[i * previewSize + j],
                          escapeCount(view.X1 + (view.X2 - view.X1) * i * 0.005,
                                      view.Y1 + (view.Y2 - view.Y1) * j * 0.005))
                    << "column " << i << ", row " << j << " of view " << view.X1;
    }
}

}  // namespace
}  // namespace halcyone
