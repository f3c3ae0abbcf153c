#include "compose/ComposeSampler.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "fractal/EscapeBatch.h"

namespace halcyone {

namespace {

// Controller rows lie up to six rows beyond the row that chose the note.
constexpr int controllerReach = midiParameterCount;
// A border walk starts with enough rows to fill the batch routine's vector lanes and doubles
// from there: an early match wastes little, and a long walk pays little per-call overhead. Past
// a black match lie mostly points inside the set, the dearest of all: 128 beat 256 and more.
constexpr int firstBorderBatch = 32;
constexpr int maxBorderBatch = 128;
// "Average amount" samples whole columns in runs this long: the vector lanes run dry only at the
// end of a run.
constexpr int averageBatch = 16384;
// Border walks by matching rows: one word of rows to begin with, doubling to eight.
constexpr int firstMatchBatch = 64;
constexpr int maxMatchBatch = 512;
// Columns handed to a thread at a time; column costs differ a lot, so keep this small.
constexpr int columnsPerTask = 2;
constexpr int squareColumnsPerTask = 4;
// Fewer samples than this stay on the calling thread: waking the other threads costs more than
// they would save, and on a busy machine a parallel region can wait milliseconds for a core.
constexpr long parallelFromSamples = 1 << 14;

// Imaginary parts of rows -controllerReach .. maxGridSize of the grid being scanned.
std::array<double, controllerReach + maxGridSize + 1> rowIm;

// How many of the n bytes equal `value`, eight at a time: each byte of the difference is tested
// for zero without carries between bytes, and the results are summed in eight byte-wide
// counters, emptied every 31 words so that their total stays below 256.
int countEqualBytes(const std::uint8_t* bytes, int n, std::uint8_t value) {
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr int wordsPerSum = 31;
    const std::uint64_t pattern = ones * value;
    int t = 0;
    int differ = 0;
    while (t + 8 <= n) {
        std::uint64_t sums = 0;
        for (int w = 0; w < wordsPerSum && t + 8 <= n; ++w, t += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + t, sizeof word);
            const std::uint64_t x = word ^ pattern;
            sums += ((((x & low7) + low7) | x) >> 7) & ones;  // 1 in each byte that differs
        }
        differ += static_cast<int>((sums * ones) >> 56);
    }
    int equal = t - differ;
    for (; t < n; ++t) equal += bytes[t] == value;
    return equal;
}

// Rows of the bit sets of matchEscapeCount, n of them: the lowest and highest set, or -1; and the
// row of the k-th set bit (k >= 1), which must exist.
int lowestBit(const std::uint64_t* bits, int n) {
    for (int w = 0; w * 64 < n; ++w)
        if (bits[w] != 0) return w * 64 + std::countr_zero(bits[w]);
    return -1;
}

int highestBit(const std::uint64_t* bits, int n) {
    for (int w = (n - 1) / 64; w >= 0; --w)
        if (bits[w] != 0) return w * 64 + 63 - std::countl_zero(bits[w]);
    return -1;
}

int nthBit(const std::uint64_t* bits, int words, int k) {
    for (int w = 0; w < words; ++w) {
        std::uint64_t word = bits[w];
        const int here = std::popcount(word);
        if (k > here) {
            k -= here;
            continue;
        }
        while (--k > 0) word &= word - 1;
        return w * 64 + std::countr_zero(word);
    }
    return -1;
}

}  // namespace

ColumnSample sampleColumnReference(const ScanSettings& settings, const SampleGrid& grid,
                                   int column) {
    ColumnSample out{};
    const int side = grid.side;
    const auto matches = [&](int row) { return settings.matchesColour[grid.sample(column, row)]; };
    const auto sampleSlots = [&](int firstRow, int direction) {
        for (int i = 0; i < midiParameterCount; ++i)
            if (settings.slotEnabled[i])
                out.params[i] = grid.sample(column, firstRow + direction * i);
    };
    switch (static_cast<ScanMode>(settings.mode)) {
        case ScanMode::UpBorder:
            for (int j = 0; j < side; ++j) {
                if (!matches(j)) continue;
                out.k = j;  // a match in row 0 counts as none
                if (settings.anyParameter) sampleSlots(j - 1, -1);
                break;
            }
            break;
        case ScanMode::DownBorder:
            for (int j = 0; j < side; ++j) {
                const int row = side - 1 - j;
                if (!matches(row)) continue;
                out.k = row + 1;
                if (settings.anyParameter) sampleSlots(row + 2, +1);
                break;
            }
            break;
        case ScanMode::AverageAmount:
            for (int j = 0; j < side; ++j) {
                if (matches(j)) ++out.k;
                if (out.k == 1 && settings.anyParameter) sampleSlots(j - 1, -1);
            }
            break;
        default:
            break;  // matches nothing: every column is a rest
    }
    return out;
}

