#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "fractal/EscapeBatch.h"
#include "fractal/EscapeGrid.h"
#include "fractal/EscapeInterior.h"
#include "fractal/EscapeKernels.h"
#include "fractal/FractalPlane.h"
#include "fractal/ViewRect.h"
#include "LevelTestSupport.h"

namespace halcyone {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint8_t guardByte = 0xA5;
constexpr std::size_t guardBytes = 16;

// Coordinates where arithmetic is special: zeros, NaN, infinities, the largest, the least normal
// and subnormal numbers, the escape circle, the interior test's box, and around 2^-400, where the
// kernels switch between one fused multiply-add and two steps.
using limits = std::numeric_limits<double>;
constexpr double specials[] = {
    0.0,           -0.0,          nan,      -nan,      inf,           -inf,        1e300,
    -1e300,        limits::max(), -limits::max(),      limits::min(), limits::denorm_min(),
    -limits::denorm_min(),        1e-310,   2.0,       -2.0,          0.25,        -0.75,
    -1.25,         0.65,          0x1p-400, -0x1p-400, 0x1.fffffffffffffp-401,   1e-200,
    -2.0 + 1e-12};

// Points with their counts from the plain loop, computed once.
struct Points {
    std::vector<double> re, im;
    std::vector<std::uint8_t> plain;
    std::vector<double> columnRe, rowIm;  // of the last grid added
    void add(double x, double y) {
        re.push_back(x), im.push_back(y), plain.push_back(escapeCount(x, y));
    }
    // A columns x rows grid of `view`, column by column.
    void addGrid(const ViewRect& view, int columns, int rows) {
        columnRe.clear(), rowIm.clear();
        for (int i = 0; i < columns; ++i)
            columnRe.push_back(view.X1 + (view.X2 - view.X1) * i / columns);
        for (int j = 0; j < rows; ++j) rowIm.push_back(view.Y1 + (view.Y2 - view.Y1) * j / rows);
        for (double x : columnRe)
            for (double y : rowIm) add(x, y);
    }
    std::size_t size() const { return re.size(); }
};

// Each test runs once per level.
class EscapeKernelsAt : public PerEscapeLevel {
protected:
    // The level with and without the interior test and cycle detection.
    std::vector<EscapeMethod> methods() const {
        std::vector<EscapeMethod> all;
        for (bool skip : {false, true})
            for (bool cycles : {false, true}) all.push_back({GetParam(), skip, cycles});
        return all;
    }
    void expectEveryMethodMatches(const Points& points) const;
};

std::string nameOf(EscapeMethod method, int floor) {
    return std::string(escapeIsaName(method.isa)) +
           (method.skipInterior ? " with interior test" : "") +
           (method.detectCycles ? " with cycle detection" : "") + ", floor " +
           std::to_string(floor);
}

// Runs `method` on points [first, first + n) (or on a grid, by columns) into an output at
// `outOffset` between guard bytes, and compares with the plain loop: every count from the floor
// (held to 1..255) up, 0 below it. The guard bytes must stay untouched.
testing::AssertionResult matches(EscapeMethod method, const Points& points, int floor = 0,
                                 std::size_t first = 0, std::size_t n = SIZE_MAX,
                                 std::size_t outOffset = 0, bool byColumns = false) {
    n = std::min(n, points.size() - first);
    std::vector<std::uint8_t> buffer(outOffset + n + 2 * guardBytes, guardByte);
    const auto out = buffer.begin() + std::ptrdiff_t(guardBytes + outOffset);
    if (byColumns)
        escapeCountColumnsWith(method, points.columnRe, points.rowIm, &*out, floor);
    else
        escapeCountBatchWith(method, &points.re[first], &points.im[first], &*out, n, floor);
    const std::string name = nameOf(method, floor);
    const auto isGuard = [](std::uint8_t b) { return b == guardByte; };
    if (!std::all_of(buffer.begin(), out, isGuard) ||
        !std::all_of(out + std::ptrdiff_t(n), buffer.end(), isGuard))
        return testing::AssertionFailure() << name << " wrote outside its output";
    for (std::size_t k = first; k < first + n; ++k) {
        const int plain = points.plain[k], got = out[std::ptrdiff_t(k - first)];
        const int expected = plain >= std::clamp(floor, 1, 255) ? plain : 0;
        if (got != expected)
            return testing::AssertionFailure()
                   << name << " at (" << std::hexfloat << points.re[k] << ", " << points.im[k]
                   << "): " << got << " instead of " << expected << " (plain loop: " << plain
                   << ")";
    }
    return testing::AssertionSuccess();
}

void EscapeKernelsAt::expectEveryMethodMatches(const Points& points) const {
    for (EscapeMethod method : methods()) EXPECT_TRUE(matches(method, points));
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

// Full grids of views inside and around small components, where cycle detection finds most
// cycles and the slowest escapes, and copies of points that outlast the first pass and escape
// soon after (a lane that takes a new copy must not compare its orbit with its predecessor's):
// the interior test and cycle detection stop only orbits the plain loop runs for all 255
// iterations.
TEST_P(EscapeKernelsAt, MatchEscapeCountOnGridsAroundSmallComponents) {
    const ViewRect views[] = {
        {},                                  // the default view
        {-0.775, -0.725, 0.075, 0.125},      // seahorse valley
        {-0.1526, -0.0926, 0.7149, 0.7749},  // the period-3 bulb and its edge
        {-1.7686, -1.7386, -0.015, 0.015},   // the period-3 copy of the set on the axis
        {-1.3, -1.2, 0.0, 0.1},              // the period-4 bulb on the axis, and its edge
        {0.2, 0.4, -0.1, 0.1},               // the cusp, and outside it
    };
    Points points;
    for (const ViewRect& view : views) points.addGrid(view, 160, 160);
    const double escapeSoon[][2] = {{-0.7475, 0.2}, {-0.74, 0.2},  {-0.76, 0.2},
                                    {-1.3, 0.1},    {-1.77, 0.05}, {-0.76, 0.1}};  // 225..246
    for (int copy = 0; copy < 400; ++copy)
        for (const auto& c : escapeSoon) points.add(c[0], c[1]);
    EXPECT_GT(std::count(points.plain.begin(), points.plain.end(), 0), 40000);
    expectEveryMethodMatches(points);
}

// Points at random distances from 1e-17 to 1e-3 either side of the cardioid and the bulb, where
// orbits converge slowest or escape latest, the band just inside the interior test's margin
// included. Any point the interior test or cycle detection wrongly takes for inside shows up as
// a count of 0 where escapeCount iterates; and the interior test leaves room for rounding next
// to the boundary.
TEST_P(EscapeKernelsAt, MatchEscapeCountNextToTheCardioidAndBulbBoundaries) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<long double> angle(0, 2 * std::numbers::pi_v<long double>);
    std::uniform_real_distribution<long double> exponent(-17, -3);
    Points points;
    int accepted = 0, tooClose = 0;
    for (int k = 0; k < 100000; ++k) {
        const long double d = std::pow(10.0L, exponent(random)) * (random() % 2 ? 1 : -1);
        const BoundaryPoint b = k % 2 ? bulbPoint(angle(random)) : cardioidPoint(angle(random));
        points.add(static_cast<double>(b.re + d * b.normalRe),
                   static_cast<double>(b.im + d * b.normalIm));
        const bool inside = surelyInsideSet(points.re.back(), points.im.back());
        accepted += inside;
        tooClose += inside && std::fabs(d) <= 1e-12L;
    }
    EXPECT_EQ(tooClose, 0);
    EXPECT_GT(accepted, 10000);  // the shortcut is really exercised
    expectEveryMethodMatches(points);
}

// Every pair of special values, random points with specials mixed in, the long orbits next to
// the tip at -2, points whose |c|^2 rounds to exactly 4 (the bailout is |z|^2 > 4, not >=), and
// grids where nearly every count occurs; from floors out of range (every count), floors that
// end orbits inside the screening pass and floors after it: counts are exact where they reach
// the floor, 0 below it.
TEST_P(EscapeKernelsAt, MatchEscapeCountOnSpecialValuesFromEveryFloor) {
    Points points;
    for (double x : specials)
        for (double y : specials) points.add(x, y);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coordinate(-2.2, 2.2);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(specials) - 1);
    for (int k = 0; k < 5000; ++k) {
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
    EXPECT_GT(onCircle, 500);
    points.addGrid(ViewRect{}, 100, 80);
    points.addGrid(ViewRect{-0.775, -0.725, 0.075, 0.125}, 80, 80);
    std::array<int, 256> seen{};
    for (std::uint8_t c : points.plain) ++seen[c];
    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](int n) { return n > 0; }), 200);
    for (EscapeMethod method : methods())
        for (int floor : {-5, 2, 100, 246, 247, 250, 254, 255, 300})
            EXPECT_TRUE(matches(method, points, floor));
    // The vector check that picks the fused step says what the scalar rule says, for batches
    // and for grids, over every run of the specials and at every tail length.
    const auto stayNormal = compiledEscapeKernels(GetParam())->productsStayNormal;
    for (std::size_t first = 0; first < std::size(specials); ++first)
        for (std::size_t n = 0; first + n <= std::size(specials); ++n) {
            const double* part = specials + first;
            bool batch = true, rowsOff = false, rowsOk = true, columnsOk = true;
            for (std::size_t k = 0; k < n; ++k) {
                batch &= productsStayNormal(part[k], part[n - 1 - k]);
                rowsOff |= part[k] != 0;
                rowsOk &= productsStayNormal(1.0, part[k]);
                columnsOk &= productsStayNormal(part[k], 1.0);
            }
            std::vector<double> reversed(part, part + n);
            std::reverse(reversed.begin(), reversed.end());
            EXPECT_EQ(stayNormal({part, reversed.data(), 0, n}), batch);
            if (n == 0) continue;
            EXPECT_EQ(stayNormal({part, part, n, n * n}), rowsOk && (!rowsOff || columnsOk))
                << "grid of specials " << first << " .. " << first + n - 1;
        }
}

