#pragma once

namespace halcyone {

// A rectangle of the complex plane: real range X1..X2 left to right, imaginary range Y1..Y2
// top to bottom. No invariant is enforced; the view operations keep X1 < X2 and Y1 < Y2.
struct ViewRect {
    double X1 = -2.0;
    double X2 = 1.0;
    double Y1 = -1.0;
    double Y2 = 1.0;

    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

}  // namespace halcyone
