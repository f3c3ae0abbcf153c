// The escape kernels, written once over Highway's portable vectors and compiled for every level
// of EscapeIsa that the build targets (Highway re-includes this file once per level).
//
// Counting runs in two passes. The screening pass runs the points a vector at a time through the
// first few iterations in input order and settles most of them: points proved inside, the many
// that escape at once, and under a high floor all of them. The survivors queue up, orbits and
// all, for the second pass, where several vectors iterate side by side and lanes whose points
// have their counts take the next survivors, so that lanes do not idle while slow points run on.
// When the input runs out, the last few orbits move to fewer vectors to finish.
//
// Matching runs the rows of a column in step: every lane takes the same tests, so that the
// points need no counters.
//
// Every operation is the plain loop's, in its order, with its rounding: no fused multiply-add
// except where it rounds as the two steps do (see productsStayNormal).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "fractal/EscapeKernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "fractal/EscapeInterior.h"
#include "fractal/EscapeKernels.h"
#include "fractal/FractalPlane.h"

HWY_BEFORE_NAMESPACE();
namespace halcyone {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using DI = hn::RebindToSigned<D>;
using DU = hn::RebindToUnsigned<D>;
using DBytes = hn::Rebind<std::uint8_t, D>;  // one byte per lane
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;
constexpr D d;
constexpr DI di;

// The lanes of a vector, known when compiling: the bookkeeping keeps a vector's lanes as the
// bits of an unsigned.
constexpr std::size_t lanes = hn::MaxLanes(d);
static_assert(lanes >= 1 && lanes <= 8, "lane bits must fit one byte");
constexpr unsigned allLanes = (1u << lanes) - 1;

// How many vectors each pass keeps in flight: enough to cover the latency of an iteration
// (three dependent operations) several times over, few enough that their state stays in
// registers: 32 vector registers with AVX-512 and NEON, 16 with AVX2 and for scalars.
#if HWY_TARGET <= HWY_AVX3 || HWY_TARGET == HWY_NEON
constexpr int vectorsInFlight = 6;
constexpr int screeningVectors = 4;
constexpr int matchVectors = 8;
#else
constexpr int vectorsInFlight = 4;
constexpr int screeningVectors = 2;
constexpr int matchVectors = 4;
#endif
// Iterations between looks at which lanes have ended; ended lanes idle (their counts frozen,
// lanes past the last iteration running on) until refilled.
constexpr int stepsPerCheck = 8;
// Vectors that carry the last orbits of a call, once too few are left to keep more busy.
constexpr int drainVectors = 2;
// The screening pass: iterations, and input points per round.
constexpr int screeningSteps = 8;
constexpr std::size_t screeningChunk = 256;
static_assert(screeningChunk % (screeningVectors * lanes) == 0);

// ---- Operations that AVX-512 does in one instruction with its mask registers.

unsigned laneBits(M m) {
#if HWY_TARGET <= HWY_AVX3
    return m.raw;
#else
    std::uint8_t bits[8] = {};
    hn::StoreMaskBits(d, m, bits);
    return bits[0];
#endif
}

M maskOfBits(unsigned bits) {
#if HWY_TARGET <= HWY_AVX3
    return M{static_cast<__mmask8>(bits)};
#else
    const std::uint8_t packed[8] = {static_cast<std::uint8_t>(bits)};
    return hn::LoadMaskBits(d, packed);
#endif
}

// The lanes of `among` where a <= b (false for NaN).
HWY_INLINE M lanesAtMost(M among, V a, V b) {
#if HWY_TARGET <= HWY_AVX3
    return M{_mm512_mask_cmp_pd_mask(among.raw, a.raw, b.raw, _CMP_LE_OQ)};
#else
    return hn::And(among, hn::Le(a, b));
#endif
}

// left - 1 in the lanes of `passed`.
HWY_INLINE VI countTest(VI left, M passed) {
#if HWY_TARGET <= HWY_AVX3
    return VI{_mm512_mask_sub_epi64(left.raw, passed.raw, left.raw, _mm512_set1_epi64(1))};
#else
    // A lane of a mask as a vector is all ones: -1.
    return hn::Add(left, hn::BitCast(di, hn::VecFromMask(d, passed)));
#endif
}

// The lanes of `inDisc` whose `left` is above 0.
HWY_INLINE M positiveWithin(M inDisc, VI left) {
#if HWY_TARGET <= HWY_AVX3
    return M{_mm512_mask_cmpgt_epi64_mask(inDisc.raw, left.raw, _mm512_setzero_si512())};
#else
    return hn::And(inDisc, hn::RebindMask(d, hn::Gt(left, hn::Zero(di))));
#endif
}

#if !(HWY_TARGET <= HWY_AVX3)
// For each set of lanes (as bits): `packed`, where lane k finds the k-th lane of the set, and
// `spread`, where each lane of the set finds its position among them. Static, so that no copy
// is made on the stack.
struct ShuffleTable {
    std::int64_t packed[1u << lanes][lanes];
    std::int64_t spread[1u << lanes][lanes];
};
constexpr ShuffleTable makeShuffleTable() {
    ShuffleTable table{};
    for (unsigned bits = 0; bits < (1u << lanes); ++bits) {
        std::int64_t next = 0;
        for (std::size_t lane = 0; lane < lanes; ++lane)
            if ((bits >> lane) & 1) {
                table.packed[bits][next] = static_cast<std::int64_t>(lane);
                table.spread[bits][lane] = next++;
            }
    }
    return table;
}
alignas(64) constexpr ShuffleTable shuffleTable = makeShuffleTable();
#endif

// Moves the lanes of a set to the front, in order: to store a vector's chosen lanes packed as a
// whole vector (the destination has room for one).
class Packing {
public:
    explicit Packing(M chosen)
#if HWY_TARGET <= HWY_AVX3
        : chosen_(chosen) {
    }
#else
        : indices_(hn::SetTableIndices(di, shuffleTable.packed[laneBits(chosen)])) {
    }
#endif

