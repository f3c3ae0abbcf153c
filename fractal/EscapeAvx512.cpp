// AVX-512 kernel: several vectors of eight points iterate side by side; a lane whose point has
// its count takes the next point of the input, so no lane idles while others run on.
#include "fractal/EscapeKernels.h"

#if HALCYONE_X86_KERNELS

#include <immintrin.h>

#include "fractal/EscapeInterior.h"
#include "fractal/FractalPlane.h"

// Only the functions marked so use AVX-512; everything else in this file stays portable.
#define AVX512_INLINE [[gnu::target("avx512f,popcnt"), gnu::always_inline]] inline
#define AVX512_FUNCTION [[gnu::target("avx512f,popcnt")]]

namespace halcyone {

namespace {

constexpr int lanes = 8;
constexpr unsigned allLanes = 0xFF;
// Independent vectors in flight: enough to cover the latency of the multiply-add chain.
constexpr int vectorsInFlight = 4;
// Iterations between looks at which lanes have ended. Ended lanes idle (and lanes past the
// last iteration run on) for at most this many steps; their counts are frozen meanwhile.
constexpr int stepsPerCheck = 4;

struct Lanes {
    __m512d cRe, cIm, zRe, zIm;
    __m512i left;       // tests the lane may still pass before its count reaches 0
    __mmask8 inDisc;    // lanes whose orbit has stayed within |z|^2 <= 4
    __mmask8 loaded;    // lanes holding a point whose count is not written yet
    std::size_t point[lanes];
};

struct Input {
    const double* re;
    const double* im;
    std::uint8_t* out;
    std::size_t next;
    std::size_t n;
};

// The lowest `count` lanes of `mask`.
inline unsigned lowestLanes(unsigned mask, std::size_t count) {
    unsigned kept = 0;
    for (; mask != 0 && count != 0; mask &= mask - 1, --count) kept |= mask & (0u - mask);
    return kept;
}

AVX512_INLINE __mmask8 surelyInsideLanes(__mmask8 candidates, __m512d re, __m512d im) {
    __mmask8 box = _mm512_mask_cmp_pd_mask(candidates, re, _mm512_set1_pd(interiorLeft),
                                           _CMP_GE_OQ);
    box = _mm512_mask_cmp_pd_mask(box, re, _mm512_set1_pd(interiorRight), _CMP_LE_OQ);
    box = _mm512_mask_cmp_pd_mask(box, _mm512_abs_pd(im), _mm512_set1_pd(interiorHalfHeight),
                                  _CMP_LE_OQ);
    const __m512d im2 = _mm512_mul_pd(im, im);
    const __m512d bulbRe = _mm512_add_pd(re, _mm512_set1_pd(1.0));
    const __m512d bulb = _mm512_add_pd(_mm512_mul_pd(bulbRe, bulbRe), im2);
    const __mmask8 inBulb = _mm512_mask_cmp_pd_mask(box, bulb, _mm512_set1_pd(bulbLimit),
                                                    _CMP_LE_OQ);
    const __m512d shifted = _mm512_sub_pd(re, _mm512_set1_pd(cardioidShift));
    const __m512d q = _mm512_add_pd(_mm512_mul_pd(shifted, shifted), im2);
    const __m512d lhs = _mm512_mul_pd(q, _mm512_add_pd(q, shifted));
    const __m512d rhs = _mm512_sub_pd(_mm512_mul_pd(_mm512_set1_pd(cardioidQuarter), im2),
                                      _mm512_set1_pd(interiorMargin));
    return inBulb | _mm512_mask_cmp_pd_mask(box, lhs, rhs, _CMP_LE_OQ);
}

// One iteration of every lane, in the operation order of escapeCount.
AVX512_INLINE void step(Lanes& l) {
    const __m512d re2 = _mm512_mul_pd(l.zRe, l.zRe);
    const __m512d im2 = _mm512_mul_pd(l.zIm, l.zIm);
    l.inDisc = _mm512_mask_cmp_pd_mask(l.inDisc, _mm512_add_pd(re2, im2),
                                       _mm512_set1_pd(bailoutSquared), _CMP_LE_OQ);
    l.left = _mm512_mask_sub_epi64(l.left, l.inDisc, l.left, _mm512_set1_epi64(1));
    l.zIm = _mm512_add_pd(_mm512_mul_pd(_mm512_mul_pd(_mm512_set1_pd(2.0), l.zRe), l.zIm), l.cIm);
    l.zRe = _mm512_add_pd(_mm512_sub_pd(re2, im2), l.cRe);
}

// Lanes with their count: out of the disc, or through every test (left may have run below 0).
AVX512_INLINE __mmask8 endedLanes(const Lanes& l) {
    return l.loaded & ~_mm512_mask_cmpgt_epi64_mask(l.inDisc, l.left, _mm512_setzero_si512());
}

AVX512_INLINE void writeCounts(Lanes& l, __mmask8 ended, std::uint8_t* out) {
    alignas(64) std::int64_t left[lanes];
    _mm512_store_si512(left, l.left);
    for (unsigned m = ended; m != 0; m &= m - 1) {
        const int lane = __builtin_ctz(m);
        out[l.point[lane]] = static_cast<std::uint8_t>(left[lane] > 0 ? left[lane] : 0);
    }
    l.loaded &= ~ended;
    l.inDisc &= ~ended;
}

// Loads the next points of the input into the free lanes. Points proved inside get count 0 at
// once and their lane takes the point after; lanes left over when the input ends stay empty.
template <bool skipInterior>
AVX512_INLINE void refill(Lanes& l, unsigned free, Input& in) {
    while (free != 0 && in.next < in.n) {
        const unsigned take = lowestLanes(free, in.n - in.next);
        l.cRe = _mm512_mask_expandloadu_pd(l.cRe, take, in.re + in.next);
        l.cIm = _mm512_mask_expandloadu_pd(l.cIm, take, in.im + in.next);
        for (unsigned m = take; m != 0; m &= m - 1) l.point[__builtin_ctz(m)] = in.next++;
        free &= ~take;
        unsigned fresh = take;
        if constexpr (skipInterior) {
            const unsigned inside = surelyInsideLanes(take, l.cRe, l.cIm);
            for (unsigned m = inside; m != 0; m &= m - 1) in.out[l.point[__builtin_ctz(m)]] = 0;
            fresh &= ~inside;
            free |= inside;
        }
        l.zRe = _mm512_mask_mov_pd(l.zRe, fresh, l.cRe);
        l.zIm = _mm512_mask_mov_pd(l.zIm, fresh, l.cIm);
        l.left = _mm512_mask_mov_epi64(l.left, fresh, _mm512_set1_epi64(maxEscapeCount));
        l.inDisc |= fresh;
        l.loaded |= fresh;
    }
}

template <bool skipInterior>
AVX512_FUNCTION void run(const double* re, const double* im, std::uint8_t* out, std::size_t n) {
    Input in{re, im, out, 0, n};
    Lanes lanesInFlight[vectorsInFlight] = {};
    for (Lanes& l : lanesInFlight) refill<skipInterior>(l, allLanes, in);
    for (;;) {
        unsigned busy = 0;
#pragma GCC unroll 8
        for (const Lanes& l : lanesInFlight) busy |= l.loaded;
        if (busy == 0) return;
#pragma GCC unroll 8
        for (int s = 0; s < stepsPerCheck; ++s) {
#pragma GCC unroll 8
            for (Lanes& l : lanesInFlight) step(l);
        }
#pragma GCC unroll 8
        for (Lanes& l : lanesInFlight) {
            const __mmask8 ended = endedLanes(l);
            if (ended == 0) continue;
            writeCounts(l, ended, out);
            refill<skipInterior>(l, ended, in);
        }
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
