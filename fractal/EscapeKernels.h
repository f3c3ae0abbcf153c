// The vector kernels behind escapeCountBatch, one per instruction-set level. Internal to the
// engine: call escapeCountBatch or escapeCountBatchWith, which check that the processor runs them.
#pragma once

#include <cstddef>
#include <cstdint>

// The vector kernels exist only where GCC-style target attributes and x86 intrinsics do;
// elsewhere the batch routine runs the scalar loop.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define HALCYONE_X86_KERNELS 1
#else
#define HALCYONE_X86_KERNELS 0
#endif

namespace halcyone {

#if HALCYONE_X86_KERNELS
// Each needs its instruction set (AVX2 or AVX-512F, with POPCNT) at run time.
void escapeCountsAvx2(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                      bool skipInterior);
void escapeCountsAvx512(const double* re, const double* im, std::uint8_t* out, std::size_t n,
                        bool skipInterior);
#endif

}  // namespace halcyone
