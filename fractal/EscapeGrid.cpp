#include "fractal/EscapeGrid.h"

#include "fractal/ParallelLoop.h"

#include <algorithm>
#include <cstddef>

namespace halcyone {

namespace {
// Points per work item, in whole columns: the vector kernel's lanes run dry only at the end of a
// call, so longer is faster (with the interior test, 4096 iterates a fifth less than 1024 on the
// default view; 16384 saves another tenth without it), while each thread should get several
// items so that none waits long for the last: ten of the least still share a 200 x 200 preview
// between two cores.
constexpr std::size_t leastGridBlock = 4096;
constexpr std::size_t mostGridBlock = 16384;
constexpr std::size_t itemsPerThread = 8;
}  // namespace

bool escapeCountGrid(std::span<const double> columnRe, std::span<const double> rowIm,
                     std::span<std::uint8_t> out, int threads, EscapeMethod method) {
    const std::size_t rows = rowIm.size();
    const std::size_t total = columnRe.size() * rows;
    if (out.size() < total) return false;
    if (total == 0) return true;
    const int team = threads > 0 ? threads : workThreads();
    const std::size_t block = std::clamp(total / (static_cast<std::size_t>(team) * itemsPerThread),
                                         leastGridBlock, mostGridBlock);
    const std::size_t columnsPerBlock = std::max<std::size_t>(1, block / rows);
    const auto blocks = static_cast<int>((columnRe.size() + columnsPerBlock - 1) / columnsPerBlock);
    parallelSlices(
        blocks, 1,
        [&](int b, int) {
            const std::size_t first = static_cast<std::size_t>(b) * columnsPerBlock;
            const std::size_t count = std::min(columnsPerBlock, columnRe.size() - first);
            escapeCountColumnsWith(method, columnRe.subspan(first, count), rowIm,
                                   out.data() + first * rows);
        },
        team);
    return true;
}

}  // namespace halcyone
