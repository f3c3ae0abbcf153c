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

TEST(EscapeGrid, CountsEveryPointColumnByColumnOnAnyThreadCount) {
    // Not a multiple of the work block or of the vector width, columns != rows.
    const auto re = coordinates(-2.0, 1.0, 97);
    const auto im = coordinates(-1.0, 1.0, 131);
    for (EscapeMethod method : {EscapeMethod{EscapeIsa::Scalar, false}, fastestEscapeMethod()})
        for (int threads : {1, 2, 3}) {
            std::vector<std::uint8_t> out(re.size() * im.size());
            ASSERT_TRUE(escapeCountGrid(re, im, out, threads, method));
            for (std::size_t i = 0; i < re.size(); ++i)
                for (std::size_t j = 0; j < im.size(); ++j)
                    ASSERT_EQ(out[i * im.size() + j], escapeCount(re[i], im[j]))
                        << "column " << i << ", row " << j << ", threads " << threads;
        }
}

TEST(EscapeGrid, ThreadedGridEqualsSequentialGrid) {
    const auto re = coordinates(-0.775, -0.725, 700);
    const auto im = coordinates(0.075, 0.125, 500);
    std::vector<std::uint8_t> sequential(re.size() * im.size());
    ASSERT_TRUE(escapeCountGrid(re, im, sequential, 1));
    for (int threads : {0, 2, 5}) {
        std::vector<std::uint8_t> threaded(sequential.size());
        ASSERT_TRUE(escapeCountGrid(re, im, threaded, threads));
        EXPECT_EQ(threaded, sequential) << threads << " threads";
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
    const ViewRect views[] = {ViewRect{},
                              {-0.775, -0.725, 0.075, 0.125},
                              {-0.1326, -0.1126, 0.7349, 0.7549},
                              {-0.1, 0.3, -0.3, 0.3}};  // a view across the cardioid's cusp
    for (const ViewRect& view : views) {
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
