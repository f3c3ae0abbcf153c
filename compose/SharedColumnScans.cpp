#include "compose/SharedColumnScans.h"

#include <algorithm>
#include <memory>

#include "compose/AppState.h"
#include "compose/ComposeGrid.h"
#include "compose/ComposeSampler.h"
#include "compose/ComposeSettings.h"

namespace halcyone {

SharedColumnScans::SharedColumnScans() = default;
SharedColumnScans::~SharedColumnScans() = default;

void SharedColumnScans::plan(const ComposeInputs& inputs) {
    tables_.clear();
    struct ColumnScan {
        ViewRect view;
        ScanSettings settings;
        int soleCount;  // the one count of the colour, or 0
        bool whole;     // "Average amount": takes whole columns anyway
        bool placed;
    };
    std::vector<ColumnScan> scans;
    for (const Channel& channel : appState.channels) {
        const ScanSettings s = scanSettingsFor(channel, inputs.barCount, appState.startColour);
        if (!channel.enabled() || s.countFloor == noMatchingCount || !scansColumns(s.mode))
            continue;
        scans.push_back({composedView(channel, inputs), s, soleMatchingCount(s),
                         s.mode == static_cast<int>(ScanMode::AverageAmount), false});
    }
    const auto sameGrid = [](const ColumnScan& a, const ColumnScan& b) {
        return sameViewBits(a.view, b.view) && a.settings.gridSize == b.settings.gridSize;
    };
    const auto addTable = [&](const ColumnScan& first) -> ColumnMatchesTable& {
        ColumnMatchesTable& table = tables_.emplace_back();
        table.view = first.view;
        table.side = first.settings.gridSize;
        return table;
    };
    const auto addColour = [](ColumnMatchesTable& table, ColumnScan& scan) {
        if (table.colourFor(scan.view, scan.settings) < 0)
            table.colours.push_back(scan.settings.matchesColour);
        scan.placed = true;
    };
    // Colours of one count each, on one grid, are found in one pass as deep as the lowest count
    // asks: worth it when a channel takes whole columns anyway and nobody needs a deeper pass
    // than the deepest of those.
    for (ColumnScan& scan : scans) {
        if (scan.placed || scan.soleCount == 0 || !scan.whole) continue;
        int deepest = scan.soleCount;
        for (const ColumnScan& other : scans)
            if (other.soleCount != 0 && other.whole && sameGrid(scan, other))
                deepest = std::min(deepest, other.soleCount);
        std::vector<ColumnScan*> members;
        for (ColumnScan& other : scans)
            if (!other.placed && other.soleCount >= deepest && sameGrid(scan, other))
                members.push_back(&other);
        if (members.size() < 2) continue;
        ColumnMatchesTable& table = addTable(scan);
        for (ColumnScan* member : members) addColour(table, *member);
    }
    // Otherwise channels that look for the same colour on the same grid share it.
    for (ColumnScan& scan : scans) {
        const auto sharesScan = [&](const ColumnScan& other) {
            return !other.placed && sameGrid(scan, other) &&
                   other.settings.matchesColour == scan.settings.matchesColour;
        };
        if (std::count_if(scans.begin(), scans.end(), sharesScan) < 2) continue;
        ColumnMatchesTable& table = addTable(scan);
        for (ColumnScan& same : scans)
            if (sharesScan(same)) addColour(table, same);
    }
    for (ColumnMatchesTable& table : tables_) {
        int columns = 0;
        for (const ColumnScan& scan : scans)
            if (table.colourFor(scan.view, scan.settings) >= 0)
                columns = std::max(columns, scan.settings.columnsToScan);
        table.columns = std::make_unique_for_overwrite<ColumnMatches[]>(
            static_cast<std::size_t>(columns) * table.colours.size());
    }
}

ColumnMatchesTable* SharedColumnScans::tableFor(const ViewRect& view,
                                                const ScanSettings& settings) {
    for (ColumnMatchesTable& table : tables_)
        if (table.colourFor(view, settings) >= 0) return &table;
    return nullptr;
}

}  // namespace halcyone