    template <class V1>
    HWY_INLINE void store(V1 v, hn::TFromV<V1>* p) const {
        const hn::DFromV<V1> dv;
#if HWY_TARGET <= HWY_AVX3
        // A compress into a register and a plain store: a compressing store is slow on some
        // processors.
        hn::StoreU(hn::BitCast(dv, VI{_mm512_maskz_compress_epi64(chosen_.raw,
                                                                  hn::BitCast(di, v).raw)}),
                   dv, p);
#else
        hn::StoreU(hn::BitCast(dv, hn::TableLookupLanes(hn::BitCast(di, v), indices_)), dv, p);
#endif
    }

private:
#if HWY_TARGET <= HWY_AVX3
    M chosen_;
#else
    decltype(hn::SetTableIndices(di, shuffleTable.packed[0])) indices_;
#endif
};

// The reverse: the lanes of a set take p[0], p[1], ... in order (p has room for a whole vector),
// the others keep their values.
class Spreading {
public:
    explicit Spreading(M chosen)
        : chosen_(chosen)
#if !(HWY_TARGET <= HWY_AVX3)
          ,
          indices_(hn::SetTableIndices(di, shuffleTable.spread[laneBits(chosen)]))
#endif
    {
    }

    template <class V1>
    HWY_INLINE V1 into(V1 old, const hn::TFromV<V1>* p) const {
        const hn::DFromV<V1> dv;
        const VI fresh = hn::BitCast(di, hn::LoadU(dv, p));
#if HWY_TARGET <= HWY_AVX3
        return hn::BitCast(
            dv, VI{_mm512_mask_expand_epi64(hn::BitCast(di, old).raw, chosen_.raw, fresh.raw)});
#else
        return hn::IfThenElse(hn::RebindMask(dv, chosen_),
                              hn::BitCast(dv, hn::TableLookupLanes(fresh, indices_)), old);
#endif
    }

private:
    M chosen_;
#if !(HWY_TARGET <= HWY_AVX3)
    decltype(hn::SetTableIndices(di, shuffleTable.spread[0])) indices_;
#endif
};

// Keeps the compiler from turning 2.0 * zRe into zRe + zRe (the same bits), which loads the
// adders, the busier units.
HWY_INLINE V opaque(V v) {
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR
    asm("" : "+v"(v.raw));
#endif
    return v;
}

// ---- The iteration.

// The next imaginary part, 2 * zRe * zIm + cIm, rounded as escapeCount rounds it. When every
// product zRe * zIm is zero or normal (`fused`), doubling commutes with its rounding and one
// fused multiply-add gives the same bits with one operation less.
template <bool fused>
HWY_INLINE V nextIm(V zRe, V zIm, V cIm, V two) {
    if constexpr (fused) return hn::MulAdd(hn::Mul(zRe, zIm), two, cIm);
    return hn::Add(hn::Mul(hn::Mul(two, zRe), zIm), cIm);
}

// The orbits of one vector of points. Their c lives apart: in registers while screening, in
// memory in the second pass, where registers are short and a load is cheaper than a spill.
struct Lanes {
    // Constructors of its own: GCC gives the implicit ones no target attributes, and Arm's
    // vector types cannot be made outside the target.
    HWY_INLINE Lanes() : Lanes(hn::Zero(d), hn::Zero(d), hn::Zero(di), hn::FirstN(d, 0), 0) {}
    HWY_INLINE Lanes(V re, V im, VI tests, M fresh, unsigned freshBits)
        : zRe(re), zIm(im), left(tests), inDisc(fresh), loaded(freshBits) {}

