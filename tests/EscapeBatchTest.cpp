#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "fractal/EscapeBatch.h"
#include "fractal/EscapeInterior.h"
#include "fractal/FractalPlane.h"
#include "fractal/ViewRect.h"

namespace halcyone {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint8_t guardByte = 0xA5;
constexpr std::size_t guardBytes = 16;

// Points with their counts from the plain loop, computed once.
struct Points {
    std::vector<double> re, im;
    std::vector<std::uint8_t> plain;
    void add(double x, double y) {
        re.push_back(x), im.push_back(y), plain.push_back(escapeCount(x, y));
    }
    std::size_t size() const { return re.size(); }
};

// Every level this machine runs, each with and without the interior test, the vector levels
// also with cycle detection.
std::vector<EscapeMethod> availableMethods() {
    std::vector<EscapeMethod> methods;
    for (EscapeIsa isa : {EscapeIsa::Scalar, EscapeIsa::Avx2, EscapeIsa::Avx512})
        if (escapeIsaAvailable(isa))
            for (bool skip : {false, true})
                for (bool cycles : {false, true})
                    if (!cycles || isa != EscapeIsa::Scalar) methods.push_back({isa, skip, cycles});
    return methods;
}

std::string nameOf(EscapeMethod method, int floor) {
    return std::string(std::array{"scalar", "AVX2", "AVX-512"}[int(method.isa)]) +
           (method.skipInterior ? " with interior test" : "") +
           (method.detectCycles ? " with cycle detection" : "") +
           (floor > 1 ? " from count " + std::to_string(floor) : "");
}

// Runs `method` on n points from `first` into an output at `outOffset` and compares with the
// plain loop: every count from `floor` up, 0 below it. The guard bytes around the output must
// stay untouched.
testing::AssertionResult matchesReference(EscapeMethod method, const Points& points,
                                          std::size_t first = 0, std::size_t n = SIZE_MAX,
                                          std::size_t outOffset = 0, int floor = 0) {
    const std::string name = nameOf(method, floor);
    n = std::min(n, points.size() - first);
    std::vector<std::uint8_t> buffer(outOffset + n + 2 * guardBytes, guardByte);
    const auto out = buffer.begin() + std::ptrdiff_t(guardBytes + outOffset);
    escapeCountBatchWith(method, &points.re[first], &points.im[first], &*out, n, floor);
    const auto isGuard = [](std::uint8_t b) { return b == guardByte; };
    if (!std::all_of(buffer.begin(), out, isGuard) ||
        !std::all_of(out + std::ptrdiff_t(n), buffer.end(), isGuard))
        return testing::AssertionFailure() << name << " wrote outside its output";
    for (std::size_t k = 0; k < n; ++k) {
        const int plain = points.plain[first + k];
        const int expected = plain >= floor ? plain : 0;
        if (out[std::ptrdiff_t(k)] != expected)
            return testing::AssertionFailure()
                   << name << " at (" << std::hexfloat << points.re[first + k] << ", "
                   << points.im[first + k] << "): " << int(out[std::ptrdiff_t(k)]) << " instead of "
                   << expected << " (plain loop: " << plain << ")";
    }
    return testing::AssertionSuccess();
}

void expectEveryMethodMatches(const Points& points) {
    for (EscapeMethod method : availableMethods()) EXPECT_TRUE(matchesReference(method, points));
}

Points gridOf(const ViewRect& view, int columns, int rows) {
    Points grid;
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j)
            grid.add(view.X1 + (view.X2 - view.X1) * i / columns,
                     view.Y1 + (view.Y2 - view.Y1) * j / rows);
    return grid;
}

// A boundary point with its outward unit normal.
struct BoundaryPoint {
    long double re, im, normalRe, normalIm;
};

BoundaryPoint cardioidPoint(long double t) {
    // c = e^{it}/2 - e^{2it}/4; tangent c' = i e^{it}/2 - i e^{2it}/2.
    const long double dRe = -std::sin(t) / 2 + std::sin(2 * t) / 2;
    const long double dIm = std::cos(t) / 2 - std::cos(2 * t) / 2;
    const long double length = std::hypot(dRe, dIm);
    return {std::cos(t) / 2 - std::cos(2 * t) / 4, std::sin(t) / 2 - std::sin(2 * t) / 4,
            length == 0 ? 1 : dIm / length, length == 0 ? 0 : -dRe / length};  // cusp: +re
}

