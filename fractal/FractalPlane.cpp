#include "fractal/FractalPlane.h"

#include <cstdlib>

namespace halcyone {

namespace {
constexpr double zoomOutFraction = 0.1;
constexpr double zoomInFraction = 0.08333333333333333;  // the double nearest to 1/12
constexpr double panFraction = 0.1;
constexpr int randomGridPoints = 1000;
constexpr double randomGridStep = 0.001;

double at(double low, double high, double fraction) { return low + (high - low) * fraction; }

// Moves `view` so that the point at (fx, fy) lies where `anchor` (the point there before the
// view's extent changed) was.
void keepAnchor(ViewRect& view, double fx, double fy, double anchorX, double anchorY) {
    const double dx = anchorX - at(view.X1, view.X2, fx);
    const double dy = anchorY - at(view.Y1, view.Y2, fy);
    view.X1 += dx;
    view.X2 += dx;
    view.Y1 += dy;
    view.Y2 += dy;
}

}  // namespace

void resetView(ViewRect& view) { view = ViewRect{}; }

void zoomOut(ViewRect& view) {
    const double dx = (view.X2 - view.X1) * zoomOutFraction;
    const double dy = (view.Y2 - view.Y1) * zoomOutFraction;
    view.X2 += dx;
    view.X1 -= dx;
    view.Y1 -= dy;
    view.Y2 += dy;
}

void zoomIn(ViewRect& view) {
    const double dx = (view.X2 - view.X1) * zoomInFraction;
    const double dy = (view.Y2 - view.Y1) * zoomInFraction;
    view.X2 -= dx;
    view.X1 += dx;
    view.Y1 += dy;
    view.Y2 -= dy;
}

void zoomInAt(ViewRect& view, double fx, double fy) {
    const double anchorX = at(view.X1, view.X2, fx), anchorY = at(view.Y1, view.Y2, fy);
    zoomIn(view);
    keepAnchor(view, fx, fy, anchorX, anchorY);
}

void zoomOutAt(ViewRect& view, double fx, double fy) {
    const double anchorX = at(view.X1, view.X2, fx), anchorY = at(view.Y1, view.Y2, fy);
    zoomOut(view);
    keepAnchor(view, fx, fy, anchorX, anchorY);
}

void frameArea(ViewRect& view, double fx1, double fy1, double fx2, double fy2) {
    view = ViewRect{at(view.X1, view.X2, fx1), at(view.X1, view.X2, fx2), at(view.Y1, view.Y2, fy1),
                    at(view.Y1, view.Y2, fy2)};
}

void panView(ViewRect& view, PanDirection direction) {
    const double d = (view.X2 - view.X1) * panFraction;
    switch (direction) {
        case PanDirection::Left:
            view.X1 -= d;
            view.X2 -= d;
            break;
        case PanDirection::Right:
            view.X1 += d;
            view.X2 += d;
            break;
        case PanDirection::Up:
            view.Y1 -= d;
            view.Y2 -= d;
            break;
        case PanDirection::Down:
            view.Y1 += d;
            view.Y2 += d;
            break;
    }
}

void randomizeView(ViewRect& view) {
    const double w = view.X2 - view.X1;
    const double h = view.Y2 - view.Y1;
    const int r1 = std::rand() % randomGridPoints;
    view.X1 = r1 * randomGridStep * 2 - 2.0;
    view.X2 = view.X1 + w;
    const int r2 = std::rand() % randomGridPoints;
    view.Y1 = r2 * randomGridStep * 2 - 1.0;
    view.Y2 = view.Y1 + h;
}

}  // namespace halcyone