    V zRe, zIm;
    VI left;          // tests the lane may still pass before its count falls below the floor
    M inDisc;         // lanes whose orbit has stayed within |z|^2 <= 4
    unsigned loaded;  // lanes holding a point whose count is not written yet
};

// One iteration of every lane, in the operation order of escapeCount. `two` is 2.0.
template <bool fused>
HWY_INLINE void step(Lanes& l, V cRe, V cIm, V two) {
    const V re2 = hn::Mul(l.zRe, l.zRe);
    const V im2 = hn::Mul(l.zIm, l.zIm);
    l.inDisc = lanesAtMost(l.inDisc, hn::Add(re2, im2), hn::Set(d, bailoutSquared));
    l.left = countTest(l.left, l.inDisc);
    l.zIm = nextIm<fused>(l.zRe, l.zIm, cIm, two);
    l.zRe = hn::Add(hn::Sub(re2, im2), cRe);
}

// Lanes still iterating: in the disc with tests left.
HWY_INLINE M runningLanes(const Lanes& l) {
    return positiveWithin(l.inDisc, l.left);
}

// The counts of lanes that have ended: left + floor - 1 where the orbit escaped with tests left,
// 0 where it ran out of tests (its count is below the floor, or 0).
HWY_INLINE VI endedCounts(const Lanes& l, std::int64_t floor) {
    return hn::IfThenElseZero(hn::Gt(l.left, hn::Zero(di)),
                              hn::Add(l.left, hn::Set(di, floor - 1)));
}

HWY_INLINE hn::Vec<DBytes> countBytes(VI counts) {
    return hn::TruncateTo(DBytes(), hn::BitCast(DU(), counts));
}

// The lanes inside the cardioid or the bulb by the margin, among `candidates`: surelyInsideSet
// lane by lane, with the same operations in the same order. With `shortcut`, a vector with no
// lane in the box returns at once, as most vectors of most views do.
template <bool shortcut>
HWY_INLINE M surelyInsideLanes(M candidates, V re, V im) {
    M box = lanesAtMost(candidates, hn::Set(d, interiorLeft), re);
    box = lanesAtMost(box, re, hn::Set(d, interiorRight));
    box = lanesAtMost(box, hn::Abs(im), hn::Set(d, interiorHalfHeight));
    if (shortcut && hn::AllFalse(d, box)) return box;
    const V im2 = hn::Mul(im, im);
    const V bulbRe = hn::Add(re, hn::Set(d, 1.0));
    const V bulb = hn::Add(hn::Mul(bulbRe, bulbRe), im2);
    const M inBulb = lanesAtMost(box, bulb, hn::Set(d, bulbLimit));
    const V shifted = hn::Sub(re, hn::Set(d, cardioidShift));
    const V q = hn::Add(hn::Mul(shifted, shifted), im2);
    const V lhs = hn::Mul(q, hn::Add(q, shifted));
    const V rhs = hn::Sub(hn::Mul(hn::Set(d, cardioidQuarter), im2), hn::Set(d, interiorMargin));
    return hn::Or(inBulb, lanesAtMost(box, lhs, rhs));
}

// ---- Counting.

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
    Survivors survivors;

    bool drained() const { return points.done() && survivors.head == survivors.size; }
};

// Orbits as they were when last kept for cycle detection, lane by lane; NaN where a lane took a
// new point since (NaN equals nothing).
struct Checkpoints {
    alignas(64) double re[vectorsInFlight][lanes];
    alignas(64) double im[vectorsInFlight][lanes];
};

// The lowest `count` lanes of `mask`.
unsigned lowestLanes(unsigned mask, std::size_t count) {
    unsigned kept = 0;
    for (; mask != 0 && count != 0; mask &= mask - 1, --count) kept |= mask & (0u - mask);
    return kept;
}