// matchEscapeCountsWith on the first `rows` of `values` in column re against escapeCount.
void expectMatches(EscapeMethod method, double re, const std::vector<double>& values,
                   std::size_t rows, const std::vector<int>& counts) {
    const std::size_t words = (rows + 63) / 64;
    std::vector<std::uint64_t> bits(counts.size() * words, ~std::uint64_t{0});
    matchEscapeCountsWith(method, re, {values.data(), rows}, counts, bits.data());
    for (std::size_t k = 0; k < counts.size(); ++k)
        for (std::size_t j = 0; j < words * 64; ++j) {
            const bool got = (bits[k * words + j / 64] >> (j % 64)) & 1;
            const bool expected = j < rows && escapeCount(re, values[j]) == counts[k];
            ASSERT_EQ(got, expected) << nameOf(method, counts[k]) << " at (" << std::hexfloat
                                     << re << ", " << (j < rows ? values[j] : 0.0) << "), row "
                                     << j << " of " << rows << ", count " << k + 1 << " of "
                                     << counts.size();
        }
}

// The rows that have each of several counts, deep and shallow, matched in step or by counting:
// the special values in every column and row, columns of every height around the word width,
// and nothing set past the last row. Then rows in order across the cardioid and the bulb, where
// whole words lie inside, and words whose two ends lie inside while rows between them do not.
TEST_P(EscapeKernelsAt, MatchEscapeCountsFindsExactlyTheRowsWithEachCount) {
    std::vector<double> values(std::begin(specials), std::end(specials));
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> coordinate(-2.1, 1.1);
    for (int k = 0; k < 1100; ++k) values.push_back(coordinate(random));
    std::vector<double> columns(values.begin(), values.begin() + 65);
    std::vector<double> ordered;
    for (int j = 0; j <= 1000; ++j) ordered.push_back(-0.7 + 1.4 * j / 1000);
    std::vector<double> holes(192, 0.0);
    holes[70] = 1.0;     // far outside
    holes[100] = 0.65;   // outside the cardioid by a little
    holes[150] = 0x1p-30;
    const std::vector<std::vector<int>> countSets = {
        {255}, {251}, {224}, {223}, {100}, {1}, {254, 250, 252}, {255, 240, 249, 253, 225}, {250, 200}};
    for (EscapeMethod method : methods())
        for (const std::vector<int>& counts : countSets) {
            for (std::size_t rows : {std::size_t{1}, std::size_t{63}, std::size_t{64},
                                     std::size_t{65}, values.size()})
                for (double re : columns) expectMatches(method, re, values, rows, counts);
            for (double re : {-1.25, -1.1, -1.0, -0.76, -0.75, -0.5, 0.0, 0.2, 0.25, 0.3}) {
                expectMatches(method, re, ordered, ordered.size(), counts);
                expectMatches(method, re, holes, holes.size(), counts);
            }
        }
}