ParallelColumnSampler::ParallelColumnSampler(const ScanSettings& settings, const SampleGrid& grid,
                                             SampleCounts counts)
    : settings_(settings),
      grid_(grid),
      method_(fastestEscapeMethod()),
      floor_(counts == SampleCounts::AsNeeded ? settings.countFloor : 0) {
    for (int v = 0; v < escapeCountValues; ++v)
        if (settings.matchesColour[v])
            matchingCounts_[matchingCountValues_++] = static_cast<std::uint8_t>(v);
    if (counts == SampleCounts::AsNeeded && matchingCountValues_ == 1 && matchingCounts_[0] != 0)
        soleCount_ = matchingCounts_[0];
    for (int row = -controllerReach; row <= grid.side; ++row)
        rowIm[static_cast<std::size_t>(row + controllerReach)] = grid.im(row);
}

const double* ParallelColumnSampler::rowsFrom(int row) const {
    return rowIm.data() + controllerReach + row;
}

void ParallelColumnSampler::sampleColumns(int first, int count, ColumnSample* out) const {
    const bool parallel = static_cast<long>(count) * grid_.side >= parallelFromSamples;
#pragma omp parallel for schedule(dynamic, columnsPerTask) if (parallel)
    for (int t = 0; t < count; ++t) out[t] = sampleColumn(first + t);
}

ColumnSample ParallelColumnSampler::sampleColumn(int column) const {
    if (floor_ == noMatchingCount) return ColumnSample{};  // every column a rest
    switch (static_cast<ScanMode>(settings_.mode)) {
        case ScanMode::UpBorder:
            return soleCount_ != 0 ? borderByMatches(column, false) : border(column, false);
        case ScanMode::DownBorder:
            return soleCount_ != 0 ? borderByMatches(column, true) : border(column, true);
        case ScanMode::AverageAmount:
            return soleCount_ != 0 ? averageAmountByMatches(column) : averageAmount(column);
        default:
            return ColumnSample{};
    }
}

ColumnSample ParallelColumnSampler::border(int column, bool fromBottom) const {
    ColumnSample out{};
    const double re = grid_.re(column);
    std::array<std::uint8_t, maxBorderBatch> counts;
    const int side = grid_.side;
    int batch = firstBorderBatch;
    for (int done = 0; done < side; done += batch, batch = std::min(2 * batch, maxBorderBatch)) {
        const int n = std::min(batch, side - done);
        const int lowest = fromBottom ? side - done - n : done;  // rows lowest .. lowest + n - 1
        escapeCountColumnsWith(method_, {&re, 1}, {rowsFrom(lowest), static_cast<std::size_t>(n)},
                               counts.data(), floor_);
        for (int walked = 0; walked < n; ++walked) {
            const int t = fromBottom ? n - 1 - walked : walked;
            if (!settings_.matchesColour[counts[t]]) continue;
            const int row = lowest + t;
            out.k = fromBottom ? row + 1 : row;  // an "Up border" match in row 0 counts as none
            if (settings_.anyParameter) {
                if (fromBottom)
                    sampleSlots(column, row + 2, +1, out);
                else
                    sampleSlots(column, row - 1, -1, out);
            }
            return out;
        }
    }
    return out;
}

ColumnSample ParallelColumnSampler::averageAmount(int column) const {
    ColumnSample out{};
    const double re = grid_.re(column);
    std::array<std::uint8_t, averageBatch> counts;
    const int side = grid_.side;
    int lastRowAtOne = side - 1;  // the last row walked while exactly one match was counted
    for (int row = 0; row < side; row += averageBatch) {
        const int n = std::min(averageBatch, side - row);
        escapeCountColumnsWith(method_, {&re, 1}, {rowsFrom(row), static_cast<std::size_t>(n)},
                               counts.data(), floor_);
        // Counted without branches; the batch that holds the second match is walked again.
        int matches = 0;
        for (int m = 0; m < matchingCountValues_; ++m)
            matches += countEqualBytes(counts.data(), n, matchingCounts_[m]);
        if (out.k < 2 && out.k + matches >= 2) {
            for (int t = 0, k = out.k;; ++t) {
                if (settings_.matchesColour[counts[t]] && ++k == 2) {
                    lastRowAtOne = row + t - 1;
                    break;
                }
            }
        }
        out.k += matches;
    }
    // The reference re-samples the controllers on every row while the count is 1; the samples
    // are pure, so the last of those rows alone decides them.
    if (out.k != 0 && settings_.anyParameter) sampleSlots(column, lastRowAtOne - 1, -1, out);
    return out;
}