// The next `count` points (1..lanes) into the low lanes, the other lanes 0; moves past them.
HWY_INLINE void loadPoints(PointCursor& points, std::size_t count, V& cRe, V& cIm) {
    if (count == lanes && points.runLength(count) == count) {
        cIm = hn::LoadU(d, points.im());
        cRe = points.source.rows == 0 ? hn::LoadU(d, points.re()) : hn::Set(d, *points.re());
        points.skip(count);
        return;
    }
    alignas(64) double re[lanes] = {}, im[lanes] = {};  // a tail, or across the end of a column
    for (std::size_t k = 0; k < count; ++k) points.take(re[k], im[k]);
    cRe = hn::Load(d, re);
    cIm = hn::Load(d, im);
}

// Screens the points base .. end - 1, at most one group of vectors (all of them when `whole`):
// writes the counts of the points it settles and queues the others with their orbits so far.
template <bool skipInterior, bool fused, bool whole>
HWY_INLINE void screenGroup(Input& in, std::size_t base, std::size_t end, V two) {
    Survivors& queue = in.survivors;
    Lanes group[screeningVectors];
    V cRe[screeningVectors], cIm[screeningVectors];
    const auto lanesOf = [&](int v) -> std::size_t {  // points of vector v
        if constexpr (whole) return lanes;
        const std::size_t first = base + static_cast<std::size_t>(v) * lanes;
        return first >= end ? 0 : std::min<std::size_t>(lanes, end - first);
    };
    const VI tests = hn::Set(di, in.tests);
    HWY_UNROLL(8)
    for (int v = 0; v < screeningVectors; ++v) {
        const std::size_t count = lanesOf(v);
        cRe[v] = cIm[v] = hn::Zero(d);
        if (count != 0) loadPoints(in.points, count, cRe[v], cIm[v]);
        M fresh = hn::FirstN(d, count);
        // Lanes proved inside never start: their zero `left` gives them the count 0.
        if constexpr (skipInterior)
            fresh = hn::AndNot(surelyInsideLanes<true>(fresh, cRe[v], cIm[v]), fresh);
        group[v] = Lanes{cRe[v], cIm[v], hn::IfThenElseZero(hn::RebindMask(di, fresh), tests),
                         fresh, laneBits(fresh)};
    }
    // Most points of a group tend to end alike: stop as soon as no lane is left running.
    for (int s = 0;;) {
        HWY_UNROLL(8)
        for (int v = 0; v < screeningVectors; ++v) step<fused>(group[v], cRe[v], cIm[v], two);
        if (++s >= in.screenedSteps) break;
        HWY_UNROLL(8)
        for (int v = 0; v < screeningVectors; ++v) step<fused>(group[v], cRe[v], cIm[v], two);
        if (++s >= in.screenedSteps) break;
        unsigned running = 0;
        HWY_UNROLL(8)
        for (const Lanes& l : group) running |= laneBits(runningLanes(l));
        if (running == 0) break;
    }
    M survive[screeningVectors];
    unsigned anyRunning = 0;
    HWY_UNROLL(8)
    for (int v = 0; v < screeningVectors; ++v) {
        survive[v] = runningLanes(group[v]);
        anyRunning |= laneBits(survive[v]);
        const std::size_t count = lanesOf(v);
        if (count == 0) continue;
        // A whole vector is stored at once where it can be: the second pass overwrites the
        // survivors' bytes.
        std::uint8_t* out = in.out + base + static_cast<std::size_t>(v) * lanes;
        const auto bytes = countBytes(endedCounts(group[v], in.floor));
        if (count == lanes) {
            hn::StoreU(bytes, DBytes(), out);
        } else {
            std::uint8_t all[lanes];
            hn::StoreU(bytes, DBytes(), all);
            std::memcpy(out, all, count);
        }
    }
    if (anyRunning == 0) return;
    HWY_UNROLL(8)
    for (int v = 0; v < screeningVectors; ++v) {
        const Lanes& l = group[v];
        const M running = survive[v];
        const VI point = hn::Add(
            hn::Set(di, static_cast<std::int64_t>(base + static_cast<std::size_t>(v) * lanes)),
            hn::Iota(di, 0));
        const Packing packing(running);
        packing.store(cRe[v], queue.cRe + queue.size);
        packing.store(cIm[v], queue.cIm + queue.size);
        packing.store(l.zRe, queue.zRe + queue.size);
        packing.store(l.zIm, queue.zIm + queue.size);
        packing.store(l.left, queue.left + queue.size);
        packing.store(point, queue.point + queue.size);
        queue.size += hn::CountTrue(d, running);
    }
}

