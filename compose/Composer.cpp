#include "compose/Composer.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "compose/AppState.h"
#include "compose/ComposeFold.h"
#include "compose/ComposeGrid.h"
#include "compose/ComposeSampler.h"
#include "compose/ComposeSettings.h"
#include "compose/NotePools.h"
#include "platform/ControlSeam.h"

namespace halcyone {

namespace {

// Columns sampled in parallel before they are folded: few enough that the progress bar keeps
// moving during a long compose, enough to keep every core busy.
constexpr int blockColumns = 256;

std::array<ColumnSample, blockColumns> columnBlock;
std::array<std::uint8_t, maxSquareSide * maxSquareSide> squareSamples;

void scanColumns(const ScanSettings& settings, const SampleGrid& grid, ScanFold& fold,
                 ComposeExecution execution) {
    if (execution == ComposeExecution::Reference) {
        for (int column = 0; column < settings.gridSize; ++column)
            if (!fold.takeColumn(sampleColumnReference(settings, grid, column))) return;
        return;
    }
    const ParallelColumnSampler sampler(settings, grid);
    for (int first = 0; first < settings.columnsToScan; first += blockColumns) {
        const int count = std::min(blockColumns, settings.columnsToScan - first);
        sampler.sampleColumns(first, count, columnBlock.data());
        for (int t = 0; t < count; ++t)
            if (!fold.takeColumn(columnBlock[static_cast<std::size_t>(t)])) return;
    }
}

void playSquare(const SampleGrid& grid, ScanFold& fold, ComposeExecution execution) {
    const int side = grid.side;
    if (execution == ComposeExecution::Reference) {
        for (int column = 0; column < side; ++column)
            for (int row = 0; row < side; ++row)
                if (!fold.takeSquareSample(grid.sample(column, row))) return;
        return;
    }
    sampleSquareParallel(grid, squareSamples.data());
    for (int t = 0; t < side * side; ++t)
        if (!fold.takeSquareSample(squareSamples[static_cast<std::size_t>(t)])) return;
}

}  // namespace

int composeChannel(Channel& channel, ComposeExecution execution) {
    buildScalePool(channel);
    buildKeyboardPool(channel);
    const ViewRect view = viewFor(channel);
    clearEvents(channel.events);
    clearEvents(channel.rawEvents);
    const ScanSettings settings = scanSettingsFor(
        channel, sendToControl(ControlId::BarNumber, ControlMessage::GetPos), appState.startColour);
    appState.barCount = settings.barCount;
    if (!channel.enabled()) return 0;

    ScanFold fold(channel, settings);
    if (settings.mode == static_cast<int>(ScanMode::PlaySquare))
        playSquare(SampleGrid{view, settings.squareSide}, fold, execution);
    else
        scanColumns(settings, SampleGrid{view, settings.gridSize}, fold, execution);
    joinRepeatedNotes(channel, fold.rawCount());
    return 1;
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
}

}  // namespace halcyone
