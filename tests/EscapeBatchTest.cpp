#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
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

struct Points {
    std::vector<double> re;
    std::vector<double> im;
    void add(double x, double y) {
        re.push_back(x);
        im.push_back(y);
    }
    std::size_t size() const { return re.size(); }
};

// Every level this machine runs, each with and without the interior test.
std::vector<EscapeMethod> availableMethods() {
    std::vector<EscapeMethod> methods;
    for (EscapeIsa isa : {EscapeIsa::Scalar, EscapeIsa::Avx2, EscapeIsa::Avx512})
        if (escapeIsaAvailable(isa))
            for (bool skip : {false, true}) methods.push_back({isa, skip});
    return methods;
}

std::string describe(EscapeMethod method) {
    const char* names[] = {"scalar", "AVX2", "AVX-512"};
    return std::string(names[static_cast<int>(method.isa)]) +
           (method.skipInterior ? " with interior test" : " without interior test");
}

// Runs `method` on n points starting at the given offsets into the arrays and compares with
// escapeCount; the bytes around the output must stay untouched.
testing::AssertionResult matchesReference(EscapeMethod method, const Points& points,
                                          std::size_t first = 0, std::size_t n = SIZE_MAX,
                                          std::size_t outOffset = 0) {
    n = std::min(n, points.size() - first);
    std::vector<std::uint8_t> buffer(outOffset + n + 2 * guardBytes, guardByte);
    std::uint8_t* out = buffer.data() + guardBytes + outOffset;
    escapeCountBatchWith(method, points.re.data() + first, points.im.data() + first, out, n);
    for (std::size_t k = 0; k < buffer.size(); ++k) {
        const bool inside = buffer.data() + k >= out && buffer.data() + k < out + n;
        if (!inside && buffer[k] != guardByte)
            return testing::AssertionFailure() << describe(method) << " wrote outside its output";
    }
    std::size_t wrong = 0;
    char first_wrong[160] = "";
    for (std::size_t k = 0; k < n; ++k) {
        const double x = points.re[first + k];
        const double y = points.im[first + k];
        const std::uint8_t expected = escapeCount(x, y);
        if (out[k] != expected && wrong++ == 0)
            std::snprintf(first_wrong, sizeof first_wrong, "(%a, %a): %d instead of %d", x, y,
                          out[k], expected);
    }
    if (wrong == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure() << describe(method) << ": " << wrong << " of " << n
                                       << " counts differ, first at " << first_wrong;
}

void expectEveryMethodMatches(const Points& points) {
    for (EscapeMethod method : availableMethods()) EXPECT_TRUE(matchesReference(method, points));
}

Points viewGrid(const ViewRect& view, int columns, int rows) {
    Points points;
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j)
            points.add(view.X1 + (view.X2 - view.X1) * i / columns,
                       view.Y1 + (view.Y2 - view.Y1) * j / rows);
    return points;
}

const ViewRect defaultView{};
const ViewRect seahorseValley{-0.775, -0.725, 0.075, 0.125};
const ViewRect periodThreeBulb{-0.1326, -0.1126, 0.7349, 0.7549};

// Boundaries as functions of an angle t, with the outward normal.
struct BoundaryPoint {
    long double re, im, normalRe, normalIm;
};

BoundaryPoint cardioidPoint(long double t) {
    // c = e^{it}/2 - e^{2it}/4; tangent c' = i e^{it}/2 - i e^{2it}/2.
    const long double re = std::cos(t) / 2 - std::cos(2 * t) / 4;
    const long double im = std::sin(t) / 2 - std::sin(2 * t) / 4;
    long double dRe = -std::sin(t) / 2 + std::sin(2 * t) / 2;
    long double dIm = std::cos(t) / 2 - std::cos(2 * t) / 2;
    const long double length = std::hypot(dRe, dIm);
    if (length == 0) return {re, im, 1, 0};  // the cusp: outward is +re
    dRe /= length;
    dIm /= length;
    return {re, im, dIm, -dRe};
}

BoundaryPoint bulbPoint(long double t) {
    return {-1 + std::cos(t) / 4, std::sin(t) / 4, std::cos(t), std::sin(t)};
}

// Points at signed distances (positive: outside) from both boundaries, and the doubles next to
// each boundary point, which lie within a few 1e-17 of it.
Points nearBoundaries(int angles, const std::vector<long double>& distances) {
    Points points;
    for (int a = 0; a < angles; ++a) {
        const long double t = 2 * std::numbers::pi_v<long double> * a / angles;
        for (const BoundaryPoint& b : {cardioidPoint(t), bulbPoint(t)}) {
            for (long double d : distances)
                points.add(static_cast<double>(b.re + d * b.normalRe),
                           static_cast<double>(b.im + d * b.normalIm));
            const double x = static_cast<double>(b.re);
            const double y = static_cast<double>(b.im);
            for (double dx : {-inf, 0.0, inf})
                for (double dy : {-inf, 0.0, inf})
                    points.add(dx == 0 ? x : std::nextafter(x, dx),
                               dy == 0 ? y : std::nextafter(y, dy));
        }
    }
    return points;
}

TEST(EscapeBatch, FastestLevelIsAvailableAndUsedByDefault) {
    EXPECT_TRUE(escapeIsaAvailable(EscapeIsa::Scalar));
    EXPECT_TRUE(escapeIsaAvailable(fastestEscapeIsa()));
    EXPECT_EQ(fastestEscapeMethod().isa, fastestEscapeIsa());
    EXPECT_TRUE(fastestEscapeMethod().skipInterior);
#if defined(__x86_64__)
    // A level the processor lacks falls back rather than faulting; on this machine it is known.
    if (__builtin_cpu_supports("avx512f")) {
        EXPECT_EQ(fastestEscapeIsa(), EscapeIsa::Avx512);
    }
#endif
}

