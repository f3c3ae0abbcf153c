// A rectangle of pixels on the piano keyboard's images.
#pragma once

#include <cstdint>

namespace halcyone {

// Half-open pixel rectangle: (px, py) is inside when left <= px < right and top <= py < bottom,
// and a fill covers exactly those pixels.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr bool contains(int px, int py) const {
        return left <= px && px < right && top <= py && py < bottom;
    }
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

}  // namespace halcyone
