// Column scans shared between channels of one compose.
#pragma once

#include <vector>

#include "compose/ComposeInputs.h"
#include "fractal/ViewRect.h"

namespace halcyone {

struct ColumnMatchesTable;
struct ScanSettings;

// Whole-column scans that the channels looking for the same colour on the same grid share within
// one compose: the first of them to be composed keeps the matches of every column it scans, and
// the others, whatever their column mode, read them instead of sampling again.
class SharedColumnScans {
public:
    SharedColumnScans();
    ~SharedColumnScans();
    SharedColumnScans(const SharedColumnScans&) = delete;
    SharedColumnScans& operator=(const SharedColumnScans&) = delete;

    // Plans a table for each grid and colour that two or more of appState's channels that are
    // on scan by columns under `inputs`.
    void plan(const ComposeInputs& inputs);
    // The table of that grid and colour, or nullptr when no other channel shares it.
    ColumnMatchesTable* tableFor(const ViewRect& view, const ScanSettings& settings);

private:
    std::vector<ColumnMatchesTable> tables_;
};

}  // namespace halcyone
