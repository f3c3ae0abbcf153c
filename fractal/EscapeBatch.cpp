#include "fractal/EscapeBatch.h"

#include <algorithm>
#include <array>

#include "fractal/EscapeKernels.h"
#include "fractal/FractalPlane.h"

namespace halcyone {

namespace {

// The fewest tests a point may take for which the interior test pays.
constexpr int interiorTestFrom = 9;
// Counts this close to the top are matched in step (no lanes refilled, no counts stored): the
// lanes that a point escaping early leaves idle cost less than the bookkeeping would.
constexpr int matchInStepTests = 32;
// Rows counted at a time when matching by counts.
constexpr std::size_t matchChunk = 4096;

// The kernels of the level a call runs: the one asked for, or the fastest when it is not
// available.
const EscapeKernels& kernelsFor(EscapeMethod method) {
    return *compiledEscapeKernels(escapeIsaAvailable(method.isa) ? method.isa
                                                                 : fastestEscapeIsa());
}

void escapeCounts(EscapeMethod method, const PointSource& points, std::uint8_t* out, int floor) {
    const EscapeKernels& kernels = kernelsFor(method);
    floor = std::clamp(floor, 1, maxEscapeCount);
    // Orbits that a high floor cuts short cost less than the interior test would.
    const bool skipInterior = method.skipInterior && maxEscapeCount + 1 - floor > interiorTestFrom;
    kernels.counts(points, out, KernelOptions{skipInterior, method.detectCycles, floor});
}

}  // namespace

EscapeMethod escapeMethodInUse() {
    return EscapeMethod{escapeIsaInUse(), true, true};
}

void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                      int floor) {
    escapeCountBatchWith(escapeMethodInUse(), re, im, out, n, floor);
}

void escapeCountBatchWith(EscapeMethod method, const double* re, const double* im,
                          std::uint8_t* out, std::size_t n, int floor) {
    escapeCounts(method, PointSource{re, im, 0, n}, out, floor);
}

void escapeCountColumns(std::span<const double> columnRe, std::span<const double> rowIm,
                        std::uint8_t* out, int floor) {
    escapeCountColumnsWith(escapeMethodInUse(), columnRe, rowIm, out, floor);
}

void escapeCountColumnsWith(EscapeMethod method, std::span<const double> columnRe,
                            std::span<const double> rowIm, std::uint8_t* out, int floor) {
    if (rowIm.empty()) return;
    escapeCounts(
        method,
        PointSource{columnRe.data(), rowIm.data(), rowIm.size(), columnRe.size() * rowIm.size()},
        out, floor);
}

void matchEscapeCounts(double columnRe, std::span<const double> rowIm,
                       std::span<const int> counts, std::uint64_t* bits) {
    matchEscapeCountsWith(escapeMethodInUse(), columnRe, rowIm, counts, bits);
}

void matchEscapeCountsWith(EscapeMethod method, double columnRe, std::span<const double> rowIm,
                           std::span<const int> counts, std::uint64_t* bits) {
    const std::size_t n = rowIm.size();
    const std::size_t words = (n + 63) / 64;
    const int slots = static_cast<int>(std::min<std::size_t>(counts.size(), matchCountsMost));
    if (slots == 0) return;
    int lowest = maxEscapeCount;
    for (int k = 0; k < slots; ++k) lowest = std::min(lowest, std::clamp(counts[k], 1, maxEscapeCount));
    if (maxEscapeCount - lowest < matchInStepTests) {
        kernelsFor(method).matchCounts(columnRe, rowIm.data(), n, counts.data(), slots, bits);
        return;
    }
    std::fill(bits, bits + static_cast<std::size_t>(slots) * words, 0);
    std::array<std::uint8_t, matchChunk> found;
    for (std::size_t first = 0; first < n; first += matchChunk) {
        const std::size_t m = std::min(matchChunk, n - first);
        escapeCountColumnsWith(method, {&columnRe, 1}, rowIm.subspan(first, m), found.data(),
                               lowest);
        for (int k = 0; k < slots; ++k)
            for (std::size_t t = 0; t < m; ++t)
                if (found[t] == counts[static_cast<std::size_t>(k)])
                    bits[static_cast<std::size_t>(k) * words + (first + t) / 64] |=
                        std::uint64_t{1} << ((first + t) % 64);
    }
}

}  // namespace halcyone