// First pass over the next chunk of the input, group by group.
template <bool skipInterior, bool fused>
HWY_NOINLINE void screen(Input& in) {
    constexpr std::size_t groupSize = screeningVectors * lanes;
    const std::size_t end = std::min(in.points.source.n, in.points.next + screeningChunk);
    in.survivors.head = 0;
    in.survivors.size = 0;
    const V two = opaque(hn::Set(d, 2.0));
    std::size_t base = in.points.next;
    for (; base + groupSize <= end; base += groupSize)
        screenGroup<skipInterior, fused, true>(in, base, end, two);
    if (base < end) screenGroup<skipInterior, fused, false>(in, base, end, two);
}

// Writes the counts of the ended lanes and gives the free lanes the next survivors, screening
// more of the input when the queue runs dry. Lanes left over at the end of the input stay empty.
// Returns the lanes that took a point.
template <bool skipInterior, bool fused>
HWY_NOINLINE unsigned replace(Lanes& l, Occupants& lanePoints, int v, unsigned ended, Input& in) {
    std::int64_t* point = lanePoints.index[v];
    if (const unsigned done = l.loaded & ended; done != 0) {
        // The counts as the bytes of one integer: read back from a vector just stored, they
        // would wait for the store.
        using Packed = hwy::UnsignedFromSize<lanes>;
        const auto counts = static_cast<std::uint64_t>(hn::GetLane(
            hn::BitCast(hn::Simd<Packed, 1, 0>(), countBytes(endedCounts(l, in.floor)))));
        for (unsigned m = done; m != 0; m &= m - 1) {
            const int lane = hwy::Num0BitsBelowLS1Bit_Nonzero32(m);
            in.out[point[lane]] = static_cast<std::uint8_t>(counts >> (8 * lane));
        }
    }
    l.loaded &= ~ended;
    l.inDisc = hn::AndNot(maskOfBits(ended), l.inDisc);
    Survivors& queue = in.survivors;
    unsigned free = ended;
    while (free != 0) {
        if (queue.head == queue.size) {
            if (in.points.done()) break;
            screen<skipInterior, fused>(in);
            continue;
        }
        const unsigned taken = lowestLanes(free, queue.size - queue.head);
        const M take = maskOfBits(taken);
        const Spreading spreading(take);
        const std::size_t h = queue.head;
        hn::Store(spreading.into(hn::Load(d, lanePoints.cRe[v]), queue.cRe + h), d,
                  lanePoints.cRe[v]);
        hn::Store(spreading.into(hn::Load(d, lanePoints.cIm[v]), queue.cIm + h), d,
                  lanePoints.cIm[v]);
        l.zRe = spreading.into(l.zRe, queue.zRe + h);
        l.zIm = spreading.into(l.zIm, queue.zIm + h);
        l.left = spreading.into(l.left, queue.left + h);
        l.inDisc = hn::Or(l.inDisc, take);
        l.loaded |= taken;
        hn::Store(spreading.into(hn::Load(di, point), queue.point + h), di, point);
        queue.head += static_cast<std::size_t>(hwy::PopCount(taken));
        free &= ~taken;
    }
    return ended & ~free;
}

// Ends the lanes whose orbit has come back bit for bit to where it was when kept: from there it
// repeats values that all stayed in the disc, so it never escapes and the count is 0.
// Floating-point equality is enough: the values it equates differ at most in the sign of a
// zero, and the iteration maps such values to such values without changing any |z|^2.
HWY_INLINE void endCycles(Lanes& l, const Checkpoints& at, int v) {
    const M sameRe = hn::And(l.inDisc, hn::Eq(l.zRe, hn::Load(d, at.re[v])));
    const M cycled = hn::And(sameRe, hn::Eq(l.zIm, hn::Load(d, at.im[v])));
    l.left = hn::IfThenZeroElse(hn::RebindMask(di, cycled), l.left);
}

HWY_INLINE void keepOrbits(const Lanes& l, Checkpoints& at, int v) {
    hn::Store(l.zRe, d, at.re[v]);
    hn::Store(l.zIm, d, at.im[v]);
}

HWY_INLINE void forgetOrbits(Checkpoints& at, int v, unsigned lanesTaken) {
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const M taken = maskOfBits(lanesTaken);
    hn::Store(hn::IfThenElse(taken, nan, hn::Load(d, at.re[v])), d, at.re[v]);
    hn::Store(hn::IfThenElse(taken, nan, hn::Load(d, at.im[v])), d, at.im[v]);
}