// Batches of any length from any offset, into outputs at any offset; grids passed column by
// column, of every height around the vector widths, across the ends of columns.
TEST_P(EscapeKernelsAt, AnyLengthAlignmentAndColumnHeight) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> coordinate(-1.6, 0.6);
    Points points;
    for (int k = 0; k < 1200; ++k) points.add(coordinate(random), coordinate(random) * 0.8);
    for (EscapeMethod method : methods())
        for (std::size_t n : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 1000})
            for (std::size_t first : {0, 1, 3})
                for (std::size_t outOffset : {0, 1, 5})
                    EXPECT_TRUE(matches(method, points, 0, first, n, outOffset))
                        << "n " << n << ", input offset " << first << ", output offset "
                        << outOffset;
    for (int rows : {1, 2, 3, 7, 8, 9, 31, 33, 200})
        for (int columns : {1, 5, 37}) {
            Points grid;
            grid.addGrid(ViewRect{-2.0, 0.6, -1.1, 1.1}, columns, rows);
            for (EscapeMethod method : methods())
                for (int floor : {0, 250})
                    EXPECT_TRUE(matches(method, grid, floor, 0, SIZE_MAX, 0, true))
                        << columns << " x " << rows;
        }
}

INSTANTIATE_TEST_SUITE_P(Levels, EscapeKernelsAt, testing::ValuesIn(builtEscapeIsas()),
                         levelName);

