#include "files/MidiTracks.h"

#include <algorithm>
#include <array>
#include <optional>

#include "compose/Channel.h"
#include "compose/ControlTexts.h"
#include "files/ByteReader.h"
#include "files/ByteSink.h"
#include "files/MidiStatus.h"

namespace halcyone {

namespace {

using namespace midi;

constexpr std::uint8_t systemStatus = 0xF0;  // sysex, system and meta events from here on
constexpr std::size_t maxNameLength = 127;   // so that its length is one byte
constexpr std::uint8_t formatMultiTrack = 1;

constexpr std::uint8_t headerId[] = {'M', 'T', 'h', 'd'};
constexpr std::uint8_t trackId[] = {'M', 'T', 'r', 'k'};
constexpr std::uint8_t headerLength = 6;
constexpr std::uint8_t trackEnd[] = {metaEvent, metaEndOfTrack, 0};

// One event of the track: its tick and its bytes from the status byte on.
struct TrackEvent {
    std::uint32_t tick = 0;
    std::span<const std::uint8_t> bytes;

    std::uint8_t status() const { return bytes[0]; }
    bool isMeta() const { return status() == metaEvent; }
    bool isEnd() const { return isMeta() && bytes[1] == metaEndOfTrack; }
    // The channel of a channel message, -1 for a meta event.
    int channel() const { return isMeta() ? -1 : status() & 0x0F; }
    bool startsNote() const { return (status() & kindMask) == noteOn && bytes[2] != 0; }
};

struct OneTrack {
    std::uint16_t division = 0;
    std::span<const std::uint8_t> events;  // the track chunk's content
};

std::optional<OneTrack> readHeader(std::span<const std::uint8_t> file) {
    ByteReader in(file);
    const auto magic = in.take(4);
    const std::uint32_t length = in.bigEndian(4);
    const std::uint32_t format = in.bigEndian(2);
    const std::uint32_t tracks = in.bigEndian(2);
    const auto division = static_cast<std::uint16_t>(in.bigEndian(2));
    const auto id = in.take(4);
    const auto events = in.take(in.bigEndian(4));
    if (in.ranOut() || !std::ranges::equal(magic, headerId) || length != headerLength ||
        format != 0 || tracks != 1 || !std::ranges::equal(id, trackId)) {
        return std::nullopt;
    }
    return OneTrack{division, events};
}

// Calls `visit` with each event of the track in order, its end included. False, possibly after
// some calls, when an event is not of the writer's form or the track has no end.
template <typename Visit>
bool forEachEvent(std::span<const std::uint8_t> track, Visit&& visit) {
    ByteReader in(track);
    std::uint64_t tick = 0;
    while (in.remaining() > 0) {
        const auto delta = in.varLen();
        if (!delta) return false;
        tick += *delta;
        if (tick > UINT32_MAX) return false;
        const std::size_t start = track.size() - in.remaining();
        const std::uint8_t status = in.byte();
        std::size_t length = 1;
        if ((status & statusBit) == 0) return false;  // running status: not the writer's
        if (status < systemStatus) {
            const auto data = in.take(static_cast<std::size_t>(channelDataBytes(status)));
            if (std::ranges::any_of(data, [](std::uint8_t b) { return (b & statusBit) != 0; }))
                return false;
            length += data.size();
        } else if (status == metaEvent) {
            const std::size_t before = in.remaining();
            in.byte();
            const auto size = in.varLen();
            if (!size) return false;
            in.skip(*size);
            length += before - in.remaining();
        } else {
            return false;
        }
        if (in.ranOut()) return false;
        const TrackEvent event{static_cast<std::uint32_t>(tick), track.subspan(start, length)};
        visit(event);
        if (event.isEnd()) return true;
    }
    return false;
}

struct TrackFacts {
    std::vector<ChannelPart> parts;
    std::uint32_t endTick = 0;
};

std::optional<TrackFacts> readFacts(std::span<const std::uint8_t> events) {
    std::array<ChannelPart, channelCount> parts{};
    std::array<bool, channelCount> playing{};
    TrackFacts facts;
    const bool complete = forEachEvent(events, [&](const TrackEvent& e) {
        facts.endTick = e.tick;
        const int channel = e.channel();
        if (channel < 0 || channel >= channelCount) return;
        if ((e.status() & kindMask) == programChange && parts[channel].program < 0)
            parts[channel].program = e.bytes[1];
        if (e.startsNote()) playing[channel] = true;
    });
    if (!complete) return std::nullopt;
    for (int i = 0; i < channelCount; ++i) {
        if (!playing[i]) continue;
        parts[i].channel = i;
        facts.parts.push_back(parts[i]);
    }
    return facts;
}

// A track chunk whose length is filled in when it ends; each event's delta runs from the one
// before it in this track.
class TrackWriter {
public:
    explicit TrackWriter(ByteSink& sink) : sink_(sink), start_(sink.size()) {
        sink_.put(trackId);
        sink_.put({0, 0, 0, 0});
    }
    void put(std::uint32_t tick, std::span<const std::uint8_t> event) {
        sink_.putVarLen(tick - tick_);
        sink_.put(event);
        tick_ = tick;
    }
    void end(std::uint32_t tick) {
        put(tick, trackEnd);
        sink_.putBigEndian32(start_ + 4, static_cast<std::uint32_t>(sink_.size() - start_ - 8));
    }

private:
    ByteSink& sink_;
    std::size_t start_;
    std::uint32_t tick_ = 0;
};

void putName(TrackWriter& track, const std::string& name) {
    const std::size_t length = std::min(name.size(), maxNameLength);
    std::vector<std::uint8_t> event{metaEvent, metaTrackName, static_cast<std::uint8_t>(length)};
    event.insert(event.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
    track.put(0, event);
}

// Writes the whole file into `sink`; false when `oneTrack` is not of the writer's form.
bool writeTracks(std::span<const std::uint8_t> oneTrack, ByteSink& sink) {
    const auto file = readHeader(oneTrack);
    if (!file) return false;
    const auto facts = readFacts(file->events);
    if (!facts) return false;

    const auto tracks = static_cast<std::uint16_t>(1 + facts->parts.size());
    sink.put(headerId);
    sink.put({0, 0, 0, headerLength, 0, formatMultiTrack, static_cast<std::uint8_t>(tracks >> 8),
              static_cast<std::uint8_t>(tracks), static_cast<std::uint8_t>(file->division >> 8),
              static_cast<std::uint8_t>(file->division)});

    TrackWriter conductor(sink);
    forEachEvent(file->events, [&](const TrackEvent& e) {
        if (e.isMeta() && !e.isEnd()) conductor.put(e.tick, e.bytes);
    });
    conductor.end(facts->endTick);

    for (const ChannelPart& part : facts->parts) {
        TrackWriter track(sink);
        putName(track, partName(part));
        forEachEvent(file->events, [&](const TrackEvent& e) {
            if (e.channel() == part.channel) track.put(e.tick, e.bytes);
        });
        track.end(facts->endTick);
    }
    return true;
}

}  // namespace

std::vector<ChannelPart> channelParts(std::span<const std::uint8_t> oneTrack) {
    const auto file = readHeader(oneTrack);
    if (!file) return {};
    auto facts = readFacts(file->events);
    return facts ? std::move(facts->parts) : std::vector<ChannelPart>{};
}

std::string partName(const ChannelPart& part) {
    // Instrument k of the window's list plays program k - 1.
    const int instrument = part.program + 1;
    if (instrument >= 1 && instrument < instrumentEntries)
        return std::string(instrumentNames[static_cast<std::size_t>(instrument)]);
    return "Channel " + std::to_string(part.channel + 1);
}

std::size_t midiTrackFileSize(std::span<const std::uint8_t> oneTrack) {
    ByteSink counter({});
    return writeTracks(oneTrack, counter) ? counter.size() : 0;
}

std::size_t writeMidiTrackBytes(std::span<const std::uint8_t> oneTrack, std::span<std::uint8_t> out) {
    ByteSink sink(out);
    if (!writeTracks(oneTrack, sink) || sink.overflowed()) return 0;
    return sink.size();
}

std::vector<std::uint8_t> midiTrackFileBytes(std::span<const std::uint8_t> oneTrack) {
    std::vector<std::uint8_t> bytes(midiTrackFileSize(oneTrack));
    bytes.resize(writeMidiTrackBytes(oneTrack, bytes));
    return bytes;
}

}  // namespace halcyone
