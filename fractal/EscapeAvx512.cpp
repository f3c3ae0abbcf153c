// AVX-512 kernel, in two passes. The screening pass runs eight points per vector through the
// first few iterations in input order and settles most of them: points proved inside, the many
// that escape at once, and under a high floor all of them. The survivors queue up, orbits and
// all, for the second pass, where several vectors iterate side by side and lanes whose points
// have their counts take the next survivors, so that lanes do not idle while slow points run on.
// When the input runs out, the last few orbits move to two vectors to finish.
#include "fractal/EscapeKernels.h"

#if HALCYONE_X86_KERNELS

#include <immintrin.h>

#include <algorithm>
#include <limits>

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
// iteration (three dependent operations) several times over, few enough that their state
// stays in registers.
constexpr int vectorsInFlight = 6;
// Iterations between looks at which lanes have ended; ended lanes idle (their counts frozen,
// lanes past the last iteration running on) until refilled.
constexpr int stepsPerCheck = 8;
// Vectors that carry the last orbits of a call, once too few are left to keep more busy.
constexpr int drainVectors = 2;
// The screening pass: iterations, vectors side by side, and input points per round.
constexpr int screeningSteps = 8;
constexpr int screeningVectors = 4;
constexpr std::size_t screeningChunk = 256;

// The orbits of one vector of points. Their c lives apart: in registers while screening, in
// memory in the second pass, where registers are short and a load is cheaper than a spill.
struct Lanes {
    __m512d zRe, zIm;
    __m512i left;     // tests the lane may still pass before its count falls below the floor
    __mmask8 inDisc;  // lanes whose orbit has stayed within |z|^2 <= 4
    __mmask8 loaded;  // lanes holding a point whose count is not written yet
};

// The points in the lanes of the second pass.
struct Occupants {
    alignas(64) double cRe[vectorsInFlight][lanes];
    alignas(64) double cIm[vectorsInFlight][lanes];
    alignas(64) std::int64_t index[vectorsInFlight][lanes];
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
    PointCursor points;  // at the first point not screened yet
    std::uint8_t* out;
    std::int64_t tests;  // a fresh point's `left`
    std::int64_t floor;  // count = left + floor - 1 for a lane that escaped with left > 0
    int screenedSteps;   // at most screeningSteps, and no more than a point may take
    __m512d two;
    Survivors survivors;
};

