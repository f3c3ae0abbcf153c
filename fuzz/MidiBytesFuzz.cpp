// Arbitrary compositions through the MIDI writer: event fields anywhere in the int8 range (so
// out-of-range bars, steps and data values), any instruments. Indexed and plain matching must
// give the same bytes, and the bytes must be a well-formed one-track file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/MidiBytes.h"

namespace {

using namespace halcyone;

constexpr int maxFuzzBars = 8;
constexpr std::size_t headerInputBytes = 3 + channelCount;
constexpr std::size_t eventInputBytes = 1 + 9;  // channel, then every field but length

void check(bool condition) {
    if (!condition) std::abort();
}

// Walks the track: one-byte deltas, a status byte on every event, data bytes below 0x80, and
// the end of track exactly at the end of the file.
void checkWellFormed(const std::vector<std::uint8_t>& b) {
    check(b.size() > midiTrackStart + 4);
    const std::uint32_t length = (std::uint32_t{b[18]} << 24) | (std::uint32_t{b[19]} << 16) |
                                 (std::uint32_t{b[20]} << 8) | b[21];
    check(length == b.size() - midiTrackStart);
    std::size_t at = midiTrackStart;
    while (true) {
        check(at + 2 < b.size());
        check(b[at] < 0x80);
        const std::uint8_t status = b[at + 1];
        check(status >= 0x80);
        at += 2;
        if (status == 0xFF) {
            const std::uint8_t type = b[at];
            const std::size_t metaLength = b[at + 1];
            at += 2 + metaLength;
            if (type == 0x2F) break;
            continue;
        }
        const std::size_t dataBytes = (status & 0xF0) == 0xC0 ? 1 : 2;
        for (std::size_t k = 0; k < dataBytes; ++k) check(at + k < b.size() && b[at + k] < 0x80);
        at += dataBytes;
    }
    check(at == b.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < headerInputBytes) return 0;
    const int bars = 1 + data[0] % maxFuzzBars;
    const int tempo = 30 + ((data[1] << 8) | data[2]) % 271;
    MidiTracks tracks;
    std::array<std::vector<NoteEvent>, channelCount> events;
    for (int i = 0; i < channelCount; ++i) tracks[i].instrument = data[3 + i];
    for (std::size_t at = headerInputBytes; at + eventInputBytes <= size; at += eventInputBytes) {
        const auto field = [&](std::size_t k) { return static_cast<std::int32_t>(static_cast<std::int8_t>(data[at + k])); };
        NoteEvent e{};
        e.note = field(1);
        e.step = field(2);
        e.bar = field(3) % (maxFuzzBars + 2);
        e.velocity = field(4);
        e.modulation = field(5);
        e.pitchWheel = field(6);
        e.pan = field(7);
        e.expression = field(8);
        e.aftertouch = field(9);
        events[data[at] % channelCount].push_back(e);
    }
    for (int i = 0; i < channelCount; ++i) tracks[i].events = events[i];

    const auto indexed = midiFileBytes(tracks, bars, tempo, EventMatching::Indexed);
    check(indexed == midiFileBytes(tracks, bars, tempo, EventMatching::PlainWalk));
    checkWellFormed(indexed);
    return 0;
}