// Puts the orbits of the lanes still running back into the (used up) queue, for a pass with
// fewer vectors.
template <int Vectors>
HWY_INLINE void handOver(const Lanes (&group)[Vectors], const Occupants& lanePoints, Input& in) {
    Survivors& queue = in.survivors;
    queue.head = 0;
    queue.size = 0;
    for (int v = 0; v < Vectors; ++v) {
        const Lanes& l = group[v];
        const Packing packing(maskOfBits(l.loaded));
        packing.store(hn::Load(d, lanePoints.cRe[v]), queue.cRe + queue.size);
        packing.store(hn::Load(d, lanePoints.cIm[v]), queue.cIm + queue.size);
        packing.store(l.zRe, queue.zRe + queue.size);
        packing.store(l.zIm, queue.zIm + queue.size);
        packing.store(l.left, queue.left + queue.size);
        packing.store(hn::Load(di, lanePoints.index[v]), queue.point + queue.size);
        queue.size += static_cast<std::size_t>(hwy::PopCount(l.loaded));
    }
}

// The second pass with Vectors vectors in flight, on the queued survivors and then on the points
// not screened yet. Returns when every point has its count; or, with a hand-over, as soon as the
// input is used up and fewer than `handOverBelow` lanes still run: their orbits go back to the
// queue for a pass with fewer vectors, instead of leaving most lanes idle to the end.
template <bool skipInterior, bool detectCycles, bool fused, int Vectors>
HWY_NOINLINE void iterate(Input& in, std::size_t handOverBelow) {
    static_assert(Vectors * lanes <= 64, "the lanes of all vectors are the bits of one word");
    // Lanes that must have ended before they are refilled: refilling costs about as much as a
    // few idle steps, so it pays to gather them.
    constexpr std::size_t refillWhenEnded = Vectors * lanes * 2 / 3;
    const V two = opaque(hn::Set(d, 2.0));
    Lanes group[Vectors];
    Occupants lanePoints = {};
    Checkpoints checkpoints;
    CycleLooks looks;
    for (int v = 0; v < Vectors; ++v) {
        replace<skipInterior, fused>(group[v], lanePoints, v, allLanes, in);
        if constexpr (detectCycles) forgetOrbits(checkpoints, v, allLanes);
    }
    for (;;) {
        std::uint64_t loaded = 0;
        for (int v = 0; v < Vectors; ++v)
            loaded |= static_cast<std::uint64_t>(group[v].loaded) << (v * lanes);
        if (loaded == 0) return;
        if (hwy::PopCount(loaded) < handOverBelow && in.drained()) {
            handOver(group, lanePoints, in);
            return;
        }
        // Once nothing is left to refill from, stop as soon as few enough lanes run to hand them
        // over.
        const std::size_t handOverAt = in.drained() ? handOverBelow : 0;
        unsigned ended[Vectors];
        std::uint64_t allEnded;
        do {
            HWY_UNROLL(8)
            for (int s = 0; s < stepsPerCheck; ++s) {
                HWY_UNROLL(8)
                for (int v = 0; v < Vectors; ++v)
                    step<fused>(group[v], hn::Load(d, lanePoints.cRe[v]),
                                hn::Load(d, lanePoints.cIm[v]), two);
            }
            if constexpr (detectCycles) {
                const CycleLooks::Look look = looks.next();
                if (look == CycleLooks::Look::Keep) {
                    HWY_UNROLL(8)
                    for (int v = 0; v < Vectors; ++v) keepOrbits(group[v], checkpoints, v);
                } else if (look == CycleLooks::Look::Compare) {
                    HWY_UNROLL(8)
                    for (int v = 0; v < Vectors; ++v) endCycles(group[v], checkpoints, v);
                }
            }
            allEnded = 0;
            HWY_UNROLL(8)
            for (int v = 0; v < Vectors; ++v) {
                // Ended: out of the disc, or through every test (left may have run below 0).
                ended[v] = group[v].loaded & ~laneBits(runningLanes(group[v]));
                allEnded |= static_cast<std::uint64_t>(ended[v]) << (v * lanes);
            }
        } while (allEnded != loaded && hwy::PopCount(allEnded) < refillWhenEnded &&
                 hwy::PopCount(loaded & ~allEnded) >= handOverAt);
        for (int v = 0; v < Vectors; ++v) {
            if (ended[v] == 0) continue;
            const unsigned taken =
                replace<skipInterior, fused>(group[v], lanePoints, v, ended[v], in);
            if constexpr (detectCycles) forgetOrbits(checkpoints, v, taken);
        }
    }
}

