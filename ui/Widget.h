// What the piano keyboard's parts (keys, octaves, the keyboard) share: a position and a size in
// their parent's pixels. Plain data; none of them is a window of its own.
#pragma once

#include <cstdint>

namespace halcyone {

class Widget {
public:
    Widget(int x, int y, int width, int height);
    Widget(const Widget&) = default;
    Widget& operator=(const Widget&) = default;
    virtual ~Widget();

    // Position in the parent's pixel coordinates; keys have no size of their own.
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return width_; }
    int height() const { return height_; }

protected:
    std::int32_t x_;
    std::int32_t y_;
    std::int32_t width_;
    std::int32_t height_;
};

}  // namespace halcyone