ColumnSample ParallelColumnSampler::borderByMatches(int column, bool fromBottom) const {
    ColumnSample out{};
    const double re = grid_.re(column);
    std::array<std::uint64_t, maxMatchBatch / 64> bits;
    const int side = grid_.side;
    int batch = firstMatchBatch;
    for (int done = 0; done < side; done += batch, batch = std::min(2 * batch, maxMatchBatch)) {
        const int n = std::min(batch, side - done);
        const int lowest = fromBottom ? side - done - n : done;  // rows lowest .. lowest + n - 1
        matchEscapeCount(re, {rowsFrom(lowest), static_cast<std::size_t>(n)}, soleCount_,
                         bits.data());
        const int t = fromBottom ? highestBit(bits.data(), n) : lowestBit(bits.data(), n);
        if (t < 0) continue;
        const int row = lowest + t;
        out.k = fromBottom ? row + 1 : row;  // an "Up border" match in row 0 counts as none
        if (settings_.anyParameter) {
            if (fromBottom)
                sampleSlots(column, row + 2, +1, out);
            else
                sampleSlots(column, row - 1, -1, out);
        }
        return out;
    }
    return out;
}

ColumnSample ParallelColumnSampler::averageAmountByMatches(int column) const {
    ColumnSample out{};
    const double re = grid_.re(column);
    std::array<std::uint64_t, averageBatch / 64> bits;
    const int side = grid_.side;
    int lastRowAtOne = side - 1;  // as in averageAmount
    for (int row = 0; row < side; row += averageBatch) {
        const int n = std::min(averageBatch, side - row);
        matchEscapeCount(re, {rowsFrom(row), static_cast<std::size_t>(n)}, soleCount_,
                         bits.data());
        int matches = 0;
        const int words = (n + 63) / 64;
        for (int w = 0; w < words; ++w) matches += std::popcount(bits[static_cast<std::size_t>(w)]);
        if (out.k < 2 && out.k + matches >= 2)
            lastRowAtOne = row + nthBit(bits.data(), words, 2 - out.k) - 1;
        out.k += matches;
    }
    if (out.k != 0 && settings_.anyParameter) sampleSlots(column, lastRowAtOne - 1, -1, out);
    return out;
}

void ParallelColumnSampler::sampleSlots(int column, int firstRow, int direction,
                                        ColumnSample& out) const {
    std::array<double, midiParameterCount> re;
    std::array<double, midiParameterCount> im;
    std::array<std::uint8_t, midiParameterCount> counts;
    std::array<int, midiParameterCount> slotOf;
    int n = 0;
    for (int i = 0; i < midiParameterCount; ++i) {
        const int row = firstRow + direction * i;
        if (!settings_.slotEnabled[i] || row > grid_.side) continue;  // past Y2 the sample is 0
        re[n] = grid_.re(column);
        im[n] = *rowsFrom(row);
        slotOf[n++] = i;
    }
    if (n == 0) return;
    escapeCountBatchWith(method_, re.data(), im.data(), counts.data(), static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) out.params[slotOf[t]] = counts[t];
}

void sampleSquareParallel(const SampleGrid& grid, std::uint8_t* out) {
    const int side = grid.side;
    std::array<double, maxSquareSide> re;
    std::array<double, maxSquareSide> im;
    for (int k = 0; k < side; ++k) {
        re[static_cast<std::size_t>(k)] = grid.re(k);
        im[static_cast<std::size_t>(k)] = grid.im(k);
    }
    const std::span<const double> rows(im.data(), static_cast<std::size_t>(side));
    const bool parallel = static_cast<long>(side) * side >= parallelFromSamples;
#pragma omp parallel for schedule(dynamic) if (parallel)
    for (int first = 0; first < side; first += squareColumnsPerTask) {
        const int count = std::min(squareColumnsPerTask, side - first);
        escapeCountColumns({re.data() + first, static_cast<std::size_t>(count)}, rows,
                           out + first * side);
    }
}

}  // namespace halcyone