TEST(EscapeBatch, MatchesEscapeCountOnGridsOfThreeViews) {
    for (const ViewRect& view : {defaultView, seahorseValley, periodThreeBulb}) {
        SCOPED_TRACE(testing::Message() << "view " << view.X1 << ".." << view.X2);
        expectEveryMethodMatches(viewGrid(view, 300, 200));
    }
}

TEST(EscapeBatch, MatchesEscapeCountOnSpecialValuesMixedWithRandomPoints) {
    const double specials[] = {0.0,
                               -0.0,
                               nan,
                               -nan,
                               inf,
                               -inf,
                               1e300,
                               -1e300,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min(),
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
        const bool specialRe = random() % 5 == 0;
        const bool specialIm = random() % 5 == 0;
        points.add(specialRe ? specials[pick(random)] : coordinate(random),
                   specialIm ? specials[pick(random)] : coordinate(random));
    }
    expectEveryMethodMatches(points);
}

TEST(EscapeBatch, BailoutIsStrictlyGreaterThanFour) {
    Points points;
    points.add(-2.0, 0.0);  // the orbit stays at 2: |z|^2 = 4 every time, count 0
    points.add(-2.0, -0.0);
    points.add(2.0, 0.0);  // |c|^2 = 4 iterates once: 254
    points.add(0.0, 2.0);
    points.add(0.0, -2.0);
    // Points whose |c|^2 rounds to exactly 4.
    for (int a = 0; a < 100000 && points.size() < 2000; ++a) {
        const double t = 2 * std::numbers::pi * a / 100000;
        const double x = 2 * std::cos(t);
        const double y = 2 * std::sin(t);
        if (x * x + y * y == 4.0) points.add(x, y);
    }
    ASSERT_GT(points.size(), 500u);
    EXPECT_EQ(escapeCount(-2.0, 0.0), 0);
    EXPECT_EQ(escapeCount(2.0, 0.0), 254);
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

TEST(EscapeBatch, MatchesEscapeCountNextToTheCardioidAndBulbBoundaries) {
    const std::vector<long double> distances = {
        0,      1e-17L, -1e-17L, 1e-16L, -1e-16L, 1e-14L, -1e-14L, 1e-12L, -1e-12L, 1e-9L,
        -1e-9L, 2e-9L,  -2e-9L,  1e-8L,  -1e-8L,  1e-6L,  -1e-6L,  1e-4L,  -1e-4L};
    expectEveryMethodMatches(nearBoundaries(2000, distances));
}

// Points at random angles and random distances from 1e-17 to 1e-3 on both sides.
Points randomNearBoundaries(int count, unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<long double> angle(0, 2 * std::numbers::pi_v<long double>);
    std::uniform_real_distribution<long double> exponent(-17, -3);
    Points points;
    for (int k = 0; k < count; ++k) {
        const BoundaryPoint b = k % 2 ? bulbPoint(angle(random)) : cardioidPoint(angle(random));
        const long double d = std::pow(10.0L, exponent(random)) * (random() % 2 ? 1 : -1);
        points.add(static_cast<double>(b.re + d * b.normalRe),
                   static_cast<double>(b.im + d * b.normalIm));
    }
    return points;
}

TEST(EscapeBatch, MatchesEscapeCountOnDenseRandomPointsNearTheBoundaries) {
    expectEveryMethodMatches(randomNearBoundaries(60000, 3));
}

TEST(InteriorTest, EveryPointItAcceptsHasCountZero) {
    // Just inside the margin on both sides of it, plus the dense random band: wherever the
    // shortcut would answer 0, the loop answers 0 too.
    Points points = randomNearBoundaries(100000, 5);
    const Points band = nearBoundaries(5000, {-1.5e-9L, -3e-9L, -1e-8L, -1e-7L});
    points.re.insert(points.re.end(), band.re.begin(), band.re.end());
    points.im.insert(points.im.end(), band.im.begin(), band.im.end());
    std::size_t accepted = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (!surelyInsideSet(points.re[k], points.im[k])) continue;
        ++accepted;
        ASSERT_EQ(escapeCount(points.re[k], points.im[k]), 0)
            << std::hexfloat << points.re[k] << ", " << points.im[k];
    }
    EXPECT_GT(accepted, 30000u);  // the band just inside the margin is really exercised
}

TEST(InteriorTest, RefusesBoundaryNonFiniteAndHugePoints) {
    const Points boundary = nearBoundaries(500, {0, 1e-17L, -1e-17L, -1e-12L});
    for (std::size_t k = 0; k < boundary.size(); ++k)
        EXPECT_FALSE(surelyInsideSet(boundary.re[k], boundary.im[k]))
            << boundary.re[k] << ", " << boundary.im[k];
    for (double bad : {nan, inf, -inf, 1e300, -1e300})
        for (double fine : {0.0, -0.5, -1.0}) {
            EXPECT_FALSE(surelyInsideSet(bad, fine));
            EXPECT_FALSE(surelyInsideSet(fine, bad));
        }
    // The bulk of both components is taken.
    EXPECT_TRUE(surelyInsideSet(0.0, 0.0));
    EXPECT_TRUE(surelyInsideSet(-0.0, -0.0));
    EXPECT_TRUE(surelyInsideSet(-1.0, 0.0));
    EXPECT_TRUE(surelyInsideSet(-0.5, 0.5));
    EXPECT_TRUE(surelyInsideSet(0.248, 0.0));
    EXPECT_FALSE(surelyInsideSet(0.2499, 0.0));  // the margin spares ~1e-3 around the cusp
    EXPECT_FALSE(surelyInsideSet(0.25, 0.0));
}

}  // namespace
}  // namespace halcyone