// Orbits as they were when last kept for cycle detection, lane by lane; NaN where a lane took a
// new point since (NaN equals nothing).
struct Checkpoints {
    alignas(64) double re[vectorsInFlight][lanes];
    alignas(64) double im[vectorsInFlight][lanes];
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

// The next imaginary part, 2 * zRe * zIm + cIm, rounded as escapeCount rounds it. When every
// product zRe * zIm is zero or normal (`fused`), doubling commutes with its rounding and one
// fused multiply-add gives the same bits with one operation less.
template <bool fused>
AVX512_INLINE __m512d nextIm(__m512d zRe, __m512d zIm, __m512d cIm, __m512d two) {
    if constexpr (fused) return _mm512_fmadd_pd(_mm512_mul_pd(zRe, zIm), two, cIm);
    return _mm512_add_pd(_mm512_mul_pd(_mm512_mul_pd(two, zRe), zIm), cIm);
}

// One iteration of every lane, in the operation order of escapeCount. `two` is 2.0.
template <bool fused>
AVX512_INLINE void step(Lanes& l, __m512d cRe, __m512d cIm, __m512d two) {
    const __m512d re2 = _mm512_mul_pd(l.zRe, l.zRe);
    const __m512d im2 = _mm512_mul_pd(l.zIm, l.zIm);
    l.inDisc = _mm512_mask_cmp_pd_mask(l.inDisc, _mm512_add_pd(re2, im2),
                                       _mm512_set1_pd(bailoutSquared), _CMP_LE_OQ);
    l.left = _mm512_mask_sub_epi64(l.left, l.inDisc, l.left, _mm512_set1_epi64(1));
    l.zIm = nextIm<fused>(l.zRe, l.zIm, cIm, two);
    l.zRe = _mm512_add_pd(_mm512_sub_pd(re2, im2), cRe);
}

// Lanes still iterating: in the disc with tests left.
AVX512_INLINE __mmask8 runningLanes(const Lanes& l) {
    return _mm512_mask_cmpgt_epi64_mask(l.inDisc, l.left, _mm512_setzero_si512());
}

// The counts of lanes that have ended: left + floor - 1 where the orbit escaped with tests left,
// 0 where it ran out of tests (its count is below the floor, or 0).
AVX512_INLINE __m512i endedCounts(const Lanes& l, std::int64_t floor) {
    const __mmask8 counted = _mm512_cmpgt_epi64_mask(l.left, _mm512_setzero_si512());
    return _mm512_maskz_add_epi64(counted, l.left, _mm512_set1_epi64(floor - 1));
}

AVX512_INLINE void start(Lanes& l, __m512d cRe, __m512d cIm, __mmask8 fresh, std::int64_t tests) {
    l.zRe = _mm512_mask_mov_pd(l.zRe, fresh, cRe);
    l.zIm = _mm512_mask_mov_pd(l.zIm, fresh, cIm);
    l.left = _mm512_mask_mov_epi64(l.left, fresh, _mm512_set1_epi64(tests));
    l.inDisc |= fresh;
    l.loaded |= fresh;
}

// The next `count` points (1..8) into the low lanes, the other lanes 0; moves past them.
AVX512_INLINE void loadPoints(PointCursor& points, std::size_t count, __m512d& cRe, __m512d& cIm) {
    const __mmask8 present = static_cast<__mmask8>(allLanes >> (lanes - count));
    if (points.runLength(count) == count) {
        cIm = _mm512_maskz_loadu_pd(present, points.im());
        cRe = points.source.rows == 0 ? _mm512_maskz_loadu_pd(present, points.re())
                                      : _mm512_maskz_mov_pd(present, _mm512_set1_pd(*points.re()));
        points.skip(count);
        return;
    }
    alignas(64) double re[lanes] = {}, im[lanes] = {};  // across the end of a column
    for (std::size_t k = 0; k < count; ++k) points.take(re[k], im[k]);
    cRe = _mm512_load_pd(re);
    cIm = _mm512_load_pd(im);
}

// Screens the points base .. end - 1, at most one group of vectors (all of them when `whole`):
// writes the counts of the points it settles and queues the others with their orbits so far.
template <bool skipInterior, bool fused, bool whole>
AVX512_INLINE void screenGroup(Input& in, std::size_t base, std::size_t end) {
    Survivors& queue = in.survivors;
    Lanes group[screeningVectors] = {};
    __m512d cRe[screeningVectors] = {}, cIm[screeningVectors] = {};
    __mmask8 inside[screeningVectors] = {};
    const auto lanesOf = [&](int v) -> std::size_t {  // points of vector v
        if constexpr (whole) return lanes;
        const std::size_t first = base + static_cast<std::size_t>(v) * lanes;
        return first >= end ? 0 : std::min<std::size_t>(lanes, end - first);
    };
#pragma GCC unroll 8
    for (int v = 0; v < screeningVectors; ++v) {
        const std::size_t count = lanesOf(v);
        if (count == 0) continue;
        const __mmask8 present = static_cast<__mmask8>(allLanes >> (lanes - count));
        loadPoints(in.points, count, cRe[v], cIm[v]);
        if constexpr (skipInterior) inside[v] = surelyInsideLanes(present, cRe[v], cIm[v]);
        start(group[v], cRe[v], cIm[v], present & ~inside[v], in.tests);
    }
    // Most points of a group tend to end alike: stop as soon as no lane is left running.
    for (int s = 0;;) {
#pragma GCC unroll 8
        for (int v = 0; v < screeningVectors; ++v) step<fused>(group[v], cRe[v], cIm[v], in.two);
        if (++s >= in.screenedSteps) break;
#pragma GCC unroll 8
        for (int v = 0; v < screeningVectors; ++v) step<fused>(group[v], cRe[v], cIm[v], in.two);
        if (++s >= in.screenedSteps) break;
        unsigned running = 0;
#pragma GCC unroll 8
        for (const Lanes& l : group) running |= runningLanes(l);
        if (running == 0) break;
    }
    __mmask8 survive[screeningVectors];
    unsigned anyRunning = 0;
#pragma GCC unroll 8
    for (int v = 0; v < screeningVectors; ++v) {
        survive[v] = runningLanes(group[v]);
        anyRunning |= survive[v];
        const std::size_t count = lanesOf(v);
        if (count == 0) continue;
        // Lanes proved inside keep the count 0 that their zero `left` gives. A whole vector is
        // stored at once where it can be (a masked byte store is slow): the second pass
        // overwrites the survivors' bytes.
        std::uint8_t* out = in.out + base + static_cast<std::size_t>(v) * lanes;
        const __m512i counts = endedCounts(group[v], in.floor);
        if (count == lanes)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out),
                             _mm512_maskz_cvtepi64_epi8(allLanes, counts));
        else
            _mm512_mask_cvtepi64_storeu_epi8(out, allLanes >> (lanes - count), counts);
    }
    if (anyRunning == 0) return;
    const __m512i laneIndex = _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0);
