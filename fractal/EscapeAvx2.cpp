// AVX2 kernel for processors without AVX-512: vectors of four points iterate side by side, and
// lanes whose points have their counts take the next points of the input. AVX2 has no expanding
// load, so lanes are refilled one by one through memory.
#include "fractal/EscapeKernels.h"

#if HALCYONE_X86_KERNELS

#include <immintrin.h>

#include <limits>

#include "fractal/EscapeInterior.h"
#include "fractal/FractalPlane.h"

// Only the functions marked so use AVX2; everything else in this file stays portable.
#define AVX2_INLINE [[gnu::target("avx2,popcnt"), gnu::always_inline]] inline
#define AVX2_FUNCTION [[gnu::target("avx2,popcnt")]]

namespace halcyone {

namespace {

constexpr int lanes = 4;
constexpr unsigned allLanes = 0xF;
// Independent vectors in flight; c of each is read from memory, as sixteen registers do not
// hold all of them (measured: four beat three and five).
constexpr int vectorsInFlight = 4;
// Iterations between looks at which lanes have ended, and lanes that must have ended before
// they are refilled (see the AVX-512 kernel).
constexpr int stepsPerCheck = 8;
constexpr int refillWhenEnded = 8;  // of the 16 lanes

struct Lanes {
    __m256d cRe, cIm, zRe, zIm;
    __m256i left;     // tests the lane may still pass before its count falls below the floor
    __m256d inDisc;   // all ones in lanes whose orbit has stayed within |z|^2 <= 4
    unsigned loaded;  // lanes holding a point whose count is not written yet
    std::size_t point[lanes];
};

struct Input {
    PointCursor points;
    std::uint8_t* out;
    std::int64_t tests;  // a fresh point's `left`
    std::int64_t floor;  // count = left + floor - 1 for a lane that escaped with left > 0
};

// Orbits as they were when last kept for cycle detection; NaN where a lane took a new point
// since.
struct Checkpoints {
    alignas(32) double re[vectorsInFlight][lanes];
    alignas(32) double im[vectorsInFlight][lanes];
};

// One iteration of every lane, in the operation order of escapeCount. `two` is 2.0.
AVX2_INLINE void step(Lanes& l, __m256d two) {
    const __m256d re2 = _mm256_mul_pd(l.zRe, l.zRe);
    const __m256d im2 = _mm256_mul_pd(l.zIm, l.zIm);
    const __m256d within =
        _mm256_cmp_pd(_mm256_add_pd(re2, im2), _mm256_set1_pd(bailoutSquared), _CMP_LE_OQ);
    l.inDisc = _mm256_and_pd(l.inDisc, within);
    // A lane still in the disc is all ones, that is -1.
    l.left = _mm256_add_epi64(l.left, _mm256_castpd_si256(l.inDisc));
    l.zIm = _mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(two, l.zRe), l.zIm), l.cIm);
    l.zRe = _mm256_add_pd(_mm256_sub_pd(re2, im2), l.cRe);
}

// Lanes with their count: out of the disc, or through every test (left may have run below 0).
AVX2_INLINE unsigned endedLanes(const Lanes& l) {
    const __m256i positive = _mm256_cmpgt_epi64(l.left, _mm256_setzero_si256());
    const __m256d going = _mm256_and_pd(l.inDisc, _mm256_castsi256_pd(positive));
    return l.loaded & ~static_cast<unsigned>(_mm256_movemask_pd(going));
}

// Writes the counts of the ended lanes and loads the next points of the input into them (the
// first time, into empty lanes). Points proved inside get count 0 at once; lanes left over when
// the input ends stay empty.
template <bool skipInterior>
AVX2_INLINE void replace(Lanes& l, unsigned ended, Input& in) {
    alignas(32) double cRe[lanes], cIm[lanes], zRe[lanes], zIm[lanes];
    alignas(32) std::int64_t left[lanes], inDisc[lanes];
    _mm256_store_pd(cRe, l.cRe);
    _mm256_store_pd(cIm, l.cIm);
    _mm256_store_pd(zRe, l.zRe);
    _mm256_store_pd(zIm, l.zIm);
    _mm256_store_si256(reinterpret_cast<__m256i*>(left), l.left);
    _mm256_store_si256(reinterpret_cast<__m256i*>(inDisc), _mm256_castpd_si256(l.inDisc));
    for (unsigned m = ended; m != 0; m &= m - 1) {
        const int lane = __builtin_ctz(m);
        const unsigned bit = 1u << lane;
        if (l.loaded & bit)
            in.out[l.point[lane]] =
                static_cast<std::uint8_t>(left[lane] > 0 ? left[lane] + in.floor - 1 : 0);
        l.loaded &= ~bit;
        inDisc[lane] = 0;
        while (!in.points.done()) {
            const std::size_t k = in.points.next;
            double x, y;
            in.points.take(x, y);
            if (skipInterior && surelyInsideSet(x, y)) {
                in.out[k] = 0;
                continue;
            }
            cRe[lane] = zRe[lane] = x;
            cIm[lane] = zIm[lane] = y;
            left[lane] = in.tests;
            inDisc[lane] = -1;
            l.point[lane] = k;
            l.loaded |= bit;
            break;
        }
    }
    l.cRe = _mm256_load_pd(cRe);
    l.cIm = _mm256_load_pd(cIm);
    l.zRe = _mm256_load_pd(zRe);
    l.zIm = _mm256_load_pd(zIm);
    l.left = _mm256_load_si256(reinterpret_cast<const __m256i*>(left));
    l.inDisc = _mm256_castsi256_pd(_mm256_load_si256(reinterpret_cast<const __m256i*>(inDisc)));
}

