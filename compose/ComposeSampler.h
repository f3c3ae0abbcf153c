// The samples one column of a column scan yields, taken either the plain way (the reference) or
// in parallel through the batch routines. Both give the same ColumnSample for every column.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

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

// Where the rows with the channel's colour lie in one column: all that "Up border", "Down
// border" and "Average amount" need of it besides the controllers.
struct ColumnMatches {
    std::int32_t first;   // the first row with the colour; -1: none
    std::int32_t second;  // the second; -1: fewer than two
    std::int32_t last;    // the last
    std::int32_t count;
};

// The column matches of one grid for one or more colours, filled from column 0 on by the first
// channel that scans them and read by the others: one colour of any kind, or several colours
// that belong to one count each, all found in the same pass. A table is filled and read by one
// sampler at a time.
struct ColumnMatchesTable {
    ViewRect view;
    int side = 0;
    std::vector<std::array<bool, escapeCountValues>> colours;  // the counts that have each colour
    // columns[column * colours.size() + colour], left unwritten until the pass that fills it,
    // which shares the first touch of its memory out over the threads.
    std::unique_ptr<ColumnMatches[]> columns;
    int filled = 0;  // columns 0 .. filled - 1 are known

    // The table's colour that a channel of `settings` looks for on `view`; -1 if none.
    int colourFor(const ViewRect& view, const ScanSettings& settings) const;
};

// Samples blocks of columns on all cores. Rows are tested for the channel's colour in runs and
// turned into bits: border modes walk from their edge in growing runs, so that little is
// computed past an early match; "Average amount" takes whole columns and samples the
// controllers once, at the row the reference ends on. Rows that only look for the colour
// iterate no further than the colour's lowest count allows, and not at all when no count has
// the colour; a colour of one count alone is matched without counting; controller samples get
// their exact counts. With a table, every column is taken whole once and its matches kept, so
// that channels of any of the three modes share them. The row coordinates live in a static table
// sized for the largest grid: one sampler at a time, created and used by the thread that
// composes. Requires grid.side <= maxGridSize.
class ParallelColumnSampler {
public:
    ParallelColumnSampler(const ScanSettings& settings, const SampleGrid& grid,
                          SampleCounts counts = SampleCounts::AsNeeded,
                          ColumnMatchesTable* table = nullptr);

    // out[t] = the sample of column first + t, for t < count. With a table, the columns must
    // follow the ones sampled before (first <= table->filled) and lie within it.
    void sampleColumns(int first, int count, ColumnSample* out) const;

private:
    ColumnSample sampleColumn(int column) const;
    // Walks rows from the top ("Up border") or from the bottom ("Down border") to the first match.
    ColumnSample border(int column, bool fromBottom) const;
    // The matches of the colours of one pass over the column: the table's, or the channel's.
    void wholeColumn(int column, ColumnMatches* matches) const;
    ColumnSample fromMatches(int column, const ColumnMatches& matches) const;
    // Bit t of bits[t / 64] set when row `row + t` has the colour, for t < n; none past n.
    void matchRows(double re, int row, int n, std::uint64_t* bits) const;
    // Samples each enabled slot i at row firstRow + direction * i.
    void sampleSlots(int column, int firstRow, int direction, ColumnSample& out) const;
    const double* rowsFrom(int row) const;

    const ScanSettings& settings_;
    const SampleGrid& grid_;
    ColumnMatchesTable* table_;
    int tableColour_ = 0;  // the channel's colour in the table
    EscapeMethod method_;
    int floor_;  // the lowest count that the rows looking for the colour need
    // The counts whose colour is the channel's: black is the colour of count 0 and of at most one
    // other count, any other colour of at most one count. Unused entries repeat the first.
    std::array<std::uint8_t, 2> matchingCounts_{};
    // The one count that has the colour, when only one does and the rows looking for it need
    // nothing else: found by matchEscapeCounts. 0 otherwise.
    int soleCount_ = 0;
    // The counts of a table of several colours, one for each, that a whole-column pass looks
    // for at once; none when the pass looks for the channel's colour alone.
    std::array<int, matchCountsMost> passCounts_{};
    int passCountsSize_ = 0;
};

// Every sample of the "Play square" grid, column by column: out[column * side + row]. Parallel.
// Requires grid.side <= maxSquareSide.
void sampleSquareParallel(const SampleGrid& grid, std::uint8_t* out);

}  // namespace halcyone