#pragma GCC unroll 8
    for (int v = 0; v < screeningVectors; ++v) {
        const Lanes& l = group[v];
        const __mmask8 running = survive[v];
        const __m512i point = _mm512_add_epi64(_mm512_set1_epi64(static_cast<std::int64_t>(
                                                   base + static_cast<std::size_t>(v) * lanes)),
                                               laneIndex);
        _mm512_storeu_pd(queue.cRe + queue.size, _mm512_maskz_compress_pd(running, cRe[v]));
        _mm512_storeu_pd(queue.cIm + queue.size, _mm512_maskz_compress_pd(running, cIm[v]));
        _mm512_storeu_pd(queue.zRe + queue.size, _mm512_maskz_compress_pd(running, l.zRe));
        _mm512_storeu_pd(queue.zIm + queue.size, _mm512_maskz_compress_pd(running, l.zIm));
        _mm512_storeu_si512(queue.left + queue.size, _mm512_maskz_compress_epi64(running, l.left));
        _mm512_storeu_si512(queue.point + queue.size, _mm512_maskz_compress_epi64(running, point));
        queue.size += static_cast<std::size_t>(__builtin_popcount(running));
    }
}

// First pass over the next chunk of the input, group by group.
template <bool skipInterior, bool fused>
AVX512_FUNCTION [[gnu::noinline]] void screen(Input& in) {
    constexpr std::size_t groupSize = screeningVectors * lanes;
    const std::size_t end = std::min(in.points.source.n, in.points.next + screeningChunk);
    in.survivors.head = 0;
    in.survivors.size = 0;
    std::size_t base = in.points.next;
    for (; base + groupSize <= end; base += groupSize)
        screenGroup<skipInterior, fused, true>(in, base, end);
    if (base < end) screenGroup<skipInterior, fused, false>(in, base, end);
}

