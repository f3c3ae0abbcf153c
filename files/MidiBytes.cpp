#include "files/MidiBytes.h"

#include <algorithm>
#include <optional>

#include "files/ByteSink.h"
#include "files/MidiStatus.h"

namespace halcyone {

namespace {

using namespace midi;

constexpr std::uint8_t modulationController = 1;
constexpr std::uint8_t panController = 10;
constexpr std::uint8_t expressionController = 11;

// Every step ends with a silent note-on on a channel no Channel uses, 12 ticks later: it is
// what carries the time forward.
constexpr std::uint8_t ticksPerStep = 12;
constexpr std::uint8_t markerChannel = 6;
constexpr std::uint8_t markerNote = 70;

constexpr std::int64_t microsecondsPerMinute = 60'000'000;

constexpr std::uint8_t fileStart[] = {
    'M', 'T', 'h', 'd', 0, 0, 0, 6,  // header chunk, 6 bytes long
    0, 0, 0, 1, 0, 0xC0,             // format 0, one track, 192 ticks per quarter note
    'M', 'T', 'r', 'k', 0, 0, 0, 0,  // track chunk; its length is filled in last
    0, 0xFF, 0x58, 4, 4, 2, 24, 8,   // time signature 4/4, 24 clocks a click, 8 32nds a quarter
};
constexpr std::uint8_t keySignature[] = {0, 0xFF, 0x59, 2, 0, 0};  // C major
constexpr std::uint8_t endOfTrack[] = {0, metaEvent, metaEndOfTrack, 0};

std::uint8_t status(std::uint8_t kind, int channel) {
    return static_cast<std::uint8_t>(kind | channel);
}

// The note each channel has sounding, if any.
using SoundingNotes = std::array<std::optional<std::uint8_t>, channelCount>;

void emitEvent(ByteSink& sink, int channel, const NoteEvent& e, SoundingNotes& sounding) {
    if (sounding[channel]) sink.put({0, status(noteOff, channel), *sounding[channel], 0});
    if (e.modulation != 0)
        sink.put({0, status(controlChange, channel), modulationController, dataByte(e.modulation)});
    if (e.pan != 0) sink.put({0, status(controlChange, channel), panController, dataByte(e.pan)});
    if (e.expression != 0)
        sink.put({0, status(controlChange, channel), expressionController, dataByte(e.expression)});
    if (e.pitchWheel != 0) sink.put({0, status(pitchBend, channel), 0, dataByte(e.pitchWheel)});
    const std::uint8_t note = dataByte(e.note);
    sink.put({0, status(noteOn, channel), note, dataByte(e.velocity)});
    if (e.aftertouch != 0) sink.put({0, status(keyPressure, channel), note, dataByte(e.aftertouch)});
    sounding[channel] = note;
}

// Entries of a list the writer looks at: 64 per bar plus 10, fewer when the list ends earlier.
std::size_t walkLimit(const ChannelTrack& track, int barCount) {
    return std::min(track.events.size(),
                    static_cast<std::size_t>(stepsPerBar) * static_cast<std::size_t>(barCount) +
                        extraGridColumns);
}

// Entries of a list the writer walks: up to the walk limit and the first note 0.
std::size_t walkedLength(const ChannelTrack& track, int barCount) {
    const std::size_t limit = walkLimit(track, barCount);
    std::size_t length = 0;
    while (length < limit && track.events[length].note != 0) ++length;
    return length;
}

// Steps are numbered bar x 64 + step; entries outside the written bars have no slot.
std::optional<std::size_t> slotOf(const NoteEvent& e, int barCount) {
    if (e.bar < 0 || e.bar >= barCount || e.step < 0 || e.step >= stepsPerBar) return {};
    return static_cast<std::size_t>(e.bar) * stepsPerBar + static_cast<std::size_t>(e.step);
}

// The reference: every channel's list walked from its start for every step.
class PlainWalk {
public:
    PlainWalk(const MidiTracks& tracks, int barCount) : tracks_(tracks), barCount_(barCount) {}

    template <typename Emit>
    void forEachAt(int channel, std::size_t slot, Emit&& emit) const {
        const ChannelTrack& track = tracks_[channel];
        const std::size_t limit = walkLimit(track, barCount_);
        for (std::size_t k = 0; k < limit && track.events[k].note != 0; ++k)
            if (slotOf(track.events[k], barCount_) == slot) emit(track.events[k]);
    }

private:
    const MidiTracks& tracks_;
    int barCount_;
};

// Each channel's entries sorted by slot once (a stable counting sort, so entries of one slot
// keep their list order).
class StepIndex {
public:
    StepIndex(const MidiTracks& tracks, int barCount) : tracks_(tracks) {
        const std::size_t slots = static_cast<std::size_t>(barCount) * stepsPerBar;
        for (int i = 0; i < channelCount; ++i) {
            const ChannelTrack& track = tracks[i];
            if (track.instrument == 0) continue;
            std::vector<std::uint32_t>& start = start_[i];
            std::vector<std::uint32_t>& order = order_[i];
            start.assign(slots + 1, 0);
            const std::size_t length = walkedLength(track, barCount);
            for (std::size_t k = 0; k < length; ++k)
                if (const auto slot = slotOf(track.events[k], barCount)) ++start[*slot + 1];
            for (std::size_t s = 0; s < slots; ++s) start[s + 1] += start[s];
            order.resize(start[slots]);
            std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
            for (std::size_t k = 0; k < length; ++k)
                if (const auto slot = slotOf(track.events[k], barCount))
                    order[next[*slot]++] = static_cast<std::uint32_t>(k);
        }
    }

