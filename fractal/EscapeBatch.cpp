#include "fractal/EscapeBatch.h"

#include "fractal/FractalPlane.h"

namespace halcyone {

void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) out[k] = escapeCount(re[k], im[k]);
}

}  // namespace halcyone