// Writes the counts of the ended lanes and gives the free lanes the next survivors, screening
// more of the input when the queue runs dry. Lanes left over at the end of the input stay empty.
// Returns the lanes that took a point.
template <bool skipInterior, bool fused>
AVX512_FUNCTION [[gnu::noinline]] unsigned replace(Lanes& l, Occupants& lanePoints, int v,
                                                   unsigned ended, Input& in) {
    std::int64_t* point = lanePoints.index[v];
    if (l.loaded & ended) {
        // The eight counts as the bytes of one integer: read back from a vector just stored,
        // they would wait for the store.
        const auto counts = static_cast<std::uint64_t>(
            _mm_cvtsi128_si64(_mm512_maskz_cvtepi64_epi8(allLanes, endedCounts(l, in.floor))));
        for (unsigned m = l.loaded & ended; m != 0; m &= m - 1) {
            const int lane = __builtin_ctz(m);
            in.out[point[lane]] = static_cast<std::uint8_t>(counts >> (8 * lane));
        }
    }
    l.loaded &= ~ended;
    l.inDisc &= ~ended;
    Survivors& queue = in.survivors;
    unsigned free = ended;
    while (free != 0) {
        if (queue.head == queue.size) {
            if (in.points.done()) break;
            screen<skipInterior, fused>(in);
            continue;
        }
        const unsigned take = lowestLanes(free, queue.size - queue.head);
        const std::size_t h = queue.head;
        _mm512_store_pd(lanePoints.cRe[v],
                        _mm512_mask_expand_pd(_mm512_load_pd(lanePoints.cRe[v]), take,
                                              _mm512_loadu_pd(queue.cRe + h)));
        _mm512_store_pd(lanePoints.cIm[v],
                        _mm512_mask_expand_pd(_mm512_load_pd(lanePoints.cIm[v]), take,
                                              _mm512_loadu_pd(queue.cIm + h)));
        l.zRe = _mm512_mask_expand_pd(l.zRe, take, _mm512_loadu_pd(queue.zRe + h));
        l.zIm = _mm512_mask_expand_pd(l.zIm, take, _mm512_loadu_pd(queue.zIm + h));
        l.left = _mm512_mask_expand_epi64(l.left, take, _mm512_loadu_si512(queue.left + h));
        l.inDisc |= take;
        l.loaded |= take;
        _mm512_store_si512(point, _mm512_mask_expand_epi64(_mm512_load_si512(point), take,
                                                           _mm512_loadu_si512(queue.point + h)));
        queue.head += static_cast<std::size_t>(__builtin_popcount(take));
        free &= ~take;
    }
    return ended & ~free;
}

// Ends the lanes whose orbit has come back bit for bit to where it was when kept: from there it
// repeats values that all stayed in the disc, so it never escapes and the count is 0.
// Floating-point equality is enough: the values it equates differ at most in the sign of a
// zero, and the iteration maps such values to such values without changing any |z|^2.
AVX512_INLINE void endCycles(Lanes& l, const Checkpoints& at, int v) {
    const __mmask8 sameRe =
        _mm512_mask_cmp_pd_mask(l.inDisc, l.zRe, _mm512_load_pd(at.re[v]), _CMP_EQ_OQ);
    const __mmask8 cycled =
        _mm512_mask_cmp_pd_mask(sameRe, l.zIm, _mm512_load_pd(at.im[v]), _CMP_EQ_OQ);
    l.left = _mm512_mask_mov_epi64(l.left, cycled, _mm512_setzero_si512());
}

AVX512_INLINE void keepOrbits(const Lanes& l, Checkpoints& at, int v) {
    _mm512_store_pd(at.re[v], l.zRe);
    _mm512_store_pd(at.im[v], l.zIm);
}

AVX512_INLINE void forgetOrbits(Checkpoints& at, int v, __mmask8 lanesTaken) {
    const __m512d nan = _mm512_set1_pd(std::numeric_limits<double>::quiet_NaN());
    _mm512_mask_store_pd(at.re[v], lanesTaken, nan);
    _mm512_mask_store_pd(at.im[v], lanesTaken, nan);
}

// Puts the orbits of the lanes still running back into the (used up) queue, for a pass with
// fewer vectors.
template <int V>
AVX512_INLINE void handOver(const Lanes (&group)[V], const Occupants& lanePoints, Input& in) {
    Survivors& queue = in.survivors;
    queue.head = 0;
    queue.size = 0;
    for (int v = 0; v < V; ++v) {
        const Lanes& l = group[v];
        const __mmask8 running = l.loaded;
        _mm512_storeu_pd(queue.cRe + queue.size,
                         _mm512_maskz_compress_pd(running, _mm512_load_pd(lanePoints.cRe[v])));
        _mm512_storeu_pd(queue.cIm + queue.size,
                         _mm512_maskz_compress_pd(running, _mm512_load_pd(lanePoints.cIm[v])));
        _mm512_storeu_pd(queue.zRe + queue.size, _mm512_maskz_compress_pd(running, l.zRe));
        _mm512_storeu_pd(queue.zIm + queue.size, _mm512_maskz_compress_pd(running, l.zIm));
        _mm512_storeu_si512(queue.left + queue.size, _mm512_maskz_compress_epi64(running, l.left));
        _mm512_storeu_si512(
            queue.point + queue.size,
            _mm512_maskz_compress_epi64(running, _mm512_load_si512(lanePoints.index[v])));
        queue.size += static_cast<std::size_t>(__builtin_popcount(running));
    }
}

