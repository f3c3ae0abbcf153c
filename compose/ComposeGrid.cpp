#include "compose/ComposeGrid.h"

#include "fractal/FractalPlane.h"

namespace halcyone {

std::uint8_t SampleGrid::sample(int column, int row) const {
    if (column > side || row > side) return 0;
    return escapeCount(re(column), im(row));
}

}  // namespace halcyone
