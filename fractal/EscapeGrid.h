// Escape counts of a whole grid, shared out over the processor's cores.
#pragma once

#include <cstdint>
#include <span>

#include "fractal/EscapeBatch.h"

namespace halcyone {

// out[i * rowIm.size() + j] = escapeCount(columnRe[i], rowIm[j]) for every column i and row j,
// column by column. The caller computes each coordinate by its own exact formula; the grid
// never steps. Blocks of points are shared out over `threads` threads (0: workThreads()); the
// counts do not depend on the number of threads. Returns false, writing nothing, when `out` is
// too small.
bool escapeCountGrid(std::span<const double> columnRe, std::span<const double> rowIm,
                     std::span<std::uint8_t> out, int threads = 0,
                     EscapeMethod method = escapeMethodInUse());

}  // namespace halcyone