// Loads the coordinates p[0 .. count - 1] (count <= lanes), the other lanes 0.
HWY_INLINE V loadFirst(const double* p, std::size_t count) {
    if (count == lanes) return hn::LoadU(d, p);
    alignas(64) double part[lanes] = {};
    std::copy(p, p + count, part);
    return hn::Load(d, part);
}

bool productsStayNormal(const PointSource& points) {
    // As the scalar rule: a point whose im is not 0 (NaN included) needs |re| and |im| of at
    // least 2^-400 (NaN passes). A grid's columns are few: where they all pass, its rows decide
    // alone.
    const V least = hn::Set(d, 0x1p-400);
    const auto below = [&](V x) { return hn::Lt(hn::Abs(x), least); };
    const bool grid = points.rows != 0;
    const std::size_t columns = grid ? points.n / points.rows : 0;
    bool columnsPass = true;
    for (std::size_t i = 0; i < columns && columnsPass; ++i)
        columnsPass = halcyone::productsStayNormal(points.re[i], 1.0);
    const std::size_t n = grid ? points.rows : points.n;
    M risky = hn::FirstN(d, 0), offAxis = hn::FirstN(d, 0);
    for (std::size_t k = 0; k < n; k += lanes) {
        const std::size_t count = std::min(lanes, n - k);
        const V im = loadFirst(points.im + k, count);  // a tail's other lanes 0: on the axis
        const M off = hn::Not(hn::Eq(im, hn::Zero(d)));
        M tooSmall = below(im);
        if (!grid) tooSmall = hn::Or(tooSmall, below(loadFirst(points.re + k, count)));
        risky = hn::Or(risky, hn::And(off, tooSmall));
        offAxis = hn::Or(offAxis, off);
    }
    return hn::AllFalse(d, risky) && (columnsPass || hn::AllFalse(d, offAxis));
}

template <bool skipInterior, bool detectCycles, bool fused>
void finish(Input& in) {
    iterate<skipInterior, detectCycles, fused, vectorsInFlight>(in, drainVectors * lanes);
    if (in.survivors.size != in.survivors.head)
        iterate<skipInterior, detectCycles, fused, drainVectors>(in, 0);
}

template <bool skipInterior, bool detectCycles>
void run(const PointSource& points, std::uint8_t* out, int floor) {
    Input in;
    in.points = PointCursor{points};
    in.out = out;
    in.floor = std::clamp(floor, 1, maxEscapeCount);
    in.tests = maxEscapeCount + 1 - in.floor;
    in.screenedSteps = static_cast<int>(std::min<std::int64_t>(screeningSteps, in.tests));
    in.survivors.head = 0;
    in.survivors.size = 0;
    // Short batches, and batches whose counts end early under a floor, often end here, before
    // checking for the fused step would pay.
    screen<skipInterior, false>(in);
    if (in.survivors.size == 0 && in.points.done()) return;
    if (productsStayNormal(points))
        finish<skipInterior, detectCycles, true>(in);
    else
        finish<skipInterior, detectCycles, false>(in);
}

void counts(const PointSource& points, std::uint8_t* out, const KernelOptions& options) {
    withKernelFlags(options, [&](auto skipInterior, auto detectCycles) {
        run<decltype(skipInterior)::value, decltype(detectCycles)::value>(points, out,
                                                                          options.floor);
    });
}

// ---- Matching in step.

// Rows matched in step at a time.
constexpr std::size_t rowsInStep = matchVectors * lanes;
constexpr std::size_t rowsPerWord = 64;
static_assert(rowsPerWord % rowsInStep == 0);

