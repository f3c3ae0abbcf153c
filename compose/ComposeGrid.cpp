#include "compose/ComposeGrid.h"

#include <array>
#include <bit>

#include "fractal/FractalPlane.h"

namespace halcyone {

bool sameViewBits(const ViewRect& a, const ViewRect& b) {
    const auto bits = [](const ViewRect& r) {
        return std::array{std::bit_cast<std::uint64_t>(r.X1), std::bit_cast<std::uint64_t>(r.X2),
                          std::bit_cast<std::uint64_t>(r.Y1), std::bit_cast<std::uint64_t>(r.Y2)};
    };
    return bits(a) == bits(b);
}

std::uint8_t SampleGrid::sample(int column, int row) const {
    if (column > side || row > side) return 0;
    return escapeCount(re(column), im(row));
}

}  // namespace halcyone
