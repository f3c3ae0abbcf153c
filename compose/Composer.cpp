#include "compose/Composer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "compose/AppState.h"
#include "compose/ComposeFold.h"
#include "compose/ComposeGrid.h"
#include "compose/ComposeSampler.h"
#include "compose/ComposeSettings.h"
#include "compose/NotePools.h"

namespace halcyone {

namespace {

// Columns sampled in parallel before they are folded and the progress is pulsed: at most this
// many samples, so that a window repaints often even at 999 bars of "1/64" (64k rows a column);
// at least a few columns for each core; never more than the block buffer holds.
constexpr int samplesPerPulse = 1 << 19;
constexpr int minBlockColumns = 8;
constexpr int maxBlockColumns = 256;

std::array<ColumnSample, maxBlockColumns> columnBlock;
std::array<std::uint8_t, maxSquareSide * maxSquareSide> squareSamples;

int blockColumnsFor(int rows) {
    return std::clamp(samplesPerPulse / std::max(rows, 1), minBlockColumns, maxBlockColumns);
}

enum class Scan { Ended, Stopped };

Scan scanColumns(const ScanSettings& settings, const SampleGrid& grid, ScanFold& fold,
                 ComposeProgress& progress, ComposeExecution execution,
                 ColumnMatchesTable* table) {
    const int block = blockColumnsFor(grid.side);
    const ParallelColumnSampler sampler(settings, grid,
                                        execution == ComposeExecution::ParallelFullCounts
                                            ? SampleCounts::InFull
                                            : SampleCounts::AsNeeded,
                                        table);
    // The reference runs every column of the grid until the fold ends the scan; the parallel
    // path knows beforehand where that will be.
    const int columns =
        execution == ComposeExecution::Reference ? settings.gridSize : settings.columnsToScan;
    for (int first = 0; first < columns; first += block) {
        const int count = std::min(block, columns - first);
        if (execution == ComposeExecution::Reference) {
            for (int t = 0; t < count; ++t)
                if (!fold.takeColumn(sampleColumnReference(settings, grid, first + t)))
                    return Scan::Ended;
        } else {
            sampler.sampleColumns(first, count, columnBlock.data());
            for (int t = 0; t < count; ++t)
                if (!fold.takeColumn(columnBlock[static_cast<std::size_t>(t)])) return Scan::Ended;
        }
        if (!progress.pulse()) return Scan::Stopped;
    }
    return Scan::Ended;
}

// The square has at most 253 x 253 samples: one pulse after sampling them is enough. The
// reference samples as it folds, so that it stops sampling where the scan stops.
Scan playSquare(const SampleGrid& grid, ScanFold& fold, ComposeProgress& progress,
                ComposeExecution execution) {
    const int side = grid.side;
    if (execution == ComposeExecution::Reference) {
        for (int column = 0; column < side; ++column)
            for (int row = 0; row < side; ++row)
                if (!fold.takeSquareSample(grid.sample(column, row))) return Scan::Ended;
        return progress.pulse() ? Scan::Ended : Scan::Stopped;
    }
    sampleSquareParallel(grid, squareSamples.data());
    if (!progress.pulse()) return Scan::Stopped;
    for (int t = 0; t < side * side; ++t)
        if (!fold.takeSquareSample(squareSamples[static_cast<std::size_t>(t)])) break;
    return Scan::Ended;
}

}  // namespace

ComposeResult composeChannel(Channel& channel, const ComposeInputs& inputs,
                             ComposeProgress& progress, ComposeExecution execution,
                             SharedColumnScans* shared) {
    buildScalePool(channel);
    buildKeyboardPool(channel);
    const ViewRect view = composedView(channel, inputs);
    clearChannelEvents(channel);
    const ScanSettings settings = scanSettingsFor(channel, inputs.barCount, appState.startColour);
    appState.barCount = settings.barCount;
    if (!channel.enabled()) return ComposeResult::Off;

    ScanFold fold(channel, settings, progress);
    const Scan scan =
        settings.mode == static_cast<int>(ScanMode::PlaySquare)
            ? playSquare(SampleGrid{view, settings.squareSide}, fold, progress, execution)
            : scanColumns(settings, SampleGrid{view, settings.gridSize}, fold, progress, execution,
                          execution == ComposeExecution::Parallel && shared != nullptr
                              ? shared->tableFor(view, settings)
                              : nullptr);
    channel.rawEventsExtent = fold.rawCount();
    joinRepeatedNotes(channel, fold.rawCount());
    return scan == Scan::Stopped ? ComposeResult::Stopped : ComposeResult::Composed;
}

void joinRepeatedNotes(Channel& channel, int rawCount) {
    const bool join = channel.allNotes == 0;
    int joined = 0;
    for (int i = 0; i < std::min(rawCount, maxEvents); ++i) {
        const NoteEvent& raw = channel.rawEvents[static_cast<std::size_t>(i)];
        if (join && joined > 0) {
            NoteEvent& last = channel.events[static_cast<std::size_t>(joined - 1)];
            if (raw.step != 0 && raw.bar == last.bar && raw.note == last.note) {
                last.length += raw.length;
                continue;
            }
        }
        channel.events[static_cast<std::size_t>(joined++)] = raw;
    }
    channel.eventsExtent = std::max(channel.eventsExtent, joined);
}

}  // namespace halcyone
