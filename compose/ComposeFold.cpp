#include "compose/ComposeFold.h"

#include <algorithm>

namespace halcyone {

namespace {
constexpr int fullVelocity = 127;
constexpr int controllerScale = 127;  // samples 0..255 scale to 0..127
constexpr int maxSample = 255;
constexpr int panLevels = 19;  // Pan and Expression take (s mod 19) x 7: 0, 7, .. 126
constexpr int panLevelStep = 7;

int steppedLevel(int sample) {
    return (sample % panLevels) * panLevelStep;
}
}  // namespace

int slidingValue(int sample, const std::int32_t* previous, int slideSpeed) {
    const int scaled = sample * controllerScale / maxSample;
    if (previous == nullptr || slideSpeed == 0) return scaled;
    // 64-bit, so that no slide speed can overflow.
    const std::int64_t speed = slideSpeed;
    const std::int64_t moved = *previous + (scaled % 2 == 0 ? speed : -speed);
    return static_cast<int>(std::clamp<std::int64_t>(moved, slideFloor, slideCeiling));
}

ScanFold::ScanFold(Channel& channel, const ScanSettings& settings, ComposeProgress& progress)
    : channel_(channel), settings_(settings), progress_(progress) {}

bool ScanFold::takeColumn(const ColumnSample& column) {
    if (column.k != 0) {
        NoteEvent& event = writeNote(column.k);
        if (settings_.anyParameter) applyControllers(event, column);
    } else if (rawCount_ > 0) {
        channel_.rawEvents[static_cast<std::size_t>(rawCount_ - 1)].length += settings_.stepLength;
    }
    if (!advanceTime()) return false;
    if (step_ == 0 && bar_ != 0 && bar_ % settings_.progressEvery == 0)
        progress_.step();
    return true;
}

bool ScanFold::takeSquareSample(std::uint8_t sample) {
    if (sample == 0) return true;  // inside the set: no note, and no time passes
    writeNote(sample);
    return advanceTime();
}

int ScanFold::poolNote(int k) const {
    const int top = channel_.poolTop;
    const int index =
        channel_.cycleScale != 0 ? k % (top + 1) : std::min(top * k / settings_.divisor, top);
    return channel_.pool[static_cast<std::size_t>(index)];
}

NoteEvent& ScanFold::writeNote(int k) {
    NoteEvent& event = channel_.rawEvents[static_cast<std::size_t>(rawCount_++)];
    event = NoteEvent{};
    event.note = poolNote(k);
    event.length = settings_.stepLength;
    event.step = step_;
    event.bar = bar_;
    event.velocity = fullVelocity;
    return event;
}

void ScanFold::applyControllers(NoteEvent& event, const ColumnSample& column) const {
    // The event just written is rawEvents[rawCount_ - 1]; the note before it slides from.
    const NoteEvent* previous =
        rawCount_ > 1 ? &channel_.rawEvents[static_cast<std::size_t>(rawCount_ - 2)] : nullptr;
    const auto slide = [&](MidiParameter slot, std::int32_t NoteEvent::*field) {
        const int i = static_cast<int>(slot);
        const int s = column.params[i];
        if (s == 0) return;  // nothing sampled: the field keeps its value
        event.*field =
            slidingValue(s, previous ? &(previous->*field) : nullptr, channel_.slideSpeed[i]);
    };
    slide(MidiParameter::Velocity, &NoteEvent::velocity);
    // Pitch wheel, aftertouch and modulation keep the scaled, sliding value. Storing the raw
    // sample instead would put values up to 255 into fields that are written as MIDI data bytes
    // (0..127) and corrupt the file.
    slide(MidiParameter::PitchWheel, &NoteEvent::pitchWheel);
    slide(MidiParameter::Aftertouch, &NoteEvent::aftertouch);
    slide(MidiParameter::ModulationWheel, &NoteEvent::modulation);
    const int pan = column.params[static_cast<int>(MidiParameter::Pan)];
    if (pan != 0) event.pan = steppedLevel(pan);
    const int expression = column.params[static_cast<int>(MidiParameter::Expression)];
    if (expression != 0) event.expression = steppedLevel(expression);
}

bool ScanFold::advanceTime() {
    step_ = (step_ + settings_.stepLength) % stepsPerBar;
    if (step_ == 0) ++bar_;
    return bar_ <= settings_.barCount;
}

}  // namespace halcyone
