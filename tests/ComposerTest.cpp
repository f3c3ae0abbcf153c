#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ComposeFold.h"
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

// The first `n` events as "note/length@bar.step".
std::string firstNotes(const EventArray& events, int n) {
    std::string text;
    for (int i = 0; i < std::min(n, eventCount(events)); ++i)
        text += std::to_string(events[i].note) + "/" + std::to_string(events[i].length) + "@" +
                std::to_string(events[i].bar) + "." + std::to_string(events[i].step) + " ";
    return text;
}

int startOf(const NoteEvent& e) {
    return e.bar * 64 + e.step;
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

    MemoryControlPanel panel;
    ScopedControlHost scope{panel};
    ProgressBarSteps progress;
    Channel& channel = appState.channels[0];
};

// Raw and joined notes of each mode (a repeat within a bar joins, not across a bar line), where
// the last raw note ends (each note lasts until the next starts), and the progress steps: one
// every bar of a column scan, none in "Play square".
TEST_F(Composer, WorkedResultsOfEveryMode) {
    struct Case {
        ScanMode mode;
        int raw, joined;
        const char* first;
        int end;
    };
    for (const Case& c :
         {Case{ScanMode::UpBorder, 40, 17, "59/64@0.0 59/40@1.0 57/8@1.40 ", 6 * 64},
          Case{ScanMode::DownBorder, 40, 14, "59/64@0.0 59/24@1.0 60/24@1.24 ", 6 * 64},
          Case{ScanMode::AverageAmount, 40, 17, "48/64@0.0 48/40@1.0 52/24@1.40 ", 6 * 64},
          Case{ScanMode::PlaySquare, 43, 8, "71/56@0.0 69/8@0.56 69/64@1.0 ", 43 * 8}}) {
        channel.mode = static_cast<int>(c.mode);
        EXPECT_EQ(compose(), ComposeResult::Composed);
        const auto raw = listOf(channel.rawEvents);
        ASSERT_EQ(raw.size(), c.raw) << c.first;
        EXPECT_EQ(eventCount(channel.events), c.joined) << c.first;
        EXPECT_EQ(firstNotes(channel.events, 3), c.first);
        for (std::size_t i = 0; i + 1 < raw.size(); ++i)
            EXPECT_EQ(startOf(raw[i]) + raw[i].length, startOf(raw[i + 1])) << c.first;
        EXPECT_EQ(startOf(raw.back()) + raw.back().length, c.end) << c.first;
    }
    EXPECT_EQ(appState.barCount, 5);
    EXPECT_EQ(progressSteps(), 3 * 5);
}

TEST_F(Composer, CycleScaleAndAllNotes) {
    channel.cycleScale = 1;
    compose();
    EXPECT_EQ(channel.events[0].note, 67);  // 25 mod 14 = 11
    channel.allNotes = 1;
    compose();
    EXPECT_EQ(listOf(channel.events), listOf(channel.rawEvents));
}

// Velocity slides by the parity of its scaled sample, pan and expression step by sevens, and
// pitch wheel, aftertouch and modulation keep their scaled values: every controller sample of
// the first columns is 255 (rows above the real axis at X = -2 lie outside |c| = 2), which
// written raw would not fit a MIDI data byte.
TEST_F(Composer, ControllersSlideStepAndStayMidiDataBytes) {
    channel.paramEnabled.fill(1);
    channel.slideSpeed[static_cast<int>(MidiParameter::Velocity)] = 20;
    channel.slideSpeed[static_cast<int>(MidiParameter::ModulationWheel)] = 30;
    compose();
    const auto firstFive = [&](std::int32_t NoteEvent::*field) {
        std::vector<int> values;
        for (int i = 0; i < 5; ++i) values.push_back(channel.rawEvents[i].*field);
        return values;
    };
    EXPECT_EQ(firstFive(&NoteEvent::velocity), (std::vector<int>{127, 107, 87, 67, 47}));
    // The first eight notes join: the joined note keeps the first one's values.
    NoteEvent joined = channel.rawEvents[0];
    joined.length = 64;
    EXPECT_EQ(channel.events[0], joined);
    EXPECT_EQ(firstFive(&NoteEvent::pan), (std::vector<int>{56, 42, 35, 35, 35}));
    EXPECT_EQ(firstFive(&NoteEvent::expression), firstFive(&NoteEvent::pan));
    EXPECT_EQ(firstFive(&NoteEvent::pitchWheel), (std::vector<int>{127, 125, 124, 124, 123}));
    EXPECT_EQ(firstFive(&NoteEvent::aftertouch), (std::vector<int>{127, 125, 125, 125, 125}));
    // Sample 252 scales to 125, odd: down by 30, and so on down to 10.
    EXPECT_EQ(firstFive(&NoteEvent::modulation), (std::vector<int>{127, 97, 67, 37, 10}));
}