// The second pass with V vectors in flight, on the queued survivors and then on the points not
// screened yet. Returns when every point has its count; or, with a hand-over, as soon as the
// input is used up and fewer than `handOverBelow` lanes still run: their orbits go back to the
// queue for a pass with fewer vectors, instead of leaving most lanes idle to the end.
template <bool skipInterior, bool detectCycles, bool fused, int V>
AVX512_FUNCTION void iterate(Input& in, int handOverBelow) {
    // Lanes that must have ended before they are refilled: refilling costs about as much as a
    // few idle steps, so it pays to gather them.
    constexpr int refillWhenEnded = V * lanes * 2 / 3;
    const __m512d two = in.two;
    Lanes group[V] = {};
    Occupants lanePoints = {};
    Checkpoints checkpoints;
    CycleLooks looks;
    for (int v = 0; v < V; ++v) {
        replace<skipInterior, fused>(group[v], lanePoints, v, allLanes, in);
        if constexpr (detectCycles) forgetOrbits(checkpoints, v, allLanes);
    }
    for (;;) {
        std::uint64_t loaded = 0;
        for (int v = 0; v < V; ++v)
            loaded |= static_cast<std::uint64_t>(group[v].loaded) << (v * lanes);
        if (loaded == 0) return;
        if (__builtin_popcountll(loaded) < handOverBelow && in.points.done() &&
            in.survivors.head == in.survivors.size) {
            handOver(group, lanePoints, in);
            return;
        }
        // Once nothing is left to refill from, stop as soon as few enough lanes run to hand them
        // over.
        const int handOverAt =
            in.points.done() && in.survivors.head == in.survivors.size ? handOverBelow : 0;
        __mmask8 ended[V];
        std::uint64_t allEnded;
        do {
#pragma GCC unroll 8
            for (int s = 0; s < stepsPerCheck; ++s) {
#pragma GCC unroll 8
                for (int v = 0; v < V; ++v)
                    step<fused>(group[v], _mm512_load_pd(lanePoints.cRe[v]),
                         _mm512_load_pd(lanePoints.cIm[v]), two);
            }
            if constexpr (detectCycles) {
                const CycleLooks::Look look = looks.next();
                if (look == CycleLooks::Look::Keep) {
#pragma GCC unroll 8
                    for (int v = 0; v < V; ++v) keepOrbits(group[v], checkpoints, v);
                } else if (look == CycleLooks::Look::Compare) {
#pragma GCC unroll 8
                    for (int v = 0; v < V; ++v) endCycles(group[v], checkpoints, v);
                }
            }
            allEnded = 0;
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                // Ended: out of the disc, or through every test (left may have run below 0).
                ended[v] = group[v].loaded & ~runningLanes(group[v]);
                allEnded |= static_cast<std::uint64_t>(ended[v]) << (v * lanes);
            }
        } while (allEnded != loaded && __builtin_popcountll(allEnded) < refillWhenEnded &&
                 __builtin_popcountll(loaded & ~allEnded) >= handOverAt);
        for (int v = 0; v < V; ++v) {
            if (ended[v] == 0) continue;
            const unsigned taken = replace<skipInterior, fused>(group[v], lanePoints, v, ended[v], in);
            if constexpr (detectCycles) forgetOrbits(checkpoints, v, static_cast<__mmask8>(taken));
        }
    }
}