BoundaryPoint bulbPoint(long double t) {
    return {-1 + std::cos(t) / 4, std::sin(t) / 4, std::cos(t), std::sin(t)};
}

void addAt(Points& points, const BoundaryPoint& b, long double distance) {  // > 0: outside
    points.add(static_cast<double>(b.re + distance * b.normalRe),
               static_cast<double>(b.im + distance * b.normalIm));
}

// By default the fastest level this processor runs, with the interior test and cycle detection.
TEST(EscapeBatch, DefaultsToTheFastestLevelAndMatchesEscapeCountOnGridsOfThreeViews) {
    EXPECT_TRUE(escapeIsaAvailable(fastestEscapeMethod().isa));
    EXPECT_TRUE(fastestEscapeMethod().skipInterior);
    EXPECT_TRUE(fastestEscapeMethod().detectCycles);
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx512f")) {
        EXPECT_EQ(fastestEscapeMethod().isa, EscapeIsa::Avx512);
    }
#endif
    const ViewRect seahorseValley{-0.775, -0.725, 0.075, 0.125};
    const ViewRect periodThreeBulb{-0.1326, -0.1126, 0.7349, 0.7549};
    for (const ViewRect& view : {ViewRect{}, seahorseValley, periodThreeBulb}) {
        SCOPED_TRACE(testing::Message() << "view " << view.X1 << ".." << view.X2);
        expectEveryMethodMatches(gridOf(view, 300, 200));
    }
}

// Every pair of special values, random points with specials mixed in, the long orbits next to
// the tip at -2, and points whose |c|^2 rounds to exactly 4 (the bailout is |z|^2 > 4, not >=).
TEST(EscapeBatch, MatchesEscapeCountOnSpecialValuesAndTheBailoutCircle) {
    using limits = std::numeric_limits<double>;
    const double specials[] = {0.0,
                               -0.0,
                               nan,
                               -nan,
                               inf,
                               -inf,
                               1e300,
                               -1e300,
                               limits::max(),
                               limits::lowest(),
                               limits::min(),
                               limits::denorm_min(),
                               -limits::denorm_min(),
                               1e-310,
                               2.0,
                               -2.0,
                               0.25,
                               -0.75,
                               -1.25,
                               0.65};
    Points points;
    for (double x : specials)
        for (double y : specials) points.add(x, y);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coordinate(-2.2, 2.2);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(specials) - 1);
    for (int k = 0; k < 20000; ++k) {
        const bool specialRe = random() % 5 == 0, specialIm = random() % 5 == 0;
        points.add(specialRe ? specials[pick(random)] : coordinate(random),
                   specialIm ? specials[pick(random)] : coordinate(random));
    }
    for (int k = 0; k < 2000; ++k) points.add(-2.0 + k * 1e-12, k % 2 ? 0.0 : -0.0);  // the tip
    int onCircle = 0;
    for (int a = 0; a < 100000; ++a) {
        const double x = 2 * std::cos(2 * std::numbers::pi * a / 100000);
        const double y = 2 * std::sin(2 * std::numbers::pi * a / 100000);
        if (x * x + y * y == 4.0) points.add(x, y), ++onCircle;
    }
    ASSERT_GT(onCircle, 500);
    expectEveryMethodMatches(points);
}

TEST(EscapeBatch, AnyLengthAndAlignment) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> coordinate(-1.6, 0.6);
    Points points;
    for (int k = 0; k < 1200; ++k) points.add(coordinate(random), coordinate(random) * 0.8);
    for (EscapeMethod method : availableMethods())
        for (std::size_t n : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 1000})
            for (std::size_t first : {0, 1, 3})
                for (std::size_t outOffset : {0, 1, 5})
                    EXPECT_TRUE(matchesReference(method, points, first, n, outOffset))
                        << "n " << n << ", input offset " << first << ", output offset "
                        << outOffset;
}

