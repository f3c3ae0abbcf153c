#include "fractal/EscapeBatch.h"

#include <algorithm>
#include <array>

#include "fractal/EscapeInterior.h"
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

EscapeIsa detectFastestIsa() {
#if HALCYONE_X86_KERNELS
    __builtin_cpu_init();
    // The vector kernels count lanes with POPCNT; every processor with AVX2 has it.
    if (__builtin_cpu_supports("popcnt")) {
        if (__builtin_cpu_supports("avx512f")) return EscapeIsa::Avx512;
        if (__builtin_cpu_supports("avx2")) return EscapeIsa::Avx2;
    }
#endif
    return EscapeIsa::Scalar;
}

// The level a call runs: the one asked for, or the fastest when the processor lacks it.
EscapeIsa usableIsa(EscapeMethod method) {
    return escapeIsaAvailable(method.isa) ? method.isa : fastestEscapeIsa();
}

void escapeCountsScalar(const PointSource& points, std::uint8_t* out,
                        const KernelOptions& options) {
    for (PointCursor cursor{points}; !cursor.done();) {
        const std::size_t k = cursor.next;
        double re, im;
        cursor.take(re, im);
        out[k] = options.skipInterior && surelyInsideSet(re, im)
                     ? 0
                     : escapeCountFrom(re, im, options.floor);
    }
}

void escapeCounts(EscapeMethod method, const PointSource& points, std::uint8_t* out, int floor) {
    const EscapeIsa isa = usableIsa(method);
    floor = std::clamp(floor, 1, maxEscapeCount);
    // Orbits that a high floor cuts short cost less than the interior test would.
    const bool skipInterior = method.skipInterior && maxEscapeCount + 1 - floor > interiorTestFrom;
    const KernelOptions options{skipInterior, method.detectCycles, floor};
    switch (isa) {
#if HALCYONE_X86_KERNELS
        case EscapeIsa::Avx512: {
            KernelOptions fused = options;
            fused.fused = productsStayNormalAvx512(points);
            escapeCountsAvx512(points, out, fused);
            return;
        }
        case EscapeIsa::Avx2:
            escapeCountsAvx2(points, out, options);
            return;
#endif
        default:
            escapeCountsScalar(points, out, options);
            return;
    }
}

}  // namespace

EscapeIsa fastestEscapeIsa() {
    static const EscapeIsa fastest = detectFastestIsa();
    return fastest;
}

bool escapeIsaAvailable(EscapeIsa isa) {
    return isa <= fastestEscapeIsa();
}

EscapeMethod fastestEscapeMethod() {
    return EscapeMethod{fastestEscapeIsa(), true, true};
}

void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                      int floor) {
    escapeCountBatchWith(fastestEscapeMethod(), re, im, out, n, floor);
}

void escapeCountBatchWith(EscapeMethod method, const double* re, const double* im,
                          std::uint8_t* out, std::size_t n, int floor) {
    escapeCounts(method, PointSource{re, im, 0, n}, out, floor);
}

void escapeCountColumns(std::span<const double> columnRe, std::span<const double> rowIm,
                        std::uint8_t* out, int floor) {
    escapeCountColumnsWith(fastestEscapeMethod(), columnRe, rowIm, out, floor);
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
    matchEscapeCountsWith(fastestEscapeMethod(), columnRe, rowIm, counts, bits);
}

void matchEscapeCountsWith(EscapeMethod method, double columnRe, std::span<const double> rowIm,
                           std::span<const int> counts, std::uint64_t* bits) {
    const std::size_t n = rowIm.size();
    const std::size_t words = (n + 63) / 64;
    const int slots = static_cast<int>(std::min<std::size_t>(counts.size(), matchCountsMost));
    if (slots == 0) return;
    int lowest = maxEscapeCount;
    for (int k = 0; k < slots; ++k) lowest = std::min(lowest, std::clamp(counts[k], 1, maxEscapeCount));
#if HALCYONE_X86_KERNELS
    const EscapeIsa isa = usableIsa(method);
    if (isa == EscapeIsa::Avx512 && maxEscapeCount - lowest < matchInStepTests) {
        matchCountsAvx512(columnRe, rowIm.data(), n, counts.data(), slots, bits);
        return;
    }
#endif
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
