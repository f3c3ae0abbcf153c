// Arbitrary bytes as a MIDI file handed to Play. The check must accept or refuse without
// reading out of bounds, and what it accepts must lie within the limits the player relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "playback/MidiFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halcyone;
    const auto facts = inspectMidiFile({data, size});
    if (!facts) return 0;
    if (facts->tracks < 1 || facts->tracks > maxMidiFileTracks) std::abort();
    if (facts->division < 1 || facts->division > 0x7FFF) std::abort();
    if (facts->lengthTicks > maxMidiFileTicks) std::abort();
    for (int program : facts->firstProgram)
        if (program < -1 || program > 127) std::abort();
    return 0;
}