// Points at fixed distances from the cardioid and the bulb (including the band just inside the
// interior test's margin), the doubles around each boundary point, and points at random
// distances from 1e-17 to 1e-3. With the interior test on, any point it wrongly takes for
// inside shows up as a count of 0 where escapeCount iterates.
TEST(EscapeBatch, MatchesEscapeCountNextToTheCardioidAndBulbBoundaries) {
    const long double distances[] = {0,       1e-17L, -1e-17L, 1e-16L, -1e-16L, 1e-14L,
                                     -1e-14L, 1e-12L, -1e-12L, 1e-9L,  -1e-9L,  -1.5e-9L,
                                     2e-9L,   -2e-9L, -3e-9L,  1e-8L,  -1e-8L,  -1e-7L,
                                     1e-6L,   -1e-6L, 1e-4L,   -1e-4L};
    Points points;
    for (int a = 0; a < 2000; ++a) {
        const long double t = 2 * std::numbers::pi_v<long double> * a / 2000;
        for (const BoundaryPoint& b : {cardioidPoint(t), bulbPoint(t)}) {
            for (long double d : distances) {
                addAt(points, b, d);
                // The interior test leaves room for rounding next to the boundary.
                if (std::fabs(d) <= 1e-12L) {
                    EXPECT_FALSE(surelyInsideSet(points.re.back(), points.im.back()));
                }
            }
            const double x = static_cast<double>(b.re), y = static_cast<double>(b.im);
            for (double dx : {-inf, 0.0, inf})
                for (double dy : {-inf, 0.0, inf})
                    points.add(dx == 0 ? x : std::nextafter(x, dx),
                               dy == 0 ? y : std::nextafter(y, dy));
        }
    }
    std::mt19937_64 random(3);
    std::uniform_real_distribution<long double> angle(0, 2 * std::numbers::pi_v<long double>);
    std::uniform_real_distribution<long double> exponent(-17, -3);
    for (int k = 0; k < 60000; ++k)
        addAt(points, k % 2 ? bulbPoint(angle(random)) : cardioidPoint(angle(random)),
              std::pow(10.0L, exponent(random)) * (random() % 2 ? 1 : -1));
    std::size_t accepted = 0;  // the shortcut is really exercised
    for (std::size_t k = 0; k < points.size(); ++k)
        accepted += surelyInsideSet(points.re[k], points.im[k]);
    EXPECT_GT(accepted, 20000u) << "of " << points.size();
    expectEveryMethodMatches(points);
}

// Grids passed column by column, of every height around the vector widths, across the ends of
// columns: every level, with and without a floor.
TEST(EscapeBatch, ColumnsOfAnyHeightMatchEscapeCount) {
    for (std::size_t rows : {1, 2, 3, 7, 8, 9, 31, 33, 200})
        for (std::size_t columns : {1, 5, 37}) {
            std::vector<double> columnRe, rowIm;
            for (std::size_t i = 0; i < columns; ++i) columnRe.push_back(-2.0 + 2.6 * i / columns);
            for (std::size_t j = 0; j < rows; ++j) rowIm.push_back(-1.1 + 2.2 * j / rows);
            for (EscapeMethod method : availableMethods())
                for (int floor : {0, 250}) {
                    std::vector<std::uint8_t> out(columns * rows + guardBytes, guardByte);
                    escapeCountColumnsWith(method, columnRe, rowIm, out.data(), floor);
                    for (std::size_t i = 0; i < columns; ++i)
                        for (std::size_t j = 0; j < rows; ++j) {
                            const int plain = escapeCount(columnRe[i], rowIm[j]);
                            ASSERT_EQ(out[i * rows + j], plain >= floor ? plain : 0)
                                << nameOf(method, floor) << ", " << columns << " x " << rows
                                << ", column " << i << ", row " << j;
                        }
                    ASSERT_EQ(out[columns * rows], guardByte) << nameOf(method, floor);
                }
        }
}

