#pragma once

#include <cstdint>

namespace halcyone {

// A 24-bit colour stored as 0x00BBGGRR (red in the low byte).
using Colour = std::uint32_t;

constexpr Colour makeColour(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int redOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr Colour black = 0;

}  // namespace halcyone