// Ends the lanes whose orbit has come back bit for bit to where it was when kept, as the AVX-512
// kernel does.
AVX2_INLINE void endCycles(Lanes& l, const Checkpoints& at, int v) {
    const __m256d same = _mm256_and_pd(_mm256_cmp_pd(l.zRe, _mm256_load_pd(at.re[v]), _CMP_EQ_OQ),
                                       _mm256_cmp_pd(l.zIm, _mm256_load_pd(at.im[v]), _CMP_EQ_OQ));
    l.left = _mm256_andnot_si256(_mm256_castpd_si256(_mm256_and_pd(same, l.inDisc)), l.left);
}

AVX2_INLINE void keepOrbits(const Lanes& l, Checkpoints& at, int v) {
    _mm256_store_pd(at.re[v], l.zRe);
    _mm256_store_pd(at.im[v], l.zIm);
}

void forgetOrbits(Checkpoints& at, int v, unsigned lanesTaken) {
    for (unsigned m = lanesTaken; m != 0; m &= m - 1) {
        const int lane = __builtin_ctz(m);
        at.re[v][lane] = at.im[v][lane] = std::numeric_limits<double>::quiet_NaN();
    }
}

template <bool skipInterior, bool detectCycles>
AVX2_FUNCTION void run(const PointSource& points, std::uint8_t* out, int floor) {
    Input in{PointCursor{points}, out, maxEscapeCount + 1 - floor, floor};
    // Kept opaque so that 2.0 * zRe stays a multiplication (see the AVX-512 kernel).
    __m256d two = _mm256_set1_pd(2.0);
    asm("" : "+x"(two));
    Lanes group[vectorsInFlight] = {};
    Checkpoints checkpoints;
    CycleLooks looks;
    for (int v = 0; v < vectorsInFlight; ++v) {
        replace<skipInterior>(group[v], allLanes, in);
        if constexpr (detectCycles) forgetOrbits(checkpoints, v, allLanes);
    }
    for (;;) {
        unsigned loaded = 0;
        for (int v = 0; v < vectorsInFlight; ++v) loaded |= group[v].loaded << (v * lanes);
        if (loaded == 0) return;
        unsigned allEnded;
        do {
#pragma GCC unroll 8
            for (int s = 0; s < stepsPerCheck; ++s) {
#pragma GCC unroll 8
                for (Lanes& l : group) step(l, two);
            }
            if constexpr (detectCycles) {
                const CycleLooks::Look look = looks.next();
                if (look == CycleLooks::Look::Keep) {
                    for (int v = 0; v < vectorsInFlight; ++v) keepOrbits(group[v], checkpoints, v);
                } else if (look == CycleLooks::Look::Compare) {
                    for (int v = 0; v < vectorsInFlight; ++v) endCycles(group[v], checkpoints, v);
                }
            }
            allEnded = 0;
#pragma GCC unroll 8
            for (int v = 0; v < vectorsInFlight; ++v)
                allEnded |= endedLanes(group[v]) << (v * lanes);
        } while (allEnded != loaded && __builtin_popcount(allEnded) < refillWhenEnded);
        for (int v = 0; v < vectorsInFlight; ++v) {
            const unsigned ended = (allEnded >> (v * lanes)) & allLanes;
            if (ended == 0) continue;
            replace<skipInterior>(group[v], ended, in);
            if constexpr (detectCycles) forgetOrbits(checkpoints, v, ended & group[v].loaded);
        }
    }
}

}  // namespace

void escapeCountsAvx2(const PointSource& points, std::uint8_t* out, const KernelOptions& options) {
    withKernelFlags(options, [&](auto skipInterior, auto detectCycles) {
        run<decltype(skipInterior)::value, decltype(detectCycles)::value>(points, out,
                                                                          options.floor);
    });
}

}  // namespace halcyone

#endif  // HALCYONE_X86_KERNELS
