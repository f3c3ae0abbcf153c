// The points the composer samples: a square grid of `side` columns and rows over a view.
#pragma once

#include <cstdint>

#include "fractal/ViewRect.h"

namespace halcyone {

// Coordinate of grid line `index` between low and high: the product is formed before the
// division, so every path that samples the grid computes the very same double.
inline double gridCoordinate(double low, double high, int index, int side) {
    return low + ((high - low) * index) / side;
}

// Whether two views are the same bit for bit: NaN coordinates make views that compare unequal
// but sample alike.
bool sameViewBits(const ViewRect& a, const ViewRect& b);

struct SampleGrid {
    ViewRect view;
    int side;

    double re(int column) const { return gridCoordinate(view.X1, view.X2, column, side); }
    double im(int row) const { return gridCoordinate(view.Y1, view.Y2, row, side); }

    // Escape count at (column, row), one escapeCount call; 0 past the far edge (a column or row
    // greater than side). Rows above row 0 lie beyond Y1 and are sampled like any other.
    std::uint8_t sample(int column, int row) const;
};

}  // namespace halcyone