template <bool skipInterior, bool detectCycles, bool fused>
AVX512_FUNCTION void run(const PointSource& points, std::uint8_t* out, int floor) {
    Input in;
    in.points = PointCursor{points};
    in.out = out;
    in.floor = std::clamp(floor, 1, maxEscapeCount);
    in.tests = maxEscapeCount + 1 - in.floor;
    in.screenedSteps = static_cast<int>(std::min<std::int64_t>(screeningSteps, in.tests));
    in.survivors.head = 0;
    in.survivors.size = 0;
    // Kept opaque so that 2.0 * zRe stays a multiplication: the compiler would turn it into
    // zRe + zRe (the same bits), loading the adders, which are the busier units.
    in.two = _mm512_set1_pd(2.0);
    asm("" : "+v"(in.two));
    // Short batches, and batches whose counts end early under a floor, often end here.
    screen<skipInterior, fused>(in);
    if (in.survivors.size == 0 && in.points.done()) return;
    iterate<skipInterior, detectCycles, fused, vectorsInFlight>(in, drainVectors * lanes);
    if (in.survivors.size != in.survivors.head)
        iterate<skipInterior, detectCycles, fused, drainVectors>(in, 0);
}

// The match pass: 64 rows of one column at a time, one vector per eight rows, every lane taking
// the same tests in step, so that the points need no counters: a point has count c when it
// passes every test before test 255 - c and fails that one.
constexpr int matchVectors = 8;  // 64 rows: one word of bits

// words[slotAt[t]] = the rows that fail test t after passing every test before it, for each t
// up to lastTest with slotAt[t] >= 0; the caller has cleared `words`. The imaginary part takes
// two steps: these points take a few tests each, too few for checking whether the fused one
// would be exact to pay.
AVX512_FUNCTION void matchRows(__m512d cRe, const double* im, std::size_t n, int lastTest,
                               const std::int8_t* slotAt, __m512d two, std::uint64_t* words) {
    __m512d zRe[matchVectors], zIm[matchVectors], cIm[matchVectors];
    __mmask8 passed[matchVectors];  // lanes that passed every test so far
#pragma GCC unroll 8
    for (int v = 0; v < matchVectors; ++v) {
        const std::size_t first = static_cast<std::size_t>(v) * lanes;
        const std::size_t count = first >= n ? 0 : std::min<std::size_t>(lanes, n - first);
        passed[v] = static_cast<__mmask8>(allLanes >> (lanes - count));
        cIm[v] = _mm512_maskz_loadu_pd(passed[v], im + std::min(first, n));
        zRe[v] = cRe;
        zIm[v] = cIm[v];
    }
    for (int test = 0;; ++test) {
        __mmask8 now[matchVectors];
        __m512d re2[matchVectors], im2[matchVectors];
        unsigned any = 0;
#pragma GCC unroll 8
        for (int v = 0; v < matchVectors; ++v) {
            re2[v] = _mm512_mul_pd(zRe[v], zRe[v]);
            im2[v] = _mm512_mul_pd(zIm[v], zIm[v]);
            now[v] = _mm512_mask_cmp_pd_mask(passed[v], _mm512_add_pd(re2[v], im2[v]),
                                             _mm512_set1_pd(bailoutSquared), _CMP_LE_OQ);
            any |= now[v];
        }
        if (const int slot = slotAt[test]; slot >= 0) {
            std::uint64_t bits = 0;
#pragma GCC unroll 8
            for (int v = 0; v < matchVectors; ++v)
                bits |= static_cast<std::uint64_t>(passed[v] & ~now[v] & allLanes) << (v * lanes);
            words[slot] = bits;
        }
        // Done at the deepest test that counts, or once every point has escaped.
        if (test == lastTest || any == 0) return;
#pragma GCC unroll 8
        for (int v = 0; v < matchVectors; ++v) {
            zIm[v] = nextIm<false>(zRe[v], zIm[v], cIm[v], two);
            zRe[v] = _mm512_add_pd(_mm512_sub_pd(re2[v], im2[v]), cRe);
            passed[v] = now[v];
        }
    }
}

// Whether all n rows (1..64) from im are surely inside the set in column re: then none fails a
// test, and no row has any count but 0. Tries the two ends of the rows first: where both are
// inside, most often the rows between are too.
AVX512_FUNCTION [[gnu::noinline]] bool rowsSurelyInside(double re, const double* im, std::size_t n) {
    if (!surelyInsideSet(re, im[0]) || !surelyInsideSet(re, im[n - 1])) return false;
    const __m512d cRe = _mm512_set1_pd(re);
    for (std::size_t first = 0; first < n; first += lanes) {
        const auto present =
            static_cast<__mmask8>(allLanes >> (lanes - std::min<std::size_t>(lanes, n - first)));
        if (surelyInsideLanes(present, cRe, _mm512_maskz_loadu_pd(present, im + first)) != present)
            return false;
    }
    return true;
}

}  // namespace