// Counts from a floor up: exact where they reach it, 0 below, on every level, for floors that
// end orbits inside the screening pass and after it, on grids where every count occurs and on
// the special values.
TEST(EscapeBatch, CountsFromAFloorAreExactAboveItAndZeroBelow) {
    Points points = gridOf(ViewRect{}, 120, 80);
    const Points seahorse = gridOf(ViewRect{-0.775, -0.725, 0.075, 0.125}, 100, 100);
    points.re.insert(points.re.end(), seahorse.re.begin(), seahorse.re.end());
    points.im.insert(points.im.end(), seahorse.im.begin(), seahorse.im.end());
    points.plain.insert(points.plain.end(), seahorse.plain.begin(), seahorse.plain.end());
    for (double x : {nan, inf, -inf, 0.0, -2.0, 2.0, 1e300})
        for (double y : {nan, inf, 0.0, -0.0, 1.0}) points.add(x, y);
    std::array<int, 256> seen{};
    for (std::uint8_t c : points.plain) ++seen[c];
    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](int n) { return n > 0; }), 200);
    for (EscapeMethod method : availableMethods())
        for (int floor : {-5, 0, 1, 2, 100, 200, 247, 248, 249, 250, 253, 254, 255, 300})
            EXPECT_TRUE(matchesReference(method, points, 0, SIZE_MAX, 0, std::clamp(floor, 0, 255)))
                << "floor " << floor;
    // Out-of-range floors are held to 1..255.
    std::vector<std::uint8_t> low(points.size()), high(points.size());
    escapeCountBatch(points.re.data(), points.im.data(), low.data(), points.size(), -5);
    escapeCountBatch(points.re.data(), points.im.data(), high.data(), points.size(), 300);
    EXPECT_EQ(low, points.plain);
    for (std::size_t k = 0; k < points.size(); ++k)
        ASSERT_EQ(high[k], points.plain[k] == 255 ? 255 : 0);
}

// Points on either side of the boundary of the period-3 bulb above the cardioid, found by
// bisection along rays from its centre between a point the plain loop keeps and one it lets
// escape: the orbits there converge slowest or escape latest, where cycle detection is most
// tempted to stop too early.
Points nextToThePeriodThreeBulb() {
    const double centreRe = -0.1225611668766536, centreIm = 0.7448617666197442;
    Points points;
    for (int a = 0; a < 600; ++a) {
        const double angle = 2 * std::numbers::pi * a / 600;
        const double dx = std::cos(angle), dy = std::sin(angle);
        double inside = 0.0, outside = 0.2;
        if (escapeCount(centreRe + outside * dx, centreIm + outside * dy) == 0) continue;
        for (int k = 0; k < 80; ++k) {
            const double middle = (inside + outside) / 2;
            if (middle == inside || middle == outside) break;
            (escapeCount(centreRe + middle * dx, centreIm + middle * dy) == 0 ? inside : outside) =
                middle;
        }
        for (double t : {inside, outside})
            for (double d : {0.0, 1e-17, -1e-17, 1e-15, -1e-15, 1e-12, -1e-12, 1e-9, -1e-9, 1e-6})
                points.add(centreRe + (t + d) * dx, centreIm + (t + d) * dy);
    }
    return points;
}

// Cycle detection stops an orbit only where the plain loop would run all 255 iterations: on
// full grids of views inside and around small components, and next to the boundaries of the
// period-3 bulb (the cardioid's and the period-2 bulb's are covered above).
TEST(EscapeBatch, CycleDetectionNeverStopsAnOrbitThatEscapes) {
    const ViewRect views[] = {
        {-0.1526, -0.0926, 0.7149, 0.7749},  // the period-3 bulb and its edge
        {-1.7686, -1.7386, -0.015, 0.015},   // the period-3 copy of the set on the axis
        {-1.3, -1.2, 0.0, 0.1},              // the period-4 bulb on the axis, and its edge
        {0.2, 0.4, -0.1, 0.1},               // the cusp, and outside it
    };
    std::vector<Points> sets;
    for (const ViewRect& view : views) sets.push_back(gridOf(view, 160, 160));
    sets.push_back(nextToThePeriodThreeBulb());
    std::size_t inside = 0;
    for (const Points& points : sets)
        inside += std::count(points.plain.begin(), points.plain.end(), 0);
    EXPECT_GT(inside, 30000u);
    // Copies of points that outlast the first pass and escape soon after: a lane that takes a
    // new copy must not compare its orbit with its predecessor's.
    Points copies;
    const double escapeSoon[][2] = {{-0.7475, 0.2}, {-0.74, 0.2},  {-0.76, 0.2},
                                    {-1.3, 0.1},    {-1.77, 0.05}, {-0.76, 0.1}};  // 225..246
    for (int copy = 0; copy < 400; ++copy)
        for (const auto& c : escapeSoon) copies.add(c[0], c[1]);
    sets.push_back(copies);
    for (const Points& points : sets)
        for (EscapeMethod method : availableMethods())
            if (method.detectCycles) {
                EXPECT_TRUE(matchesReference(method, points));
                EXPECT_TRUE(matchesReference(method, points, 0, SIZE_MAX, 0, 1));
            }
}

}  // namespace
}  // namespace halcyone
