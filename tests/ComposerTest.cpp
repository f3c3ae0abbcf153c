#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "compose/AppState.h"
#include "compose/ComposeFold.h"
#include "compose/ComposeSettings.h"
#include "compose/Composer.h"
#include "compose/ControlSync.h"
#include "compose/NotePools.h"
#include "fractal/FractalPlane.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace halcyone {
namespace {

std::vector<NoteEvent> listOf(const EventArray& events) {
    return std::vector<NoteEvent>(events.begin(), events.begin() + eventCount(events));
}

NoteEvent plainNote(int note, int length, int step, int bar) {
    return NoteEvent{note, length, step, bar, 127, 0, 0, 0, 0, 0};
}

// The default set-up: default view, start colour 200/100/50, 5 bars, "1/8", colour black,
// keys filled from 48..71 "Major".
class Composer : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        setUpControls();
        appState.startColour = defaultStartColour;
        buildScalePool(channel);
        for (int i = 0; i <= channel.poolTop; ++i) channel.keys[channel.pool[i]] = 1;
        channel.instrument = 1;
    }

    ComposeResult compose() {
        return composeChannel(channel, readComposeInputs(), progress, ComposeExecution::Reference);
    }
    int progressSteps() const { return panel.count(ControlId::Progress, ControlMessage::StepIt); }
    void enable(MidiParameter slot, int slideSpeed = 0) {
        channel.paramEnabled[static_cast<int>(slot)] = 1;
        channel.slideSpeed[static_cast<int>(slot)] = slideSpeed;
    }

    MemoryControlPanel panel;
    ScopedControlHost scope{panel};
    ProgressBarSteps progress;
    Channel& channel = appState.channels[0];
};

TEST_F(Composer, UpBorderFindsTheRealAxisAndJoinsRepeatsWithinABar) {
    EXPECT_EQ(compose(), ComposeResult::Composed);
    EXPECT_EQ(appState.barCount, 5);
    EXPECT_EQ(eventCount(channel.rawEvents), 40);
    const auto events = listOf(channel.events);
    ASSERT_EQ(events.size(), 17u);
    EXPECT_EQ(events[0], plainNote(59, 64, 0, 0));
    EXPECT_EQ(events[1], plainNote(59, 40, 0, 1));
    EXPECT_EQ(events[2], plainNote(57, 8, 40, 1));
    EXPECT_EQ(progressSteps(), 5);
}

TEST_F(Composer, DownBorderCountsFromTheTop) {
    channel.mode = static_cast<int>(ScanMode::DownBorder);
    compose();
    const auto events = listOf(channel.events);
    ASSERT_EQ(events.size(), 14u);
    EXPECT_EQ(events[0], plainNote(59, 64, 0, 0));
    EXPECT_EQ(events[1], plainNote(59, 24, 0, 1));
    EXPECT_EQ(events[2], plainNote(60, 24, 24, 1));
}

TEST_F(Composer, AverageAmountCountsMatchingRows) {
    channel.mode = static_cast<int>(ScanMode::AverageAmount);
    compose();
    EXPECT_EQ(channel.events[0], plainNote(48, 64, 0, 0));
    EXPECT_EQ(progressSteps(), 5);
}

TEST_F(Composer, PlaySquarePlaysEveryEscapingSampleUntilTheyRunOut) {
    channel.mode = static_cast<int>(ScanMode::PlaySquare);
    EXPECT_EQ(scanSettingsFor(channel, 5, appState.startColour).squareSide, 8);
    compose();
    const auto raw = listOf(channel.rawEvents);
    ASSERT_EQ(raw.size(), 43u);
    EXPECT_EQ(raw[0], plainNote(71, 8, 0, 0));
    EXPECT_EQ(raw.back().bar, 5);
    // No rests: every note lasts one step and the next starts where it ends.
    for (std::size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(raw[i].length, 8);
        EXPECT_EQ(raw[i].bar * 64 + raw[i].step, static_cast<int>(i) * 8);
    }
    EXPECT_EQ(progressSteps(), 0);
}

TEST_F(Composer, CycleScaleAndAllNotes) {
    channel.cycleScale = 1;
    compose();
    EXPECT_EQ(channel.events[0], plainNote(67, 64, 0, 0));  // 25 mod 14 = 11

    channel.cycleScale = 0;
    channel.allNotes = 1;
    compose();
    EXPECT_EQ(listOf(channel.events), listOf(channel.rawEvents));
    EXPECT_EQ(eventCount(channel.events), 40);
}

TEST_F(Composer, VelocitySlidesByParityAndPanStepsBySevens) {
    enable(MidiParameter::Velocity, 20);
    enable(MidiParameter::Pan);
    enable(MidiParameter::Expression);
    compose();
    std::vector<int> velocities, pans, expressions;
    for (int i = 0; i < 5; ++i) {
        velocities.push_back(channel.rawEvents[i].velocity);
        pans.push_back(channel.rawEvents[i].pan);
        expressions.push_back(channel.rawEvents[i].expression);
    }
    EXPECT_EQ(velocities, (std::vector<int>{127, 107, 87, 67, 47}));
    EXPECT_EQ(pans, (std::vector<int>{56, 42, 35, 35, 35}));
    EXPECT_EQ(expressions, pans);

    channel.slideSpeed[static_cast<int>(MidiParameter::Velocity)] = 0;
    compose();
    velocities.clear();
    for (int i = 0; i < 5; ++i) velocities.push_back(channel.rawEvents[i].velocity);
    EXPECT_EQ(velocities, (std::vector<int>{127, 125, 125, 125, 125}));
}

