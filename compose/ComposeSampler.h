// The samples one column of a column scan yields, taken either the plain way (the reference) or
// in parallel through the batch routines. Both give the same ColumnSample for every column.
#pragma once

#include <array>
#include <cstdint>

#include "compose/ComposeGrid.h"
#include "compose/ComposeSettings.h"
#include "fractal/EscapeBatch.h"

namespace halcyone {

struct ColumnSample {
    std::int32_t k;  // row position (border modes) or number of matches ("Average amount"); 0: rest
    std::array<std::uint8_t, midiParameterCount> params;  // 0 for a slot not sampled

    friend bool operator==(const ColumnSample&, const ColumnSample&) = default;
};

// Walks one column sample by sample with escapeCount, in the order of the mode, stopping at the
// first border match and re-sampling the controllers on every row while "Average amount" has
// counted exactly one match.
ColumnSample sampleColumnReference(const ScanSettings& settings, const SampleGrid& grid,
                                   int column);

enum class SampleCounts {
    AsNeeded,  // rows that look for the colour stop iterating once they cannot match
    InFull,    // every count in full, as before the cut-off: to compare it with
};

// Samples blocks of columns on all cores. Border modes walk rows in growing batches (32 up to
// 128) so that little is computed past an early match; "Average amount" counts whole columns
// and samples the controllers once, at the row the reference ends on. Rows that only look for
// the channel's colour iterate no further than the colour's lowest count allows (the counts
// below it read as 0), and not at all when no count has the colour; controller samples get
// their exact counts. The row coordinates live in a static table sized for the largest grid:
// one sampler at a time, created and used by the thread that composes. Requires
// grid.side <= maxGridSize.
class ParallelColumnSampler {
public:
    ParallelColumnSampler(const ScanSettings& settings, const SampleGrid& grid,
                          SampleCounts counts = SampleCounts::AsNeeded);

    // out[t] = the sample of column first + t, for t < count.
    void sampleColumns(int first, int count, ColumnSample* out) const;

private:
    ColumnSample sampleColumn(int column) const;
    // Walks rows from the top ("Up border") or from the bottom ("Down border") to the first match.
    ColumnSample border(int column, bool fromBottom) const;
    ColumnSample averageAmount(int column) const;
    // The same for a channel whose colour is that of one count alone, from the rows that have it.
    ColumnSample borderByMatches(int column, bool fromBottom) const;
    ColumnSample averageAmountByMatches(int column) const;
    // Samples each enabled slot i at row firstRow + direction * i.
    void sampleSlots(int column, int firstRow, int direction, ColumnSample& out) const;
    const double* rowsFrom(int row) const;

    const ScanSettings& settings_;
    const SampleGrid& grid_;
    EscapeMethod method_;
    int floor_;  // the lowest count that the rows looking for the colour need
    // The counts whose colour is the channel's (two at most: black is the colour of count 0 and
    // of at most one other count, any other colour of at most one count).
    std::array<std::uint8_t, escapeCountValues> matchingCounts_{};
    int matchingCountValues_ = 0;
    // The one count that has the colour, when only one does and the rows looking for it need
    // nothing else: found by matchEscapeCount. 0 otherwise.
    int soleCount_ = 0;
};

// Every sample of the "Play square" grid, column by column: out[column * side + row]. Parallel.
// Requires grid.side <= maxSquareSide.
void sampleSquareParallel(const SampleGrid& grid, std::uint8_t* out);

}  // namespace halcyone
