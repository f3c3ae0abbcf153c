#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
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
    std::vector<double> re, im;
    void add(double x, double y) { re.push_back(x), im.push_back(y); }
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

// Runs `method` on n points from `first` into an output at `outOffset` and compares with
// escapeCount; the guard bytes around the output must stay untouched.
testing::AssertionResult matchesReference(EscapeMethod method, const Points& points,
                                          std::size_t first = 0, std::size_t n = SIZE_MAX,
                                          std::size_t outOffset = 0) {
    const std::string name = std::string(std::array{"scalar", "AVX2", "AVX-512"}[int(method.isa)]) +
                             (method.skipInterior ? " with interior test" : "");
    n = std::min(n, points.size() - first);
    std::vector<std::uint8_t> buffer(outOffset + n + 2 * guardBytes, guardByte);
    const auto out = buffer.begin() + std::ptrdiff_t(guardBytes + outOffset);
    escapeCountBatchWith(method, &points.re[first], &points.im[first], &*out, n);
    const auto isGuard = [](std::uint8_t b) { return b == guardByte; };
    if (!std::all_of(buffer.begin(), out, isGuard) ||
        !std::all_of(out + std::ptrdiff_t(n), buffer.end(), isGuard))
        return testing::AssertionFailure() << name << " wrote outside its output";
    for (std::size_t k = 0; k < n; ++k) {
        const double x = points.re[first + k], y = points.im[first + k];
        if (out[std::ptrdiff_t(k)] != escapeCount(x, y))
            return testing::AssertionFailure() << name << " at (" << std::hexfloat << x << ", " << y
                                               << "): " << int(out[std::ptrdiff_t(k)])
                                               << " instead of " << int(escapeCount(x, y));
    }
    return testing::AssertionSuccess();
}

void expectEveryMethodMatches(const Points& points) {
    for (EscapeMethod method : availableMethods()) EXPECT_TRUE(matchesReference(method, points));
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

// By default the fastest level this processor runs, with the interior test.
TEST(EscapeBatch, DefaultsToTheFastestLevelAndMatchesEscapeCountOnGridsOfThreeViews) {
    EXPECT_TRUE(escapeIsaAvailable(fastestEscapeMethod().isa));
    EXPECT_TRUE(fastestEscapeMethod().skipInterior);
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx512f")) {
        EXPECT_EQ(fastestEscapeMethod().isa, EscapeIsa::Avx512);
    }
#endif
    const ViewRect seahorseValley{-0.775, -0.725, 0.075, 0.125};
    const ViewRect periodThreeBulb{-0.1326, -0.1126, 0.7349, 0.7549};
    for (const ViewRect& view : {ViewRect{}, seahorseValley, periodThreeBulb}) {
        SCOPED_TRACE(testing::Message() << "view " << view.X1 << ".." << view.X2);
        Points grid;
        for (int i = 0; i < 300; ++i)
            for (int j = 0; j < 200; ++j)
                grid.add(view.X1 + (view.X2 - view.X1) * i / 300,
                         view.Y1 + (view.Y2 - view.Y1) * j / 200);
        expectEveryMethodMatches(grid);
    }
}

// Every pair of special values, random points with specials mixed in, the long orbits next to
// the tip at -2, and points whose |c|^2 rounds to exactly 4 (the bailout is |z|^2 > 4, not >=).
TEST(EscapeBatch, MatchesEscapeCountOnSpecialValuesAndTheBailoutCircle) {
    using limits = std::numeric_limits<double>;
    const double specials[] = {0.0, -0.0, nan, -nan, inf, -inf, 1e300, -1e300, limits::max(),
                               limits::lowest(), limits::min(), limits::denorm_min(),
                               -limits::denorm_min(), 1e-310, 2.0, -2.0, 0.25, -0.75, -1.25, 0.65};
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

}  // namespace
}  // namespace halcyone