// A level asked for by name, in any case, where available; the fastest where nothing is asked,
// or a name that is no level's or a level the build or processor lacks, and then the notice
// names what was asked and what is used.
TEST(EscapeIsa, ChoiceByNameFallsBackToTheFastestWithANotice) {
    using Outcome = EscapeIsaChoice::Outcome;
    const EscapeIsa fastest = fastestEscapeIsa();
    const auto chose = [](const char* name, EscapeIsa isa, Outcome outcome) {
        const EscapeIsaChoice choice = chooseEscapeIsa(name);
        return choice.isa == isa && choice.outcome == outcome;
    };
    EXPECT_TRUE(chose(nullptr, fastest, Outcome::Fastest));
    EXPECT_TRUE(chose("", fastest, Outcome::Fastest));
    EXPECT_TRUE(chose("Scalar", EscapeIsa::Scalar, Outcome::Granted));
    EXPECT_TRUE(chose("avx1024", fastest, Outcome::Unknown));
    for (EscapeIsa isa : allEscapeIsas)
        EXPECT_TRUE(escapeIsaAvailable(isa) ? chose(escapeIsaName(isa), isa, Outcome::Granted)
                                            : chose(escapeIsaName(isa), fastest, Outcome::Unavailable))
            << escapeIsaName(isa);
    const std::string instead = std::string("; using ") + escapeIsaName(fastest);
    setenv("HALCYONE_ISA", "avx1024", 1);
    EXPECT_EQ(escapeIsaNotice().rfind("HALCYONE_ISA=avx1024 names no level (this build has scalar", 0),
              0u);
    EXPECT_TRUE(escapeIsaNotice().ends_with(instead));
    setenv("HALCYONE_ISA", "scalar", 1);
    EXPECT_EQ(escapeIsaNotice(), "");
    for (EscapeIsa isa : allEscapeIsas)
        if (!escapeIsaAvailable(isa)) {
            setenv("HALCYONE_ISA", escapeIsaName(isa), 1);
            EXPECT_EQ(escapeIsaNotice(), std::string("HALCYONE_ISA=") + escapeIsaName(isa) +
                                             ": not available on this processor" + instead);
            EXPECT_FALSE(useEscapeIsa(isa));
        }
    unsetenv("HALCYONE_ISA");
}

// A grid of many work blocks whose sizes are not multiples of the block or of the vector width,
// with counts varying in every block: every thread count gives escapeCount of every point.
TEST(EscapeGrid, EveryThreadCountGivesEscapeCount) {
    Points grid;
    grid.addGrid(ViewRect{-1.5, 0.5, -1.0, 1.0}, 701, 499);
    for (int threads : {1, 0, 2, 5}) {
        std::vector<std::uint8_t> out(grid.size());
        ASSERT_TRUE(escapeCountGrid(grid.columnRe, grid.rowIm, out, threads));
        EXPECT_EQ(out, grid.plain) << threads << " threads";
    }
}

TEST(EscapeGrid, EmptyGridsAndShortOutput) {
    const std::vector<double> none, some(10, 0.5);
    std::vector<std::uint8_t> out(99, 7);
    EXPECT_TRUE(escapeCountGrid(none, some, out));
    EXPECT_TRUE(escapeCountGrid(some, none, out));
    EXPECT_FALSE(escapeCountGrid(some, some, out));  // 100 counts do not fit in 99
    EXPECT_EQ(out, std::vector<std::uint8_t>(99, 7));
}

}  // namespace
}  // namespace halcyone
