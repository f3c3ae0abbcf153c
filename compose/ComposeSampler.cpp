#include "compose/ComposeSampler.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "fractal/EscapeBatch.h"
#include "fractal/ParallelLoop.h"

namespace halcyone {

namespace {

// Controller rows lie up to six rows beyond the row that chose the note.
constexpr int controllerReach = midiParameterCount;
// A border walk starts with a few words of rows and doubles from there: an early match wastes
// little, and a long walk pays little per-call overhead. Past a black match lie mostly points
// inside the set, the dearest of all: 128 beat 256 and more. Rows matched without counting are
// cheap enough to take more at a time.
constexpr int firstBorderBatch = 64;
constexpr int maxBorderBatch = 128;
constexpr int maxSoleCountBorderBatch = 512;
// Whole columns are taken in runs this long: the vector lanes run dry only at the end of a run.
constexpr int columnRun = 16384;
// Columns handed to a thread at a time; column costs differ a lot, so keep this small.
constexpr int columnsPerTask = 2;
constexpr int squareColumnsPerTask = 4;
// Fewer samples than this stay on the calling thread: waking the other threads costs more than
// they would save, and on a busy machine a parallel region can wait milliseconds for a core.
constexpr long parallelFromSamples = 1 << 14;

// Imaginary parts of rows -controllerReach .. maxGridSize of the grid being scanned.
std::array<double, controllerReach + maxGridSize + 1> rowIm;

// Bit k of the result set when bytes[k] is a or b, for k < 8: each byte of the differences is
// tested for zero without carries between bytes, and the eight answers gathered by a multiply.
std::uint64_t equalByteBits(const std::uint8_t* bytes, std::uint8_t a, std::uint8_t b) {
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
    constexpr std::uint64_t high = 0x8080808080808080;
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t gather = 0x0102040810204080;  // byte k's low bit to bit 56 + k
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    const auto zeroBytes = [](std::uint64_t x) { return ~((((x & low7) + low7) | x)) & high; };
    const std::uint64_t equal = zeroBytes(word ^ (ones * a)) | zeroBytes(word ^ (ones * b));
    return ((equal >> 7) * gather) >> 56;
}

// How many bits of the n words are set. Without POPCNT in the baseline instruction set each count
// would be a library call: where the compiler can, the loop is also built for processors that
// have it, and the better one is picked when the program starts.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && \
    !defined(HALCYONE_NO_TARGET_CLONES)
[[gnu::target_clones("popcnt", "default")]]
#endif
int setBits(const std::uint64_t* words, int n) {
    int count = 0;
    for (int w = 0; w < n; ++w) count += std::popcount(words[w]);
    return count;
}

// Rows of bit sets as matchRows makes them, n of them: the lowest and highest set, or -1; and the
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

// Steps over set bits one at a time: k is 1 or 2 where it is used, and a population count per
// word would be a library call on processors without POPCNT.
int nthBit(const std::uint64_t* bits, int words, int k) {
    for (int w = 0; w < words; ++w)
        for (std::uint64_t word = bits[w]; word != 0; word &= word - 1)
            if (--k == 0) return w * 64 + std::countr_zero(word);
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

int ColumnMatchesTable::colourFor(const ViewRect& v, const ScanSettings& settings) const {
    if (!sameViewBits(view, v) || side != settings.gridSize) return -1;
    const auto found = std::find(colours.begin(), colours.end(), settings.matchesColour);
    return found == colours.end() ? -1 : static_cast<int>(found - colours.begin());
}

ParallelColumnSampler::ParallelColumnSampler(const ScanSettings& settings, const SampleGrid& grid,
                                             SampleCounts counts, ColumnMatchesTable* table)
    : settings_(settings),
      grid_(grid),
      table_(table),
      method_(escapeMethodInUse()),
      floor_(counts == SampleCounts::AsNeeded ? settings.countFloor : 0) {
    int values = 0;
    for (int v = 0; v < escapeCountValues && values < 2; ++v)
        if (settings.matchesColour[v]) matchingCounts_[values++] = static_cast<std::uint8_t>(v);
    if (values == 1) matchingCounts_[1] = matchingCounts_[0];
    if (counts == SampleCounts::AsNeeded) soleCount_ = soleMatchingCount(settings);
    if (table_ != nullptr) {
        tableColour_ = table_->colourFor(grid.view, settings);
        // A table of several colours holds colours of one count each, found in one pass.
        if (table_->colours.size() > 1)
            for (const auto& colour : table_->colours)
                for (int v = 1; v < escapeCountValues; ++v)
                    if (colour[v] && passCountsSize_ < matchCountsMost)
                        passCounts_[passCountsSize_++] = v;
    }
    for (int row = -controllerReach; row <= grid.side; ++row)
        rowIm[static_cast<std::size_t>(row + controllerReach)] = grid.im(row);
}

const double* ParallelColumnSampler::rowsFrom(int row) const {
    return rowIm.data() + controllerReach + row;
}

void ParallelColumnSampler::sampleColumns(int first, int count, ColumnSample* out) const {
    const bool parallel = static_cast<long>(count) * grid_.side >= parallelFromSamples;
    parallelSlices(
        count, columnsPerTask,
        [&](int from, int to) {
            for (int t = from; t < to; ++t) out[t] = sampleColumn(first + t);
        },
        parallel ? 0 : 1);
    if (table_ != nullptr) table_->filled = std::max(table_->filled, first + count);
}

ColumnSample ParallelColumnSampler::sampleColumn(int column) const {
    // Every column a rest where no count has the colour or the mode scans no columns.
    if (settings_.countFloor == noMatchingCount || !scansColumns(settings_.mode))
        return ColumnSample{};
    const auto mode = static_cast<ScanMode>(settings_.mode);
    if (table_ != nullptr) {
        const std::size_t colours = table_->colours.size();
        ColumnMatches* matches = &table_->columns[static_cast<std::size_t>(column) * colours];
        if (column >= table_->filled) wholeColumn(column, matches);
        return fromMatches(column, matches[tableColour_]);
    }
    if (mode == ScanMode::AverageAmount) {
        ColumnMatches matches;
        wholeColumn(column, &matches);
        return fromMatches(column, matches);
    }
    return border(column, mode == ScanMode::DownBorder);
}

void ParallelColumnSampler::matchRows(double re, int row, int n, std::uint64_t* bits) const {
    if (soleCount_ != 0) {
        matchEscapeCounts(re, {rowsFrom(row), static_cast<std::size_t>(n)}, {&soleCount_, 1},
                          bits);
        return;
    }
    std::array<std::uint8_t, columnRun + 8> counts;
    escapeCountColumnsWith(method_, {&re, 1}, {rowsFrom(row), static_cast<std::size_t>(n)},
                           counts.data(), floor_);
    // Past the last row: a count that has not the colour.
    std::uint8_t other = 1;
    while (other == matchingCounts_[0] || other == matchingCounts_[1]) ++other;
    std::fill(counts.begin() + n, counts.begin() + (n + 63) / 64 * 64, other);
    for (int t = 0; t < n; t += 8)
        bits[t / 64] = (t % 64 == 0 ? 0 : bits[t / 64]) |
                       equalByteBits(counts.data() + t, matchingCounts_[0], matchingCounts_[1])
                           << (t % 64);
}

ColumnSample ParallelColumnSampler::border(int column, bool fromBottom) const {
    const double re = grid_.re(column);
    std::array<std::uint64_t, maxSoleCountBorderBatch / 64> bits;
    const int side = grid_.side;
    const int maxBatch = soleCount_ != 0 ? maxSoleCountBorderBatch : maxBorderBatch;
    int batch = firstBorderBatch;
    for (int done = 0; done < side; done += batch, batch = std::min(2 * batch, maxBatch)) {
        const int n = std::min(batch, side - done);
        const int lowest = fromBottom ? side - done - n : done;  // rows lowest .. lowest + n - 1
        matchRows(re, lowest, n, bits.data());
        const int t = fromBottom ? highestBit(bits.data(), n) : lowestBit(bits.data(), n);
        if (t < 0) continue;
        const int row = lowest + t;
        return fromMatches(column, ColumnMatches{row, -1, row, 1});  // the one match it needs
    }
    return ColumnSample{};
}

void ParallelColumnSampler::wholeColumn(int column, ColumnMatches* matches) const {
    const double re = grid_.re(column);
    const int colours = std::max(passCountsSize_, 1);
    for (int k = 0; k < colours; ++k) matches[k] = ColumnMatches{-1, -1, -1, 0};
    std::array<std::uint64_t, matchCountsMost * columnRun / 64> bits;
    const int side = grid_.side;
    for (int row = 0; row < side; row += columnRun) {
        const int n = std::min(columnRun, side - row);
        const int words = (n + 63) / 64;
        if (passCountsSize_ > 0)
            matchEscapeCounts(re, {rowsFrom(row), static_cast<std::size_t>(n)},
                              {passCounts_.data(), static_cast<std::size_t>(passCountsSize_)},
                              bits.data());
        else
            matchRows(re, row, n, bits.data());  // the channel's own colour
        for (int k = 0; k < colours; ++k) {
            ColumnMatches& m = matches[k];
            const std::uint64_t* run = bits.data() + static_cast<std::size_t>(k) * words;
            const int here = setBits(run, words);
            if (here == 0) continue;
            if (m.count == 0) m.first = row + lowestBit(run, n);
            if (m.count < 2 && m.count + here >= 2) m.second = row + nthBit(run, words, 2 - m.count);
            m.last = row + highestBit(run, n);
            m.count += here;
        }
    }
}

ColumnSample ParallelColumnSampler::fromMatches(int column, const ColumnMatches& matches) const {
    ColumnSample out{};
    switch (static_cast<ScanMode>(settings_.mode)) {
        case ScanMode::UpBorder:
            if (matches.count == 0) break;
            out.k = matches.first;  // a match in row 0 counts as none
            if (settings_.anyParameter) sampleSlots(column, matches.first - 1, -1, out);
            break;
        case ScanMode::DownBorder:
            if (matches.count == 0) break;
            out.k = matches.last + 1;
            if (settings_.anyParameter) sampleSlots(column, matches.last + 2, +1, out);
            break;
        case ScanMode::AverageAmount: {
            out.k = matches.count;
            // The reference re-samples the controllers on every row while the count is 1; the
            // samples are pure, so the last of those rows alone decides them.
            const int lastRowAtOne = matches.count >= 2 ? matches.second - 1 : grid_.side - 1;
            if (out.k != 0 && settings_.anyParameter) sampleSlots(column, lastRowAtOne - 1, -1, out);
            break;
        }
        default:
            break;
    }
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
    parallelSlices(
        side, squareColumnsPerTask,
        [&](int first, int last) {
            escapeCountColumns({re.data() + first, static_cast<std::size_t>(last - first)}, rows,
                               out + first * side);
        },
        parallel ? 0 : 1);
}

}  // namespace halcyone
