// Escape counts of many points at once. Every sampler (preview, palette, composer) goes through
// here, so that all of them give the same counts as escapeCount.
#pragma once

#include <cstddef>
#include <cstdint>

namespace halcyone {

// Instruction-set levels of the batch routine, slowest first. Every level gives the same counts.
enum class EscapeIsa { Scalar, Avx2, Avx512 };

// How a batch is computed: the instruction-set level and whether points that the interior test
// proves to be inside the main cardioid or the period-2 bulb skip the loop.
struct EscapeMethod {
    EscapeIsa isa = EscapeIsa::Scalar;
    bool skipInterior = true;
};

// The highest level this processor (and its operating system) runs; detected once.
EscapeIsa fastestEscapeIsa();
bool escapeIsaAvailable(EscapeIsa isa);
// The fastest level with the interior test: what escapeCountBatch uses.
EscapeMethod fastestEscapeMethod();

// out[k] = escapeCount(re[k], im[k]) for k < n, bit for bit, for every input including NaN,
// infinities and subnormals. Thread-safe; allocates nothing and starts no threads. The pointers
// need no particular alignment.
void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n);

// The same with a chosen method, for tests and benchmarks. A level the processor lacks is
// replaced by the fastest one it has.
void escapeCountBatchWith(EscapeMethod method, const double* re, const double* im,
                          std::uint8_t* out, std::size_t n);

}  // namespace halcyone
