#include "ui/Widget.h"

namespace halcyone {

Widget::Widget(int x, int y, int width, int height)
    : x_(x), y_(y), width_(width), height_(height) {}

Widget::~Widget() = default;

}  // namespace halcyone
