#include "fractal/EscapeBatch.h"

#include "fractal/EscapeInterior.h"
#include "fractal/EscapeKernels.h"
#include "fractal/FractalPlane.h"

namespace halcyone {

namespace {

EscapeIsa detectFastestIsa() {
#if HALCYONE_X86_KERNELS
    __builtin_cpu_init();
    // The vector kernels count lanes with POPCNT; every processor with AVX2 has it.
    if (__builtin_cpu_supports("popcnt")) {
        if (__builtin_cpu_supports("avx512f")) return EscapeIsa::Avx512;
        if (__builtin_cpu_supports("avx2")) return EscapeIsa::Avx2;
    }
#endif
    return EscapeIsa::Scalar;
}

void escapeCountsScalar(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                        bool skipInterior) {
    for (std::size_t k = 0; k < n; ++k)
        out[k] = skipInterior && surelyInsideSet(re[k], im[k]) ? 0 : escapeCount(re[k], im[k]);
}

}  // namespace

EscapeIsa fastestEscapeIsa() {
    static const EscapeIsa fastest = detectFastestIsa();
    return fastest;
}

bool escapeIsaAvailable(EscapeIsa isa) {
    return isa <= fastestEscapeIsa();
}

EscapeMethod fastestEscapeMethod() {
    return EscapeMethod{fastestEscapeIsa(), true};
}

void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n) {
    escapeCountBatchWith(fastestEscapeMethod(), re, im, out, n);
}

void escapeCountBatchWith(EscapeMethod method, const double* re, const double* im,
                          std::uint8_t* out, std::size_t n) {
    const EscapeIsa isa = escapeIsaAvailable(method.isa) ? method.isa : fastestEscapeIsa();
    switch (isa) {
#if HALCYONE_X86_KERNELS
        case EscapeIsa::Avx512:
            escapeCountsAvx512(re, im, out, n, method.skipInterior);
            return;
        case EscapeIsa::Avx2:
            escapeCountsAvx2(re, im, out, n, method.skipInterior);
            return;
#endif
        default:
            escapeCountsScalar(re, im, out, n, method.skipInterior);
            return;
    }
}

}  // namespace halcyone
