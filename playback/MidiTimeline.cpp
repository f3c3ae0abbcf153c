#include "playback/MidiTimeline.h"

#include <algorithm>

#include "files/MidiStatus.h"
#include "playback/MidiFileCheck.h"

namespace halcyone {

namespace {

constexpr std::size_t tempoBytes = 3;
constexpr double defaultMicrosecondsPerQuarter = 500000;
constexpr double microsecondsPerSecond = 1e6;

struct TickedMessage {
    std::uint32_t tick = 0;
    TimedMidiMessage message;
};

struct TempoChange {
    std::uint32_t tick = 0;
    double microsecondsPerQuarter = defaultMicrosecondsPerQuarter;
};

}  // namespace

std::optional<std::vector<TimedMidiMessage>> timedChannelMessages(
    std::span<const std::uint8_t> file) {
    std::vector<TickedMessage> ticked;
    std::vector<TempoChange> tempos;
    const auto facts = inspectMidiFile(file, [&](int, const MidiTrackEvent& event) {
        if (event.status < 0xF0) {
            TickedMessage m{event.tick, {}};
            m.message.bytes[0] = event.status;
            std::copy(event.data.begin(), event.data.end(), m.message.bytes.begin() + 1);
            m.message.size = static_cast<std::uint8_t>(1 + event.data.size());
            ticked.push_back(m);
        } else if (event.status == midi::metaEvent && event.metaType == midi::metaTempo &&
                   event.data.size() == tempoBytes) {
            const auto& d = event.data;
            tempos.push_back({event.tick, static_cast<double>((d[0] << 16) | (d[1] << 8) | d[2])});
        }
    });
    if (!facts) return std::nullopt;

    // Tracks were read one after another: sorting by tick alone keeps their order at a tick.
    const auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(ticked.begin(), ticked.end(), byTick);
    std::stable_sort(tempos.begin(), tempos.end(), byTick);

    const double ticksPerQuarter = facts->division;
    std::vector<TimedMidiMessage> messages;
    messages.reserve(ticked.size());
    double segmentSeconds = 0;  // the time at segmentTick, where the current tempo began
    std::uint32_t segmentTick = 0;
    double tempo = defaultMicrosecondsPerQuarter;
    auto nextTempo = tempos.begin();
    const auto secondsFor = [&](std::uint32_t ticks) {
        return ticks * tempo / (ticksPerQuarter * microsecondsPerSecond);
    };
    for (TickedMessage& m : ticked) {
        for (; nextTempo != tempos.end() && nextTempo->tick <= m.tick; ++nextTempo) {
            segmentSeconds += secondsFor(nextTempo->tick - segmentTick);
            segmentTick = nextTempo->tick;
            tempo = nextTempo->microsecondsPerQuarter;
        }
        m.message.seconds = segmentSeconds + secondsFor(m.tick - segmentTick);
        messages.push_back(m.message);
    }
    return messages;
}

std::uint16_t channelsUsed(std::span<const TimedMidiMessage> messages) {
    std::uint16_t used = 0;
    for (const TimedMidiMessage& m : messages)
        used |= static_cast<std::uint16_t>(1u << (m.bytes[0] & 0x0F));
    return used;
}

}  // namespace halcyone