AVX512_FUNCTION void matchCountsAvx512(double re, const double* im, std::size_t n,
                                       const int* counts, int countsSize, std::uint64_t* bits) {
    std::int8_t slotAt[maxEscapeCount + 1];
    std::fill(std::begin(slotAt), std::end(slotAt), -1);
    int lastTest = 0;
    for (int k = 0; k < countsSize; ++k) {
        const int test = maxEscapeCount - std::clamp(counts[k], 1, maxEscapeCount);
        slotAt[test] = static_cast<std::int8_t>(k);
        lastTest = std::max(lastTest, test);
    }
    __m512d two = _mm512_set1_pd(2.0);
    asm("" : "+v"(two));  // see run(): keeps 2.0 * zRe a multiplication
    const __m512d cRe = _mm512_set1_pd(re);
    constexpr std::size_t rowsPerWord = 64;
    const std::size_t words = (n + rowsPerWord - 1) / rowsPerWord;
    std::uint64_t word[matchCountsMost];
    // Rows inside the cardioid or the bulb take every test up to the deepest: unless the tests
    // are few, proving them inside costs less.
    const bool proveInside = lastTest >= 3 && re >= interiorLeft && re <= interiorRight;
    for (std::size_t w = 0; w < words; ++w) {
        std::fill(word, word + countsSize, 0);
        const std::size_t first = w * rowsPerWord;
        const std::size_t m = std::min(rowsPerWord, n - first);
        if (!(proveInside && rowsSurelyInside(re, im + first, m)))
            matchRows(cRe, im + first, m, lastTest, slotAt, two, word);
        for (int k = 0; k < countsSize; ++k) bits[static_cast<std::size_t>(k) * words + w] = word[k];
    }
}

AVX512_FUNCTION bool productsStayNormalAvx512(const PointSource& points) {
    const __m512d least = _mm512_set1_pd(0x1p-400);
    const std::size_t n = points.rows == 0 ? points.n : points.rows;
    __mmask8 anyOffAxis = 0;
    for (std::size_t k = 0; k < n; k += lanes) {
        const auto present =
            static_cast<__mmask8>(allLanes >> (lanes - std::min<std::size_t>(lanes, n - k)));
        // As productsStayNormal: im != 0 (NaN included) makes a point depend on |re| and |im|,
        // neither of which may be below 2^-400 (NaN is not).
        const __m512d im = _mm512_maskz_loadu_pd(present, points.im + k);
        const __mmask8 off = _mm512_mask_cmp_pd_mask(present, im, _mm512_setzero_pd(), _CMP_NEQ_UQ);
        __mmask8 risky = _mm512_mask_cmp_pd_mask(off, _mm512_abs_pd(im), least, _CMP_LT_OQ);
        if (points.rows == 0)
            risky |= _mm512_mask_cmp_pd_mask(
                off, _mm512_abs_pd(_mm512_maskz_loadu_pd(present, points.re + k)), least,
                _CMP_LT_OQ);
        if (risky != 0) return false;
        anyOffAxis |= off;
    }
    if (points.rows == 0 || anyOffAxis == 0) return true;
    for (std::size_t i = 0; i < points.n / points.rows; ++i)
        if (!productsStayNormal(points.re[i], 1.0)) return false;
    return true;
}

void escapeCountsAvx512(const PointSource& points, std::uint8_t* out,
                        const KernelOptions& options) {
    withKernelFlags(options, [&](auto skipInterior, auto detectCycles) {
        constexpr bool skip = decltype(skipInterior)::value, cycles = decltype(detectCycles)::value;
        if (options.fused)
            run<skip, cycles, true>(points, out, options.floor);
        else
            run<skip, cycles, false>(points, out, options.floor);
    });
}

}  // namespace halcyone

#endif  // HALCYONE_X86_KERNELS
