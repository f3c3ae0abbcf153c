#include "compose/Channel.h"

#include <algorithm>

namespace halcyone {

namespace {
constexpr int defaultLowNote = 48;
constexpr int defaultHighNote = 71;
constexpr int defaultNoteLength = 3;  // "1/8"
}  // namespace

Channel::Channel() { applyDefaults(); }

void Channel::applyDefaults() {
    lowNote = defaultLowNote;
    highNote = defaultHighNote;
    scaleIndex = 0;
    cycleScale = 0;
    allNotes = 0;
    noteLength = defaultNoteLength;
    view = ViewRect{};
    instrument = 0;
    mode = 0;
    colourIndex = 0;
    colour = black;
    paramEnabled.fill(0);
    slideSpeed.fill(0);
    pool.fill(0);
    keys.fill(0);
    poolTop = 0;
}

void clearEvents(EventArray& events) { events.fill(NoteEvent{}); }

void clearChannelEvents(Channel& channel) {
    const auto clearPrefix = [](EventArray& events, std::int32_t& extent) {
        std::fill_n(events.begin(), std::clamp(extent, 0, maxEvents), NoteEvent{});
        extent = 0;
    };
    clearPrefix(channel.events, channel.eventsExtent);
    clearPrefix(channel.rawEvents, channel.rawEventsExtent);
}

int eventCount(const EventArray& events) {
    const auto end = std::find_if(events.begin(), events.end(),
                                  [](const NoteEvent& e) { return e.note == 0; });
    return static_cast<int>(end - events.begin());
}

}  // namespace halcyone
