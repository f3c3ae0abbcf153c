#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "fractal/FractalPlane.h"

namespace halcyone {
namespace {

// An independent statement of the escape time: count iterations up until |z|^2 > 4.
int plainEscape(double re, double im) {
    double x = re, y = im;
    for (int k = 0; k < 255; ++k) {
        if (!(x * x + y * y <= 4.0)) return 255 - k;
        const double xx = x * x - y * y + re;
        y = 2.0 * x * y + im;
        x = xx;
    }
    return 0;
}

TEST(EscapeCount, WorkedValues) {
    EXPECT_EQ(escapeCount(0, 0), 0);
    EXPECT_EQ(escapeCount(-2, 0), 0);  // orbit stays at 2: |z|^2 == 4 keeps iterating
    EXPECT_EQ(escapeCount(3, 0), 255);
    EXPECT_EQ(escapeCount(2, 1), 255);
    EXPECT_EQ(escapeCount(1, 0), 253);  // 1, 2, 5
    EXPECT_EQ(escapeCount(2, 0), 254);  // |c|^2 == 4 is not an escape; 6 is
    EXPECT_EQ(escapeCount(0, 2), 254);
}

TEST(EscapeCount, NonFiniteAndHugeInputsEscapeAtOnce) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [re, im] : {std::pair{nan, 0.0}, {0.0, nan}, {inf, 0.0}, {-inf, 0.0}, {0.0, -inf},
                          {1e300, 1e300}, {-1e300, 0.0}, {1e200, 1e-200}})
        EXPECT_EQ(escapeCount(re, im), 255) << re << " " << im;
}

TEST(EscapeCount, AgreesWithPlainLoopOnRandomAndBoundaryPoints) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> re(-2.5, 1.5), im(-1.5, 1.5), tiny(-1e-3, 1e-3);
    std::vector<std::pair<double, double>> points;
    for (int k = 0; k < 200000; ++k) points.emplace_back(re(random), im(random));
    // Near the cardioid cusp, the period-2 bulb and the tip, where orbits are long.
    for (int k = 0; k < 20000; ++k) {
        points.emplace_back(0.25 + tiny(random), tiny(random));
        points.emplace_back(-0.75 + tiny(random), tiny(random));
        points.emplace_back(-2.0 + std::abs(tiny(random)) * 1e-6, 0.0);
    }
    for (auto [x, y] : points) ASSERT_EQ(escapeCount(x, y), plainEscape(x, y)) << x << " " << y;
}

TEST(IterationColour, MapsCountsUnderTheStartColour) {
    const Colour start = makeColour(200, 100, 50);
    for (Colour s : {start, black, makeColour(255, 255, 255)}) EXPECT_EQ(iterationColour(0, s), 0u);
    EXPECT_EQ(iterationColour(1, start), makeColour(225, 105, 53));
    EXPECT_EQ(iterationColour(255, start), start);
    EXPECT_EQ(iterationColour(256, start), black);  // only the low byte counts
    EXPECT_EQ(iterationColour(257, start), iterationColour(1, start));
    EXPECT_EQ(iterationColour(255, black), black);  // fast escape looks like the inside
}

TEST(IterationColour, IsOneToOneOverNonZeroCounts) {
    const Colour start = makeColour(200, 100, 50);
    std::set<Colour> seen;
    for (int n = 1; n <= 255; ++n) {
        const Colour c = iterationColour(n, start);
        EXPECT_LT(redOf(c), 255);
        seen.insert(c);
    }
    EXPECT_EQ(seen.size(), 255u);
}

TEST(ViewOperations, ZoomAndPanFromTheDefaultView) {
    ViewRect v;
    zoomOut(v);
    EXPECT_DOUBLE_EQ(v.X1, -2.3);
    EXPECT_DOUBLE_EQ(v.X2, 1.3);
    EXPECT_DOUBLE_EQ(v.Y1, -1.2);
    EXPECT_DOUBLE_EQ(v.Y2, 1.2);
    zoomIn(v);
    EXPECT_NEAR(v.X1, -2.0, 1e-15);
    EXPECT_NEAR(v.X2, 1.0, 1e-15);
    EXPECT_NEAR(v.Y1, -1.0, 1e-15);
    EXPECT_NEAR(v.Y2, 1.0, 1e-15);

    ViewRect up;
    panView(up, PanDirection::Up);  // a tenth of the width, not of the height
    EXPECT_DOUBLE_EQ(up.Y1, -1.3);
    EXPECT_DOUBLE_EQ(up.Y2, 0.7);
    EXPECT_EQ(up.X1, -2.0);
    ViewRect right;
    panView(right, PanDirection::Right);
    EXPECT_DOUBLE_EQ(right.X1, -1.7);
    EXPECT_DOUBLE_EQ(right.X2, 1.3);
    panView(right, PanDirection::Left);
    panView(right, PanDirection::Down);
    EXPECT_NEAR(right.X1, -2.0, 1e-15);
    EXPECT_DOUBLE_EQ(right.Y1, -0.7);

    resetView(right);
    EXPECT_EQ(right, ViewRect{});
}

TEST(ViewOperations, ZeroWidthViewStaysPut) {
    ViewRect v{0.5, 0.5, -1, 1};
    const ViewRect before = v;
    for (auto d : {PanDirection::Left, PanDirection::Right, PanDirection::Up, PanDirection::Down})
        panView(v, d);
    EXPECT_EQ(v, before);
    zoomOut(v);
    EXPECT_EQ(v.X1, v.X2);
}

TEST(ViewOperations, RandomizeKeepsTheSizeOnTheGrid) {
    std::srand(7);
    for (int k = 0; k < 500; ++k) {
        ViewRect v;
        randomizeView(v);
        EXPECT_DOUBLE_EQ(v.X2 - v.X1, 3.0);
        EXPECT_DOUBLE_EQ(v.Y2 - v.Y1, 2.0);
        EXPECT_GE(v.X1, -2.0);
        EXPECT_LE(v.X1, -0.002 + 1e-12);
        EXPECT_GE(v.Y1, -1.0);
        EXPECT_LE(v.Y1, 0.998 + 1e-12);
        const double gridX = (v.X1 + 2.0) / 0.002;
        EXPECT_NEAR(gridX, std::round(gridX), 1e-6);
    }
}

TEST(ViewOperations, RandomizeDrawsXThenY) {
    std::srand(99);
    const int r1 = std::rand() % 1000, r2 = std::rand() % 1000;
    std::srand(99);
    ViewRect v;
    randomizeView(v);
    EXPECT_EQ(v.X1, r1 * 0.001 * 2 - 2.0);
    EXPECT_EQ(v.Y1, r2 * 0.001 * 2 - 1.0);
}

}  // namespace
}  // namespace halcyone
