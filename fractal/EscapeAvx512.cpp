// AVX-512 kernel, in two passes. The screening pass runs eight points per vector through the
// first few iterations in input order and settles most of them: points proved inside, and the
// many that escape at once. The survivors queue up, orbits and all, for the second pass, where
// several vectors iterate side by side and lanes whose points have their counts take the next
// survivors, so that lanes do not idle while slow points run on.
#include "fractal/EscapeKernels.h"

#if HALCYONE_X86_KERNELS

#include <immintrin.h>

#include <algorithm>

#include "fractal/EscapeInterior.h"
#include "fractal/FractalPlane.h"

// Only the functions marked so use AVX-512; everything else in this file stays portable.
#define AVX512_INLINE [[gnu::target("avx512f,popcnt"), gnu::always_inline]] inline
#define AVX512_FUNCTION [[gnu::target("avx512f,popcnt")]]

namespace halcyone {

namespace {

constexpr int lanes = 8;
constexpr unsigned allLanes = 0xFF;
// Independent vectors in flight in the second pass: enough to cover the latency of an
// iteration (three dependent operations) several times over.
constexpr int vectorsInFlight = 6;
// Iterations between looks at which lanes have ended; ended lanes idle (their counts frozen,
// lanes past the last iteration running on) until refilled.
constexpr int stepsPerCheck = 8;
// Lanes (of the 48 in flight) that must have ended before they are refilled: refilling costs
// about as much as a few idle steps, so it pays to gather them. Measured best at 24..32.
constexpr int refillWhenEnded = 32;
// The screening pass: iterations, vectors side by side, and input points per round.
constexpr int screeningSteps = 8;
constexpr int screeningVectors = 4;
constexpr std::size_t screeningChunk = 256;

struct Lanes {
    __m512d cRe, cIm, zRe, zIm;
    __m512i left;     // tests the lane may still pass before its count reaches 0
    __mmask8 inDisc;  // lanes whose orbit has stayed within |z|^2 <= 4
    __mmask8 loaded;  // lanes holding a point whose count is not written yet
};

// Points of one screened chunk waiting for a lane of the second pass, with room for a whole
// vector past the end so that vectors are loaded and stored whole.
struct Survivors {
    alignas(64) double cRe[screeningChunk + lanes];
    alignas(64) double cIm[screeningChunk + lanes];
    alignas(64) double zRe[screeningChunk + lanes];
    alignas(64) double zIm[screeningChunk + lanes];
    alignas(64) std::int64_t left[screeningChunk + lanes];
    alignas(64) std::int64_t point[screeningChunk + lanes];
    std::size_t head;
    std::size_t size;
};

struct Input {
    const double* re;
    const double* im;
    std::uint8_t* out;
    std::size_t n;
    std::size_t next;  // first point not screened yet
    __m512d two;
    Survivors survivors;
};

// The lowest `count` lanes of `mask`.
inline unsigned lowestLanes(unsigned mask, std::size_t count) {
    unsigned kept = 0;
    for (; mask != 0 && count != 0; mask &= mask - 1, --count) kept |= mask & (0u - mask);
    return kept;
}

AVX512_INLINE __mmask8 surelyInsideLanes(__mmask8 candidates, __m512d re, __m512d im) {
    __mmask8 box =
        _mm512_mask_cmp_pd_mask(candidates, re, _mm512_set1_pd(interiorLeft), _CMP_GE_OQ);
    box = _mm512_mask_cmp_pd_mask(box, re, _mm512_set1_pd(interiorRight), _CMP_LE_OQ);
    box = _mm512_mask_cmp_pd_mask(box, _mm512_abs_pd(im), _mm512_set1_pd(interiorHalfHeight),
                                  _CMP_LE_OQ);
    const __m512d im2 = _mm512_mul_pd(im, im);
    const __m512d bulbRe = _mm512_add_pd(re, _mm512_set1_pd(1.0));
    const __m512d bulb = _mm512_add_pd(_mm512_mul_pd(bulbRe, bulbRe), im2);
    const __mmask8 inBulb =
        _mm512_mask_cmp_pd_mask(box, bulb, _mm512_set1_pd(bulbLimit), _CMP_LE_OQ);
    const __m512d shifted = _mm512_sub_pd(re, _mm512_set1_pd(cardioidShift));
    const __m512d q = _mm512_add_pd(_mm512_mul_pd(shifted, shifted), im2);
    const __m512d lhs = _mm512_mul_pd(q, _mm512_add_pd(q, shifted));
    const __m512d rhs = _mm512_sub_pd(_mm512_mul_pd(_mm512_set1_pd(cardioidQuarter), im2),
                                      _mm512_set1_pd(interiorMargin));
    return inBulb | _mm512_mask_cmp_pd_mask(box, lhs, rhs, _CMP_LE_OQ);
}

// One iteration of every lane, in the operation order of escapeCount. `two` is 2.0.
AVX512_INLINE void step(Lanes& l, __m512d two) {
    const __m512d re2 = _mm512_mul_pd(l.zRe, l.zRe);
    const __m512d im2 = _mm512_mul_pd(l.zIm, l.zIm);
    l.inDisc = _mm512_mask_cmp_pd_mask(l.inDisc, _mm512_add_pd(re2, im2),
                                       _mm512_set1_pd(bailoutSquared), _CMP_LE_OQ);
    l.left = _mm512_mask_sub_epi64(l.left, l.inDisc, l.left, _mm512_set1_epi64(1));
    l.zIm = _mm512_add_pd(_mm512_mul_pd(_mm512_mul_pd(two, l.zRe), l.zIm), l.cIm);
    l.zRe = _mm512_add_pd(_mm512_sub_pd(re2, im2), l.cRe);
}

AVX512_INLINE void start(Lanes& l, __mmask8 fresh) {
    l.zRe = _mm512_mask_mov_pd(l.zRe, fresh, l.cRe);
    l.zIm = _mm512_mask_mov_pd(l.zIm, fresh, l.cIm);
    l.left = _mm512_mask_mov_epi64(l.left, fresh, _mm512_set1_epi64(maxEscapeCount));
    l.inDisc |= fresh;
    l.loaded |= fresh;
}

// First pass over the next chunk of the input: writes the counts of the points it settles and
// queues the others with their orbits so far.
template <bool skipInterior>
AVX512_FUNCTION [[gnu::noinline]] void screen(Input& in) {
    const std::size_t end = std::min(in.n, in.next + screeningChunk);
    Survivors& queue = in.survivors;
    queue.head = 0;
    queue.size = 0;
    const __m512i laneIndex = _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0);
    for (std::size_t base = in.next; base < end; base += screeningVectors * lanes) {
        Lanes group[screeningVectors] = {};
        __mmask8 inside[screeningVectors] = {};
#pragma GCC unroll 8
        for (int v = 0; v < screeningVectors; ++v) {
            const std::size_t first = base + v * lanes;
            if (first >= end) continue;
            const std::size_t count = std::min<std::size_t>(lanes, end - first);
            const __mmask8 present = static_cast<__mmask8>(allLanes >> (lanes - count));
            group[v].cRe = _mm512_maskz_loadu_pd(present, in.re + first);
            group[v].cIm = _mm512_maskz_loadu_pd(present, in.im + first);
            if constexpr (skipInterior)
                inside[v] = surelyInsideLanes(present, group[v].cRe, group[v].cIm);
            start(group[v], present & ~inside[v]);
        }
        // Most points of a chunk tend to end alike: stop as soon as no lane is left in its disc.
        for (int s = 0; s < screeningSteps; s += 2) {
            unsigned running = 0;
#pragma GCC unroll 8
            for (const Lanes& l : group) running |= l.inDisc;
            if (running == 0) break;
#pragma GCC unroll 8
            for (Lanes& l : group) step(l, in.two);
#pragma GCC unroll 8
            for (Lanes& l : group) step(l, in.two);
        }
#pragma GCC unroll 8
        for (int v = 0; v < screeningVectors; ++v) {
            const std::size_t first = base + v * lanes;
            if (first >= end) continue;
            const Lanes& l = group[v];
            const __mmask8 escaped = l.loaded & ~l.inDisc;
            const __m512i counts = _mm512_maskz_mov_epi64(escaped, l.left);  // inside: 0
            _mm512_mask_cvtepi64_storeu_epi8(in.out + first, escaped | inside[v], counts);
            const __m512i point =
                _mm512_add_epi64(_mm512_set1_epi64(static_cast<std::int64_t>(first)), laneIndex);
            _mm512_storeu_pd(queue.cRe + queue.size, _mm512_maskz_compress_pd(l.inDisc, l.cRe));
            _mm512_storeu_pd(queue.cIm + queue.size, _mm512_maskz_compress_pd(l.inDisc, l.cIm));
            _mm512_storeu_pd(queue.zRe + queue.size, _mm512_maskz_compress_pd(l.inDisc, l.zRe));
            _mm512_storeu_pd(queue.zIm + queue.size, _mm512_maskz_compress_pd(l.inDisc, l.zIm));
            _mm512_storeu_si512(queue.left + queue.size,
                                _mm512_maskz_compress_epi64(l.inDisc, l.left));
            _mm512_storeu_si512(queue.point + queue.size,
                                _mm512_maskz_compress_epi64(l.inDisc, point));
            queue.size += static_cast<std::size_t>(__builtin_popcount(l.inDisc));
        }
    }
    in.next = end;
}

// Writes the counts of the ended lanes and gives the free lanes the next survivors, screening
// more of the input when the queue runs dry. Lanes left over at the end of the input stay empty.
template <bool skipInterior>
AVX512_FUNCTION [[gnu::noinline]] void replace(Lanes& l, std::int64_t* point, unsigned ended,
                                               Input& in) {
    if (l.loaded & ended) {
        alignas(64) std::int64_t left[lanes];
        _mm512_store_si512(left, l.left);
        for (unsigned m = l.loaded & ended; m != 0; m &= m - 1) {
            const int lane = __builtin_ctz(m);
            in.out[point[lane]] = static_cast<std::uint8_t>(left[lane] > 0 ? left[lane] : 0);
        }
    }
    l.loaded &= ~ended;
    l.inDisc &= ~ended;
    Survivors& queue = in.survivors;
    unsigned free = ended;
    while (free != 0) {
        if (queue.head == queue.size) {
            if (in.next == in.n) return;
            screen<skipInterior>(in);
            continue;
        }
        const unsigned take = lowestLanes(free, queue.size - queue.head);
        const std::size_t h = queue.head;
        l.cRe = _mm512_mask_expand_pd(l.cRe, take, _mm512_loadu_pd(queue.cRe + h));
        l.cIm = _mm512_mask_expand_pd(l.cIm, take, _mm512_loadu_pd(queue.cIm + h));
        l.zRe = _mm512_mask_expand_pd(l.zRe, take, _mm512_loadu_pd(queue.zRe + h));
        l.zIm = _mm512_mask_expand_pd(l.zIm, take, _mm512_loadu_pd(queue.zIm + h));
        l.left = _mm512_mask_expand_epi64(l.left, take, _mm512_loadu_si512(queue.left + h));
        l.inDisc |= take;
        l.loaded |= take;
        const __m512i points = _mm512_loadu_si512(queue.point + h);
        _mm512_store_si512(point, _mm512_mask_expand_epi64(_mm512_load_si512(point), take, points));
        queue.head += static_cast<std::size_t>(__builtin_popcount(take));
        free &= ~take;
    }
}

template <bool skipInterior>
AVX512_FUNCTION void run(const double* re, const double* im, std::uint8_t* out, std::size_t n) {
    Input in;
    in.re = re;
    in.im = im;
    in.out = out;
    in.n = n;
    in.next = 0;
    in.survivors.head = 0;
    in.survivors.size = 0;
    // Kept opaque so that 2.0 * zRe stays a multiplication: the compiler would turn it into
    // zRe + zRe (the same bits), loading the adders, which are the busier units.
    in.two = _mm512_set1_pd(2.0);
    asm("" : "+v"(in.two));
    const __m512d two = in.two;
    Lanes group[vectorsInFlight] = {};
    alignas(64) std::int64_t point[vectorsInFlight][lanes] = {};
    for (int v = 0; v < vectorsInFlight; ++v)
        replace<skipInterior>(group[v], point[v], allLanes, in);
    for (;;) {
        std::uint64_t loaded = 0;
        for (int v = 0; v < vectorsInFlight; ++v)
            loaded |= static_cast<std::uint64_t>(group[v].loaded) << (v * lanes);
        if (loaded == 0) return;
        __mmask8 ended[vectorsInFlight];
        std::uint64_t allEnded;
        do {
#pragma GCC unroll 8
            for (int s = 0; s < stepsPerCheck; ++s) {
#pragma GCC unroll 8
                for (Lanes& l : group) step(l, two);
            }
            allEnded = 0;
#pragma GCC unroll 8
            for (int v = 0; v < vectorsInFlight; ++v) {
                // Ended: out of the disc, or through every test (left may have run below 0).
                ended[v] =
                    group[v].loaded & ~_mm512_mask_cmpgt_epi64_mask(group[v].inDisc, group[v].left,
                                                                    _mm512_setzero_si512());
                allEnded |= static_cast<std::uint64_t>(ended[v]) << (v * lanes);
            }
        } while (allEnded != loaded && __builtin_popcountll(allEnded) < refillWhenEnded);
        for (int v = 0; v < vectorsInFlight; ++v)
            if (ended[v] != 0) replace<skipInterior>(group[v], point[v], ended[v], in);
    }
}

}  // namespace

void escapeCountsAvx512(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                        bool skipInterior) {
    if (skipInterior)
        run<true>(re, im, out, n);
    else
        run<false>(re, im, out, n);
}

}  // namespace halcyone

#endif  // HALCYONE_X86_KERNELS
