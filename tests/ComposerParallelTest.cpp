// The parallel compose against the reference: same raw events, same joined events, same
// progress steps, whatever the set-up, the number of threads and the kernels' level. Each test
// runs once per level this build has, and is skipped, with a line saying so, on levels the
// processor lacks.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ControlSync.h"
#include "compose/Composer.h"
#include "compose/NotePools.h"
#include "fractal/EscapeIsa.h"
#include "fractal/FractalPlane.h"
#include "fractal/ParallelLoop.h"
#include "platform/MemoryControlPanel.h"
#include "platform/ControlSeam.h"
#include "testing/ScopedHosts.h"
#include "LevelTestSupport.h"

namespace halcyone {
namespace {

struct Outcome {
    ComposeResult result;
    int progressSteps;
    std::vector<NoteEvent> rawEvents, events;  // the written entries (every one past them is 0)
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

Outcome composeWith(Channel& channel, int bars, bool differentSet, ComposeExecution execution) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    ProgressBarSteps progress;
    const ComposeResult result =
        composeChannel(channel, ComposeInputs{bars, differentSet}, progress, execution);
    return {result,
            panel.count(ControlId::Progress, ControlMessage::StepIt),
            {channel.rawEvents.begin(), channel.rawEvents.begin() + channel.rawEventsExtent},
            {channel.events.begin(), channel.events.begin() + channel.eventsExtent}};
}

// Composes with the reference and then with both parallel executions (cut-off on and off), and
// expects the same outcome; returns the reference's.
Outcome expectParallelMatches(Channel& channel, int bars, bool differentSet = false,
                              bool cutOffOnly = false) {
    const Outcome reference = composeWith(channel, bars, differentSet, ComposeExecution::Reference);
    for (ComposeExecution execution :
         {ComposeExecution::Parallel, ComposeExecution::ParallelFullCounts}) {
        if (cutOffOnly && execution == ComposeExecution::ParallelFullCounts) continue;
        EXPECT_TRUE(composeWith(channel, bars, differentSet, execution) == reference)
            << (execution == ComposeExecution::Parallel ? "with" : "without") << " the cut-off";
    }
    bool dataBytes = true;
    for (const NoteEvent& e : reference.rawEvents)
        for (int v : {e.velocity, e.pitchWheel, e.aftertouch, e.modulation, e.pan, e.expression})
            dataBytes &= v >= 0 && v <= 127;
    EXPECT_TRUE(dataBytes) << "a controller value outside 0..127";
    return reference;
}

class ComposerParallel : public PerEscapeLevel {
protected:
    void SetUp() override {
        PerEscapeLevel::SetUp();
        if (IsSkipped()) return;
        useEscapeIsa(GetParam());
        resetAppState();
        appState.startColour = defaultStartColour;
        channel.instrument = 1;
    }
    void TearDown() override {
        setWorkThreads(0);
        useEscapeIsa(levelBefore);
    }
    const EscapeIsa levelBefore = escapeIsaInUse();
    Channel& channel = appState.channels[2];
};

// Colours that match several counts (black under a black start colour: counts 0 and 255), count
// 0 alone, one count, and none at all, on views with NaN, infinite and zero-width coordinates:
// the cut-off, the skipped sampling where nothing can match and the cycle detection change no
// note, in any mode.
TEST_P(ComposerParallel, EveryColourAndDegenerateViewMatchesTheReference) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const ViewRect views[] = {
        ViewRect{},
        {-1.9, 0.5, -1.2, 1.2},   // reaches past |c| = 2 at the corners
        {-0.5, -0.5, -1.0, 1.0},  // zero width: every column alike
        {-2.0, 1.0, 0.0, 0.0},    // zero height: every row on the real axis
        {nan, 1.0, -1.0, 1.0},    // no column has a number
        {-2.0, 1.0, -1.0, nan},   // no row has a number
        {-inf, 1.0, -1.0, 1.0},   // every column NaN: -inf plus an infinite step
        {-2.0, 1.0, -1.0, inf},   // row 0 NaN (an infinite extent times 0), the others infinite
        {-0.2, 0.1, 0.6, 0.9},    // the period-3 bulb: inside points that cycle
    };
    // Start colour and channel colour: counts 0 and 255, count 0, counts 252 and 200, none.
    const Colour start = defaultStartColour;
    const std::pair<Colour, Colour> colours[] = {{black, black},
                                                 {start, black},
                                                 {start, iterationColour(252, start)},
                                                 {start, iterationColour(200, start)},
                                                 {start, makeColour(255, 255, 255)}};
    channel.paramEnabled.fill(1);
    for (int i = 0; i < midiParameterCount; ++i) channel.slideSpeed[i] = 3 * i;
    channel.noteLength = 4;  // "1/16": 58 columns for 3 bars
    for (const ViewRect& view : views)
        for (const auto& c : colours)
            // modeCount itself stands for a mode value that matches nothing.
            for (int mode = 0; mode <= modeCount; ++mode) {
                SCOPED_TRACE(testing::Message() << "view " << &view - views << ", colour "
                                                << &c - colours << ", mode " << mode);
                appState.sharedView = view;
                appState.startColour = c.first;
                channel.colour = c.second;
                channel.mode = mode;
                expectParallelMatches(channel, 3);
            }
}

// Whole random compositions, composed as Compose does (composeAll) on one to three threads:
// every mode, note length and controller set-up, views shared or per channel (often alike bit
// for bit, so that channels share column scans, once a NaN one), colours of points of the views,
// black and colours near the top count, channels switched off. Both parallel executions make
// the reference's events in every channel.
TEST_P(ComposerParallel, RandomCompositionsMatchTheReference) {
    std::mt19937 random(20240611);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    const auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    setUpControls();
    int composed = 0;
    for (int n = 0; n < 24; ++n) {
        const double width = std::pow(10.0, uniform(-3.0, 0.5));
        const double x = uniform(-2.2, 0.4), y = uniform(-1.3, 0.9);
        const ViewRect views[] = {ViewRect{},
                                  {x, x + width, y, y + width * uniform(0.3, 2.0)},
                                  {-2.0, 1.0, -1.0, n == 5 ? std::nan("") : 1.0}};
        const int sharedLength = below(noteLengthCount);
        // At most about 200 columns keep the reference ("Average amount" samples every row) cheap.
        const int bars = 1 + below(std::max(1, 190 >> sharedLength));
        setControlPosition(ControlId::BarNumber, bars);
        setControlCheck(ControlId::DifferentSet, n % 2 == 1);
        appState.sharedView = views[1];
        appState.startColour = below(4) == 0 ? black : defaultStartColour;
        const Colour colours[] = {
            black, iterationColour(252 - below(4), appState.startColour),
            iterationColour(escapeCount(uniform(x, x + width), uniform(y, y + width)),
                            appState.startColour)};
        for (Channel& c : appState.channels) {
            c.instrument = below(6) == 0 ? 0 : 1 + below(100);
            c.mode = below(modeCount);
            c.noteLength = below(3) == 0 ? below(sharedLength + 1) : sharedLength;
            c.colour = colours[below(3)];
            c.view = views[below(3)];
            c.cycleScale = below(3) == 0;
            c.allNotes = below(4) == 0;
            c.keys.fill(0);
            for (int k = 0, keys = below(20); k < keys; ++k) c.keys[below(midiNoteCount)] = 1;
            c.lowNote = below(maxRangeNote + 1);
            for (int i = 0; i < midiParameterCount; ++i) {
                c.paramEnabled[i] = below(2);
                c.slideSpeed[i] = below(2) == 0 ? 0 : below(101);
            }
        }
        setWorkThreads(1 + n % 3);
        std::vector<Outcome> reference;
        for (ComposeExecution execution : {ComposeExecution::Reference, ComposeExecution::Parallel,
                                           ComposeExecution::ParallelFullCounts}) {
            ProgressBarSteps progress;
            ASSERT_TRUE(composeAll(progress, execution));
            for (int k = 0; k < channelCount; ++k) {
                const Channel& c = appState.channels[static_cast<std::size_t>(k)];
                Outcome outcome{ComposeResult::Composed, 0,
                                {c.rawEvents.begin(), c.rawEvents.begin() + c.rawEventsExtent},
                                {c.events.begin(), c.events.begin() + c.eventsExtent}};
                if (execution == ComposeExecution::Reference) {
                    composed += !outcome.rawEvents.empty();
                    reference.push_back(std::move(outcome));
                } else {
                    EXPECT_TRUE(outcome == reference[static_cast<std::size_t>(k)])
                        << "case " << n << ", channel " << k + 1 << ", "
                        << (execution == ComposeExecution::Parallel ? "with" : "without")
                        << " the cut-off";
                }
            }
        }
    }
    EXPECT_GT(composed, 60);  // the comparisons are mostly of real compositions
}

TEST_P(ComposerParallel, LongestGridMatchesTheReference) {
    channel.noteLength = 6;  // "1/64"
    // A tall view whose top rows lie outside |c| = 2: the colour of count 254 is found a few
    // dozen to two hundred rows down in every one of the 63,946 columns.
    appState.sharedView = ViewRect{-1.0, 1.0, -2.05, 100.0};
    channel.colour = iterationColour(254, appState.startColour);
    channel.cycleScale = 1;
    channel.paramEnabled.fill(1);
    for (int i = 0; i < midiParameterCount; ++i) channel.slideSpeed[i] = 7 * i;
    channel.lowNote = 40;
    const Outcome upBorder = expectParallelMatches(channel, 999, false, true);
    EXPECT_EQ(upBorder.rawEvents.size(), 63946u);  // a note in every column
    EXPECT_EQ(upBorder.progressSteps, 4);          // bars 249, 498, 747, 996
    channel.mode = static_cast<int>(ScanMode::PlaySquare);
    appState.sharedView = ViewRect{};
    EXPECT_EQ(expectParallelMatches(channel, 999, false, true).progressSteps, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, ComposerParallel, testing::ValuesIn(builtEscapeIsas()),
                         levelName);

}  // namespace
}  // namespace halcyone