// Sample 6 scales to 2 (even: up), sample 4 to 1 (odd: down), held within 10..127 whatever
// the speed.
TEST(ComposerSlide, ScalesSamplesAndSlidesWithinTenTo127) {
    const std::int32_t high = 120, low = 15;
    EXPECT_EQ(slidingValue(1, nullptr, 0), 0);  // scales to 0: nothing is sent
    EXPECT_EQ(slidingValue(6, &high, 20), 127);
    EXPECT_EQ(slidingValue(6, &low, std::numeric_limits<int>::max()), 127);
    EXPECT_EQ(slidingValue(4, &low, std::numeric_limits<int>::min()), 127);
}

TEST_F(Composer, OffChannelIsClearedButSetsTheBarCount) {
    compose();
    channel.instrument = 0;
    sendToControl(ControlId::BarNumber, ControlMessage::SetPos, 12);
    EXPECT_EQ(compose(), ComposeResult::Off);
    EXPECT_EQ(appState.barCount, 12);
    for (const EventArray* events : {&channel.events, &channel.rawEvents})
        EXPECT_TRUE(std::all_of(events->begin(), events->end(),
                                [](const NoteEvent& e) { return e == NoteEvent{}; }));
    EXPECT_EQ(progressSteps(), 5);  // only from the first compose
}

// Every sample escapes at once, so the colour of count 255 fills the grid: "Up border" matches
// in row 0 only, a rest; "Down border" in the bottom row, the highest note.
TEST_F(Composer, BorderMatchesAtTheEdgesOfTheGrid) {
    sendToControl(ControlId::DifferentSet, ControlMessage::SetCheck, 1);
    channel.view = ViewRect{3.0, 4.0, 3.0, 4.0};
    channel.colour = iterationColour(255, appState.startColour);
    compose();
    EXPECT_EQ(eventCount(channel.rawEvents), 0);
    channel.mode = static_cast<int>(ScanMode::DownBorder);
    compose();
    ASSERT_EQ(eventCount(channel.rawEvents), 48);  // a note in every column up to bar 6
    for (const NoteEvent& e : listOf(channel.rawEvents)) EXPECT_EQ(e.note, 71);
    EXPECT_EQ(appState.sharedView, ViewRect{});
}

// Scanned right to left, the first columns (X > 0.25) hold nothing of the set: the rests pass
// without a note to lengthen.
TEST_F(Composer, RestsBeforeTheFirstNoteAreLost) {
    appState.sharedView = ViewRect{1.0, -2.0, -1.0, 1.0};
    compose();
    // Eleven "1/8" columns pass as rests; the first note starts where it was found, in the
    // twelfth (bar 1, step 3 x 8), one column long.
    const std::string firstNoteAtTheTwelfthColumn = "55/8@1.24 ";
    EXPECT_EQ(firstNotes(channel.rawEvents, 1), firstNoteAtTheTwelfthColumn);
}

// The command-line tool's progress line expects as many steps a channel as a column scan
// makes, for any bar count.
TEST_F(Composer, ProgressStepsForBarsAreTheStepsOfAColumnScan) {
    appState.sharedView = ViewRect{3.0, 4.0, 3.0, 4.0};  // escapes at once: 999 bars are quick
    channel.noteLength = 0;
    for (const int bars : {1, 3, 4, 9, 999}) {
        sendToControl(ControlId::BarNumber, ControlMessage::SetPos, bars);
        const int before = progressSteps();
        compose();
        EXPECT_EQ(progressSteps() - before, progressStepsForBars(bars)) << bars;
    }
}

}  // namespace
}  // namespace halcyone
