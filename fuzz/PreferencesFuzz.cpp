// Arbitrary bytes as a preferences file. The decoder must refuse or accept without reading out
// of bounds, and whatever it accepts must encode back to the same bytes: the control byte as
// 0 or 1, the channel marks rewritten, everything else unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/PreferencesCodec.h"

namespace {

bool isBlockMark(std::size_t offset) {
    if (offset < halcyone::preferencesHeaderSize) return false;
    return (offset - halcyone::preferencesHeaderSize) % halcyone::preferencesBlockSize < 3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halcyone;
    const DecodedPreferences decoded = decodePreferences({data, size});
    if (!decoded.ok()) return 0;
    if (size < preferencesSize) std::abort();

    const PreferencesBytes again = encodePreferences(decoded.preferences);
    if ((again[0] != 0) != (data[0] != 0) || again[0] > 1) std::abort();
    for (std::size_t k = 1; k < preferencesSize; ++k)
        if (!isBlockMark(k) && again[k] != data[k]) std::abort();
    if (!decodePreferences(again).ok()) std::abort();
    return 0;
}
