// The vector kernels behind escapeCountBatch, one set per instruction-set level (EscapeIsa),
// all compiled from one source. Internal to the engine: call escapeCountBatch or
// escapeCountBatchWith, which check that the processor runs them.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "fractal/EscapeBatch.h"

namespace halcyone {

// The points of one call, in order: arrays of both coordinates, or a grid taken column by
// column, point (i, j) being (re[i], im[j]).
struct PointSource {
    const double* re;  // per point; for a grid, per column
    const double* im;  // per point; for a grid, per row
    std::size_t rows;  // 0 for arrays; for a grid, the points of a column
    std::size_t n;     // points in all
};

// Walks the points of a source in order.
struct PointCursor {
    PointSource source;
    std::size_t next = 0;             // index of the next point
    std::size_t column = 0, row = 0;  // where the next point lies, for a grid

    bool done() const { return next == source.n; }
    // Points from the next one on that lie in one run of memory for both coordinates (a grid
    // repeats the column's real part), at most `wanted`.
    std::size_t runLength(std::size_t wanted) const {
        const std::size_t left = source.n - next;
        const std::size_t run = source.rows == 0 ? left : source.rows - row;
        return wanted < run ? wanted : run;
    }
    const double* im() const { return source.im + (source.rows == 0 ? next : row); }
    // The real part of the next point, and (arrays only) of the ones after it.
    const double* re() const { return source.re + (source.rows == 0 ? next : column); }
    void skip(std::size_t count) {
        next += count;
        if (source.rows == 0) return;
        row += count;
        while (row >= source.rows) row -= source.rows, ++column;
    }
    // Takes the next point.
    void take(double& x, double& y) {
        x = *re();
        y = *im();
        skip(1);
    }
};

// When the vector kernels look for orbits that have come back to an earlier value: every fourth
// check keeps the orbits, and the third check after it compares them, 24 iterations apart, so
// that periods 1, 2, 3, 4, 6, 8 and 12 are caught at a small part of the cost of comparing at
// every check.
class CycleLooks {
public:
    enum class Look { None, Keep, Compare };

    Look next() {
        check_ = check_ + 1 == period ? 0 : check_ + 1;
        return check_ == 0 ? Look::Keep : check_ == compareAt ? Look::Compare : Look::None;
    }

private:
    static constexpr int period = 4;
    static constexpr int compareAt = 3;
    int check_ = 0;
};

struct KernelOptions {
    bool skipInterior;
    bool detectCycles;
    int floor;  // counts below it read as 0; 0 or 1: every count exact
};

// Whether the orbit of (re, im) can never, while |z| <= 2, make a product zRe * zIm that is
// nonzero and below the normal range: then doubling the rounded product gives the rounded
// double product, and a fused multiply-add of it with im rounds as escapeCount's two steps do.
// True when im is 0 (the imaginary parts stay zero) and when neither coordinate is a nonzero
// number below 2^-400: each part of the orbit is then a sum with its coordinate that is either 0
// or at least 2^-453, so every product is 0 or at least 2^-906. Also true for NaN and infinite
// coordinates, whose orbits end at the first test.
inline bool productsStayNormal(double re, double im) {
    constexpr double least = 0x1p-400;
    return im == 0 || (!(std::fabs(re) < least) && !(std::fabs(im) < least));
}

// Calls run(skipInterior, detectCycles) with the two flags as compile-time constants
// (std::bool_constant), so that a kernel is compiled once for each pair.
template <class Run>
void withKernelFlags(const KernelOptions& options, Run run) {
    const auto second = [&](auto skipInterior) {
        if (options.detectCycles)
            run(skipInterior, std::true_type{});
        else
            run(skipInterior, std::false_type{});
    };
    if (options.skipInterior)
        second(std::true_type{});
    else
        second(std::false_type{});
}

// The kernels of one level.
struct EscapeKernels {
    // out[k] = the count of point k, as escapeCountFrom(re, im, options.floor) gives it.
    void (*counts)(const PointSource& points, std::uint8_t* out, const KernelOptions& options);
    // productsStayNormal of every point, a vector at a time; a grid is checked by its rows and
    // columns. Where it holds, `counts` forms 2 * zRe * zIm + cIm with one fused multiply-add.
    bool (*productsStayNormal)(const PointSource& points);
    // For each k < countsSize: bit j % 64 of bits[k * words + j / 64] set where
    // escapeCount(re, im[j]) == counts[k], for j < n; words = (n + 63) / 64. The counts are
    // distinct, 1..255, at most matchCountsMost. Every point takes at most
    // 256 - (the lowest count) tests, and the points of a vector stop as soon as none of them
    // can still reach a test that counts.
    void (*matchCounts)(double re, const double* im, std::size_t n, const int* counts,
                        int countsSize, std::uint64_t* bits);
};

// The kernels of a level, or nullptr when this build has none for it (the processor may still
// lack what they need: see escapeIsaAvailable).
const EscapeKernels* compiledEscapeKernels(EscapeIsa isa);

}  // namespace halcyone