    template <typename Emit>
    void forEachAt(int channel, std::size_t slot, Emit&& emit) const {
        const auto& start = start_[channel];
        const auto& order = order_[channel];
        for (std::uint32_t k = start[slot]; k < start[slot + 1]; ++k)
            emit(tracks_[channel].events[order[k]]);
    }

private:
    const MidiTracks& tracks_;
    std::array<std::vector<std::uint32_t>, channelCount> start_;
    std::array<std::vector<std::uint32_t>, channelCount> order_;
};

// Each channel's entries straight from its list, for lists whose entries come in step order (as
// Compose writes them): one cursor per channel, nothing to build.
class InOrderWalk {
public:
    InOrderWalk(const MidiTracks& tracks, int barCount) : tracks_(tracks), barCount_(barCount) {
        for (int i = 0; i < channelCount && inOrder_; ++i) {
            const ChannelTrack& track = tracks[i];
            if (track.instrument == 0) continue;
            length_[i] = walkedLength(track, barCount);
            std::size_t last = 0;
            for (std::size_t k = 0; k < length_[i]; ++k) {
                if (const auto slot = slotOf(track.events[k], barCount)) {
                    if (*slot < last) inOrder_ = false;
                    last = *slot;
                }
            }
        }
    }

    // Whether every switched-on channel lists its entries in step order: only then may the walk
    // be used.
    bool inOrder() const { return inOrder_; }

    // Called for slot 0, 1, 2... in turn.
    template <typename Emit>
    void forEachAt(int channel, std::size_t slot, Emit&& emit) const {
        const ChannelTrack& track = tracks_[channel];
        for (std::size_t& k = next_[channel]; k < length_[channel]; ++k) {
            const auto at = slotOf(track.events[k], barCount_);
            if (!at) continue;
            if (*at != slot) break;
            emit(track.events[k]);
        }
    }

private:
    const MidiTracks& tracks_;
    int barCount_;
    bool inOrder_ = true;
    std::array<std::size_t, channelCount> length_{};  // entries walked
    mutable std::array<std::size_t, channelCount> next_{};
};

template <typename Matching>
void writeBody(ByteSink& sink, const MidiTracks& tracks, int barCount, const Matching& matching,
               SoundingNotes& sounding) {
    const std::size_t slots = static_cast<std::size_t>(barCount) * stepsPerBar;
    for (std::size_t slot = 0; slot < slots; ++slot) {
        for (int i = 0; i < channelCount; ++i) {
            if (tracks[i].instrument == 0) continue;
            matching.forEachAt(i, slot, [&](const NoteEvent& e) { emitEvent(sink, i, e, sounding); });
        }
        sink.put({ticksPerStep, status(noteOn, markerChannel), markerNote, 0});
    }
}

}  // namespace

MidiTracks tracksOf(const std::array<Channel, channelCount>& channels) {
    MidiTracks tracks;
    for (int i = 0; i < channelCount; ++i)
        tracks[i] = ChannelTrack{channels[i].instrument, channels[i].events};
    return tracks;
}

std::size_t midiBufferSize(int barCount) {
    if (barCount < barNumberMin || barCount > barNumberMax) return 0;
    return static_cast<std::size_t>(barCount) * midiBytesPerBar;
}

std::size_t writeMidiBytes(const MidiTracks& tracks, int barCount, int tempo,
                           std::span<std::uint8_t> out, EventMatching matching) {
    const std::size_t needed = midiBufferSize(barCount);
    if (needed == 0 || tempo < tempoMin || tempo > tempoMax || out.size() < needed) return 0;

    ByteSink sink(out.first(needed));
    sink.put(fileStart);
    const auto quarter = static_cast<std::uint32_t>(microsecondsPerMinute / tempo);
    sink.put({0, metaEvent, metaTempo, 3, static_cast<std::uint8_t>(quarter >> 16),
              static_cast<std::uint8_t>(quarter >> 8), static_cast<std::uint8_t>(quarter)});
    sink.put(keySignature);

    for (int i = 0; i < channelCount; ++i) {
        const std::int32_t instrument = tracks[i].instrument;
        if (instrument == 0) continue;
        // Instrument k plays General MIDI program k - 1.
        sink.put({0, status(programChange, i), dataByte(std::max(instrument, 1) - 1)});
    }

    SoundingNotes sounding;
    if (matching == EventMatching::Indexed) {
        if (const InOrderWalk walk(tracks, barCount); walk.inOrder())
            writeBody(sink, tracks, barCount, walk, sounding);
        else
            writeBody(sink, tracks, barCount, StepIndex(tracks, barCount), sounding);
    } else
        writeBody(sink, tracks, barCount, PlainWalk(tracks, barCount), sounding);

    // The last note of each channel ends with a note-on of velocity 0.
    for (int i = 0; i < channelCount; ++i)
        if (sounding[i]) sink.put({0, status(noteOn, i), *sounding[i], 0});
    sink.put(endOfTrack);

    if (sink.overflowed()) return 0;
    sink.putBigEndian32(midiTrackLengthOffset,
                        static_cast<std::uint32_t>(sink.size() - midiTrackStart));
    return sink.size();
}

std::vector<std::uint8_t> midiFileBytes(const MidiTracks& tracks, int barCount, int tempo,
                                        EventMatching matching) {
    std::vector<std::uint8_t> bytes(midiBufferSize(barCount));
    bytes.resize(writeMidiBytes(tracks, barCount, tempo, bytes, matching));
    return bytes;
}

}  // namespace halcyone
