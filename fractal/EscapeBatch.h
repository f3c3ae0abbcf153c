// Escape counts of many points at once. Every sampler (preview, palette, composer) goes through
// here, so that all of them give the same counts as escapeCount.
#pragma once

#include <cstddef>
#include <cstdint>

namespace halcyone {

// out[k] = escapeCount(re[k], im[k]) for k < n. Allocates nothing.
void escapeCountBatch(const double* re, const double* im, std::uint8_t* out, std::size_t n);

}  // namespace halcyone
