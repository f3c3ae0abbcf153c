#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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
    EXPECT_EQ(escapeCount(1, 0), 253);  // 1, 2, 5
    EXPECT_EQ(escapeCount(2, 0), 254);  // |c|^2 == 4 is not an escape; 6 is
    EXPECT_EQ(escapeCount(0, 2), 254);
}

// Random points, non-finite and huge ones (they escape at once), and points near the cardioid cusp,
// the period-2 bulb and the tip, where orbits are long.
TEST(EscapeCount, AgreesWithPlainLoopOnRandomAndBoundaryPoints) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::pair<double, double>> points = {{nan, 0.0},     {0.0, nan},  {inf, 0.0},
                                                     {-inf, 0.0},    {0.0, -inf}, {1e300, 1e300},
                                                     {1e200, 1e-200}};
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> re(-2.5, 1.5), im(-1.5, 1.5), tiny(-1e-3, 1e-3);
    for (int k = 0; k < 200000; ++k) points.emplace_back(re(random), im(random));
    for (int k = 0; k < 20000; ++k) {
        points.emplace_back(0.25 + tiny(random), tiny(random));
        points.emplace_back(-0.75 + tiny(random), tiny(random));
        points.emplace_back(-2.0 + std::abs(tiny(random)) * 1e-6, 0.0);
    }
    for (auto [x, y] : points) ASSERT_EQ(escapeCount(x, y), plainEscape(x, y)) << x << " " << y;
}

TEST(IterationColour, StepsFromTheStartColourOneToOneOverNonZeroCounts) {
    const Colour start = makeColour(200, 100, 50);
    EXPECT_EQ(iterationColour(0, start), black);
    EXPECT_EQ(iterationColour(1, start), makeColour(225, 105, 53));
    EXPECT_EQ(iterationColour(255, start), start);
    EXPECT_EQ(iterationColour(257, start), iterationColour(1, start));  // only the low byte counts
    EXPECT_EQ(iterationColour(255, black), black);  // fast escape looks like the inside
    std::set<Colour> seen;
    for (int n = 1; n <= 255; ++n) seen.insert(iterationColour(n, start));
    EXPECT_EQ(seen.size(), 255u);
}

void expectView(const ViewRect& v, const ViewRect& expected) {  // up to rounding
    for (auto edge : {&ViewRect::X1, &ViewRect::X2, &ViewRect::Y1, &ViewRect::Y2})
        EXPECT_NEAR(v.*edge, expected.*edge, 1e-15);
}

TEST(ViewOperations, ZoomPanAndReset) {
    ViewRect v;
    zoomOut(v);
    expectView(v, {-2.3, 1.3, -1.2, 1.2});
    zoomIn(v);
    expectView(v, {});
    panView(v, PanDirection::Up);  // a tenth of the width, not of the height
    expectView(v, {-2.0, 1.0, -1.3, 0.7});
    panView(v, PanDirection::Right);
    expectView(v, {-1.7, 1.3, -1.3, 0.7});
    panView(v, PanDirection::Left);
    panView(v, PanDirection::Down);
    panView(v, PanDirection::Down);
    expectView(v, {-2.0, 1.0, -0.7, 1.3});
    resetView(v);
    EXPECT_EQ(v, ViewRect{});
}

// Zooms anchored at a point change the extent exactly as "+" and "-" do and keep the anchored
// point where it was, on a view that is not square and not centred.
TEST(ViewOperations, ZoomsAtAPointKeepThatPointAndTheButtonsFactor) {
    const ViewRect start{-0.8, -0.5, 0.1, 0.3};
    for (const auto& [fx, fy] : {std::pair{0.25, 0.9}, std::pair{0.0, 0.0}, std::pair{0.995, 0.5}}) {
        for (const bool in : {true, false}) {
            ViewRect anchored = start, plain = start;
            in ? zoomInAt(anchored, fx, fy) : zoomOutAt(anchored, fx, fy);
            in ? zoomIn(plain) : zoomOut(plain);
            EXPECT_DOUBLE_EQ(anchored.X2 - anchored.X1, plain.X2 - plain.X1);
            EXPECT_DOUBLE_EQ(anchored.Y2 - anchored.Y1, plain.Y2 - plain.Y1);
            EXPECT_NEAR(anchored.X1 + (anchored.X2 - anchored.X1) * fx, start.X1 + (start.X2 - start.X1) * fx, 1e-15);
            EXPECT_NEAR(anchored.Y1 + (anchored.Y2 - anchored.Y1) * fy, start.Y1 + (start.Y2 - start.Y1) * fy, 1e-15);
        }
    }
    // At the centre the anchored zoom is the button's, give or take rounding.
    ViewRect centred;
    zoomInAt(centred, 0.5, 0.5);
    expectView(centred, {-1.75, 0.75, -0.8333333333333334, 0.8333333333333334});
    ViewRect part;
    frameArea(part, 0.25, 0.5, 0.75, 1.0);
    expectView(part, {-1.25, 0.25, 0.0, 1.0});
}

// Randomize keeps the size and moves the top-left corner to a point of a 0.002 grid, X1 in
// -2..0 and Y1 in -1..1, a different one for most seeds.
TEST(ViewOperations, RandomizeKeepsTheSizeAndPutsTheCornerOnTheGrid) {
    std::set<std::pair<double, double>> corners;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::srand(seed);
        ViewRect v{0.0, 0.5, 0.0, 0.25};
        randomizeView(v);
        EXPECT_NEAR(v.X2 - v.X1, 0.5, 1e-12);
        EXPECT_NEAR(v.Y2 - v.Y1, 0.25, 1e-12);
        for (const auto& [edge, low] : {std::pair{v.X1, -2.0}, std::pair{v.Y1, -1.0}}) {
            const double gridPoints = (edge - low) / 0.002;
            EXPECT_NEAR(gridPoints, std::round(gridPoints), 1e-6) << edge;
            EXPECT_GT(gridPoints, -0.5) << edge;
            EXPECT_LT(gridPoints, 999.5) << edge;
        }
        corners.insert({v.X1, v.Y1});
    }
    EXPECT_GT(corners.size(), 250u);
}

}  // namespace
}  // namespace halcyone
