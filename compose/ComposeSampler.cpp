#include "compose/ComposeSampler.h"

#include <algorithm>

#include "fractal/EscapeBatch.h"

namespace halcyone {

namespace {

// Controller rows lie up to six rows beyond the row that chose the note.
constexpr int controllerReach = midiParameterCount;
// A border walk starts with enough rows to fill the batch routine's vector lanes and doubles
// from there: an early match wastes little, and a long walk pays little per-call overhead.
constexpr int firstBorderBatch = 32;
constexpr int maxBorderBatch = 128;
constexpr int averageBatch = 256;
constexpr int rowBatchCapacity = std::max(maxBorderBatch, averageBatch);
// Columns handed to a thread at a time; column costs differ a lot, so keep this small.
constexpr int columnsPerTask = 2;
constexpr int squareColumnsPerTask = 4;

// Imaginary parts of rows -controllerReach .. maxGridSize of the grid being scanned.
std::array<double, controllerReach + maxGridSize + 1> rowIm;

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

ParallelColumnSampler::ParallelColumnSampler(const ScanSettings& settings, const SampleGrid& grid)
    : settings_(settings), grid_(grid) {
    for (int row = -controllerReach; row <= grid.side; ++row)
        rowIm[static_cast<std::size_t>(row + controllerReach)] = grid.im(row);
}

const double* ParallelColumnSampler::rowsFrom(int row) const {
    return rowIm.data() + controllerReach + row;
}

void ParallelColumnSampler::sampleColumns(int first, int count, ColumnSample* out) const {
#pragma omp parallel for schedule(dynamic, columnsPerTask)
    for (int t = 0; t < count; ++t) out[t] = sampleColumn(first + t);
}

ColumnSample ParallelColumnSampler::sampleColumn(int column) const {
    std::array<double, rowBatchCapacity> re;  // the column's real part, once per row of a batch
    re.fill(grid_.re(column));
    switch (static_cast<ScanMode>(settings_.mode)) {
        case ScanMode::UpBorder:
            return border(column, re.data(), false);
        case ScanMode::DownBorder:
            return border(column, re.data(), true);
        case ScanMode::AverageAmount:
            return averageAmount(column, re.data());
        default:
            return ColumnSample{};
    }
}

ColumnSample ParallelColumnSampler::border(int column, const double* re, bool fromBottom) const {
    ColumnSample out{};
    std::array<std::uint8_t, maxBorderBatch> counts;
    const int side = grid_.side;
    int batch = firstBorderBatch;
    for (int done = 0; done < side; done += batch, batch = std::min(2 * batch, maxBorderBatch)) {
        const int n = std::min(batch, side - done);
        const int lowest = fromBottom ? side - done - n : done;  // rows lowest .. lowest + n - 1
        escapeCountBatch(re, rowsFrom(lowest), counts.data(), static_cast<std::size_t>(n));
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

ColumnSample ParallelColumnSampler::averageAmount(int column, const double* re) const {
    ColumnSample out{};
    std::array<std::uint8_t, averageBatch> counts;
    const int side = grid_.side;
    int lastRowAtOne = side - 1;  // the last row walked while exactly one match was counted
    for (int row = 0; row < side; row += averageBatch) {
        const int n = std::min(averageBatch, side - row);
        escapeCountBatch(re, rowsFrom(row), counts.data(), static_cast<std::size_t>(n));
        for (int t = 0; t < n; ++t) {
            if (!settings_.matchesColour[counts[t]]) continue;
            if (++out.k == 2) lastRowAtOne = row + t - 1;
        }
    }
    // The reference re-samples the controllers on every row while the count is 1; the samples
    // are pure, so the last of those rows alone decides them.
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
    escapeCountBatch(re.data(), im.data(), counts.data(), static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) out.params[slotOf[t]] = counts[t];
}

void sampleSquareParallel(const SampleGrid& grid, std::uint8_t* out) {
    const int side = grid.side;
    std::array<double, maxSquareSide> im;
    for (int row = 0; row < side; ++row) im[row] = grid.im(row);
#pragma omp parallel for schedule(dynamic, squareColumnsPerTask)
    for (int column = 0; column < side; ++column) {
        std::array<double, maxSquareSide> re;
        re.fill(grid.re(column));
        escapeCountBatch(re.data(), im.data(), out + column * side, static_cast<std::size_t>(side));
    }
}

}  // namespace halcyone