TEST(ComposerSlide, ScalesSamplesAndSlidesWithinTenTo127) {
    EXPECT_EQ(slidingValue(255, nullptr, 0), 127);
    EXPECT_EQ(slidingValue(1, nullptr, 0), 0);  // scales to 0: nothing is sent
    EXPECT_EQ(slidingValue(2, nullptr, 0), 0);
    const std::int32_t high = 120, low = 15;
    // Sample 4 scales to 1 (odd: down), sample 6 to 2 (even: up).
    EXPECT_EQ(slidingValue(4, &high, 20), 100);
    EXPECT_EQ(slidingValue(6, &high, 20), 127);
    EXPECT_EQ(slidingValue(6, &low, 20), 35);
    EXPECT_EQ(slidingValue(4, &low, 20), 10);
    EXPECT_EQ(slidingValue(6, &low, std::numeric_limits<int>::max()), 127);
    EXPECT_EQ(slidingValue(4, &low, std::numeric_limits<int>::min()), 127);
}

TEST_F(Composer, PitchWheelAftertouchAndModulationStayMidiDataBytes) {
    // Every controller sample of the first columns is 255 (rows above the real axis at X = -2
    // lie outside |c| = 2); written raw it would not fit a MIDI data byte.
    enable(MidiParameter::PitchWheel);
    enable(MidiParameter::Aftertouch);
    enable(MidiParameter::ModulationWheel, 30);
    compose();
    EXPECT_EQ(channel.rawEvents[0].pitchWheel, 127);
    EXPECT_EQ(channel.rawEvents[0].aftertouch, 127);
    EXPECT_EQ(channel.rawEvents[0].modulation, 127);
    EXPECT_EQ(channel.rawEvents[1].modulation, 97);  // sample 252 scales to 125, odd: down by 30
    for (const NoteEvent& e : listOf(channel.rawEvents)) {
        for (int v : {e.velocity, e.pitchWheel, e.aftertouch, e.modulation, e.pan, e.expression}) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 127);
        }
    }
}

TEST_F(Composer, OffChannelIsClearedButSetsTheBarCount) {
    compose();
    ASSERT_GT(eventCount(channel.events), 0);
    channel.instrument = 0;
    sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 12);
    EXPECT_EQ(compose(), ComposeResult::Off);
    EXPECT_EQ(appState.barCount, 12);
    const auto allZero = [](const EventArray& events) {
        return std::all_of(events.begin(), events.end(),
                           [](const NoteEvent& e) { return e == NoteEvent{}; });
    };
    EXPECT_TRUE(allZero(channel.events));
    EXPECT_TRUE(allZero(channel.rawEvents));
    EXPECT_EQ(progressSteps(), 5);  // only from the first compose
}

TEST_F(Composer, BorderMatchesAtTheEdgesOfTheGrid) {
    // Every sample escapes at once, so the colour of count 255 fills the grid.
    sendToControl(ControlId::DifferentSet, ControlMessage::SetCheck, 1);
    channel.view = ViewRect{3.0, 4.0, 3.0, 4.0};
    channel.colour = iterationColour(255, appState.startColour);
    compose();  // "Up border" matches in row 0 only: a rest
    EXPECT_EQ(eventCount(channel.rawEvents), 0);
    channel.mode = static_cast<int>(ScanMode::DownBorder);
    compose();  // the bottom row gives k = gridSize, the highest note
    ASSERT_EQ(eventCount(channel.rawEvents), 48);  // a note in every column up to bar 6
    for (const NoteEvent& e : listOf(channel.rawEvents)) EXPECT_EQ(e.note, 71);
    EXPECT_EQ(appState.sharedView, ViewRect{});
}

TEST_F(Composer, RestsLengthenTheLastNoteAndAreLostBeforeTheFirst) {
    // Scanned right to left, the first columns (X > 0.25) hold nothing of the set.
    appState.sharedView = ViewRect{1.0, -2.0, -1.0, 1.0};
    sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 3);
    compose();
    const auto raw = listOf(channel.rawEvents);
    ASSERT_GE(raw.size(), 2u);
    const auto start = [](const NoteEvent& e) { return e.bar * 64 + e.step; };
    EXPECT_GT(start(raw[0]), 0);
    for (std::size_t i = 0; i + 1 < raw.size(); ++i)
        EXPECT_EQ(start(raw[i]) + raw[i].length, start(raw[i + 1]));
    EXPECT_EQ(start(raw.back()) + raw.back().length, 4 * 64);  // the scan stops after bar 3
}

TEST(ComposerJoin, JoinsARunWithinABarButNotAcrossABarLine) {
    resetAppState();
    Channel& c = appState.channels[1];
    c.rawEvents[0] = plainNote(60, 8, 48, 0);
    c.rawEvents[1] = plainNote(60, 8, 56, 0);
    c.rawEvents[2] = plainNote(60, 8, 0, 1);  // bar line: a new note
    c.rawEvents[3] = NoteEvent{60, 16, 8, 1, 90, 0, 0, 0, 0, 0};
    c.rawEvents[4] = plainNote(62, 8, 24, 1);
    c.rawEventsExtent = 5;
    joinRepeatedNotes(c, 5);
    EXPECT_EQ(listOf(c.events),
              (std::vector<NoteEvent>{plainNote(60, 16, 48, 0), plainNote(60, 24, 0, 1),
                                      plainNote(62, 8, 24, 1)}));
    clearEvents(c.events);
    c.allNotes = 1;
    joinRepeatedNotes(c, 5);
    EXPECT_EQ(eventCount(c.events), 5);
    EXPECT_EQ(c.events[3].velocity, 90);
}

}  // namespace
}  // namespace halcyone
