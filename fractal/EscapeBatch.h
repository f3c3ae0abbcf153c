// Escape counts of many points at once. Every sampler (preview, palette, composer) goes through
// here, so that all of them give the same counts as escapeCount.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "fractal/EscapeIsa.h"

namespace halcyone {

// How a batch is computed: the instruction-set level, whether points that the interior test
// proves to be inside the main cardioid or the period-2 bulb skip the loop, and whether the
// kernels stop an orbit that returns bit for bit to an earlier value (it never escapes: count 0).
// Cycle detection looks at every orbit now and then, which costs next to nothing, and saves
// most inside components beyond the cardioid and the bulb (2.4 times fewer iterations inside a
// period-3 bulb).
struct EscapeMethod {
    EscapeIsa isa = EscapeIsa::Scalar;
    bool skipInterior = true;
    bool detectCycles = false;
};

// The level in use (escapeIsaInUse) with the interior test and cycle detection: what
// escapeCountBatch and every other routine without a method uses.
EscapeMethod escapeMethodInUse();

// out[k] = escapeCount(re[k], im[k]) for k < n, bit for bit, for every input including NaN,
// infinities and subnormals. Thread-safe; allocates nothing and starts no threads. The pointers
// need no particular alignment.
//
// A caller that needs only the counts from `floor` up (1..255) passes it: counts below it read
// as 0, and an orbit stops as soon as its count can no longer reach the floor, that is after
// 256 - floor tests instead of 255. A floor of 0 or 1 gives every count.
void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                      int floor = 0);

// The same with a chosen method, for tests and benchmarks. A level that is not available is
// replaced by the fastest one that is.
void escapeCountBatchWith(EscapeMethod method, const double* re, const double* im,
                          std::uint8_t* out, std::size_t n, int floor = 0);

// The same for the points of a grid, column by column, without spelling out their coordinates:
// out[i * rowIm.size() + j] = escapeCount(columnRe[i], rowIm[j]), on the calling thread. Long
// runs are cheaper per point: the vector lanes run dry only at the end of a call.
void escapeCountColumns(std::span<const double> columnRe, std::span<const double> rowIm,
                        std::uint8_t* out, int floor = 0);
void escapeCountColumnsWith(EscapeMethod method, std::span<const double> columnRe,
                            std::span<const double> rowIm, std::uint8_t* out, int floor = 0);

// The most counts one matchEscapeCounts call looks for.
constexpr int matchCountsMost = 8;

// The rows of a grid column whose escape count is one of `counts` (distinct, 1..255, at most
// matchCountsMost), as bits: for counts[k], row j is bit j % 64 of bits[k * words + j / 64],
// with words = (rowIm.size() + 63) / 64; bits past the last row are 0. Each point takes at most
// 256 - (the lowest count) tests; counts reached within a few tests (the frequent colours of
// most views) are found without counting, 64 points in step.
void matchEscapeCounts(double columnRe, std::span<const double> rowIm,
                       std::span<const int> counts, std::uint64_t* bits);
void matchEscapeCountsWith(EscapeMethod method, double columnRe, std::span<const double> rowIm,
                           std::span<const int> counts, std::uint64_t* bits);

}  // namespace halcyone