// words[slotAt[t]] |= (the rows that fail test t after passing every test before it) << shift,
// for each t up to lastTest with slotAt[t] >= 0, for the n (1..rowsInStep) rows from im. The
// imaginary part takes two steps: these points take a few tests each, too few for checking
// whether the fused one would be exact to pay.
HWY_INLINE void matchRows(V cRe, const double* im, std::size_t n, int lastTest,
                            const std::int8_t* slotAt, V two, std::uint64_t* words,
                            unsigned shift) {
    V zRe[matchVectors], zIm[matchVectors], cIm[matchVectors];
    M passed[matchVectors];  // lanes that passed every test so far
    std::uint64_t passedBits = 0;  // the same as the bits of one word, for the bookkeeping
    HWY_UNROLL(8)
    for (int v = 0; v < matchVectors; ++v) {
        const std::size_t first = static_cast<std::size_t>(v) * lanes;
        const std::size_t count = first >= n ? 0 : std::min(lanes, n - first);
        passed[v] = hn::FirstN(d, count);
        passedBits |= static_cast<std::uint64_t>(laneBits(passed[v])) << (v * lanes);
        cIm[v] = count == 0 ? hn::Zero(d) : loadFirst(im + first, count);
        zRe[v] = cRe;
        zIm[v] = cIm[v];
    }
    for (int test = 0;; ++test) {
        // Each vector's next orbit is made as soon as its test is, so that re2 and im2 need not
        // stay live across the bookkeeping (they would spill); the masks pass to the bookkeeping
        // as bits, so that the vectors' masks need no copies (there are too few mask registers).
        // The step after the last test is wasted, and cheaper than either.
        std::uint64_t nowBits = 0;
        HWY_UNROLL(8)
        for (int v = 0; v < matchVectors; ++v) {
            const V re2 = hn::Mul(zRe[v], zRe[v]);
            const V im2 = hn::Mul(zIm[v], zIm[v]);
            passed[v] = lanesAtMost(passed[v], hn::Add(re2, im2), hn::Set(d, bailoutSquared));
            nowBits |= static_cast<std::uint64_t>(laneBits(passed[v])) << (v * lanes);
            zIm[v] = nextIm<false>(zRe[v], zIm[v], cIm[v], two);
            zRe[v] = hn::Add(hn::Sub(re2, im2), cRe);
        }
        if (const int slot = slotAt[test]; slot >= 0)
            words[slot] |= (passedBits & ~nowBits) << shift;
        // Done at the deepest test that counts, or once every point has escaped.
        if (test == lastTest || nowBits == 0) return;
        passedBits = nowBits;
    }
}

// Whether all n rows (1..64) from im are surely inside the set in column re: then none fails a
// test, and no row has any count but 0. Tries the two ends of the rows first: where both are
// inside, most often the rows between are too.
HWY_NOINLINE bool rowsSurelyInside(double re, const double* im, std::size_t n) {
    if (!surelyInsideSet(re, im[0]) || !surelyInsideSet(re, im[n - 1])) return false;
    const V cRe = hn::Set(d, re);
    for (std::size_t first = 0; first < n; first += lanes) {
        const std::size_t count = std::min(lanes, n - first);
        const M present = hn::FirstN(d, count);
        if (laneBits(surelyInsideLanes<false>(present, cRe, loadFirst(im + first, count))) !=
            laneBits(present))
            return false;
    }
    return true;
}

void matchCounts(double re, const double* im, std::size_t n, const int* counts, int countsSize,
                 std::uint64_t* bits) {
    std::int8_t slotAt[maxEscapeCount + 1];
    std::fill(std::begin(slotAt), std::end(slotAt), -1);
    int lastTest = 0;
    for (int k = 0; k < countsSize; ++k) {
        const int test = maxEscapeCount - std::clamp(counts[k], 1, maxEscapeCount);
        slotAt[test] = static_cast<std::int8_t>(k);
        lastTest = std::max(lastTest, test);
    }
    const V two = opaque(hn::Set(d, 2.0));
    const V cRe = hn::Set(d, re);
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
            for (std::size_t done = 0; done < m; done += rowsInStep)
                matchRows(cRe, im + first + done, std::min(rowsInStep, m - done), lastTest, slotAt,
                          two, word, static_cast<unsigned>(done));
        for (int k = 0; k < countsSize; ++k)
            bits[static_cast<std::size_t>(k) * words + w] = word[k];
    }
}

}  // namespace

const EscapeKernels kernels = {&counts, &productsStayNormal, &matchCounts};

}  // namespace HWY_NAMESPACE
}  // namespace halcyone
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace halcyone {

const EscapeKernels* compiledEscapeKernels(EscapeIsa isa) {
    switch (isa) {
#if HWY_TARGETS & HWY_EMU128
        case EscapeIsa::Scalar:
            return &N_EMU128::kernels;
#elif HWY_TARGETS & HWY_SCALAR
        case EscapeIsa::Scalar:
            return &N_SCALAR::kernels;
#endif
#if HWY_TARGETS & HWY_NEON
        case EscapeIsa::Neon:
            return &N_NEON::kernels;
#endif
#if HWY_TARGETS & HWY_AVX2
        case EscapeIsa::Avx2:
            return &N_AVX2::kernels;
#endif
#if HWY_TARGETS & HWY_AVX3
        case EscapeIsa::Avx512:
            return &N_AVX3::kernels;
#endif
        default:
            return nullptr;
    }
}

}  // namespace halcyone
#endif  // HWY_ONCE
