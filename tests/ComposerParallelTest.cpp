// The parallel compose against the reference: same raw events, same joined events, same
// progress steps, whatever the set-up and the number of threads.
#include <gtest/gtest.h>
#include <omp.h>

#include <limits>
#include <random>
#include <vector>

#include "compose/AppState.h"
#include "compose/Composer.h"
#include "compose/NotePools.h"
#include "fractal/FractalPlane.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace halcyone {
namespace {

struct Outcome {
    ComposeResult result;
    int barCount;
    int progressSteps;
    std::vector<NoteEvent> rawEvents;
    std::vector<NoteEvent> events;
};

// Composes with a fresh panel showing `bars`, keeping the written entries of both arrays (every
// entry past them is zero).
Outcome composeWith(Channel& channel, int bars, bool differentSet, ComposeExecution execution) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    ProgressBarSteps progress;
    Outcome o;
    o.result = composeChannel(channel, ComposeInputs{bars, differentSet}, progress, execution);
    o.barCount = appState.barCount;
    o.progressSteps = panel.count(ControlId::Progress, ControlMessage::StepIt);
    o.rawEvents.assign(channel.rawEvents.begin(),
                       channel.rawEvents.begin() + channel.rawEventsExtent);
    o.events.assign(channel.events.begin(), channel.events.begin() + channel.eventsExtent);
    return o;
}

// Sets the OpenMP thread count for the lifetime of the object.
class ScopedThreads {
public:
    explicit ScopedThreads(int n) : previous_(omp_get_max_threads()) { omp_set_num_threads(n); }
    ~ScopedThreads() { omp_set_num_threads(previous_); }

private:
    int previous_;
};

void expectSameOutcome(const Outcome& reference, const Outcome& parallel, int threads) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    EXPECT_EQ(parallel.result, reference.result);
    EXPECT_EQ(parallel.barCount, reference.barCount);
    EXPECT_EQ(parallel.progressSteps, reference.progressSteps);
    EXPECT_TRUE(parallel.rawEvents == reference.rawEvents);
    EXPECT_TRUE(parallel.events == reference.events);
}

void expectControllersAreDataBytes(const std::vector<NoteEvent>& events) {
    for (const NoteEvent& e : events)
        for (int v : {e.velocity, e.pitchWheel, e.aftertouch, e.modulation, e.pan, e.expression})
            ASSERT_TRUE(v >= 0 && v <= 127) << "controller value " << v;
}

class ComposerParallel : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        appState.startColour = defaultStartColour;
        channel.instrument = 1;
    }
    Channel& channel = appState.channels[2];
};

TEST_F(ComposerParallel, RandomSetUpsMatchTheReference) {
    std::mt19937 random(20240611);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    const auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    constexpr int cases = 48;
    // Keeps the reference's cost ("Average amount" samples every row of every column) small.
    constexpr int maxSide = 200;
    int composedNotes = 0;
    for (int n = 0; n < cases; ++n) {
        channel.mode = n % modeCount;
        channel.noteLength = below(noteLengthCount);
        const int bars = 1 + below(std::max(1, (maxSide - 10) >> channel.noteLength));
        const double width = std::pow(10.0, uniform(-3.0, 0.5));
        ViewRect view;
        view.X1 = uniform(-2.2, 0.4);
        view.X2 = view.X1 + width;
        view.Y1 = uniform(-1.3, 0.9);
        view.Y2 = view.Y1 + width * uniform(0.3, 2.0);
        const bool differentSet = below(2) == 1;
        (differentSet ? channel.view : appState.sharedView) = view;
        appState.startColour = below(4) == 0 ? black : defaultStartColour;
        // The colour of a point of the view, so that it occurs.
        channel.colour =
            below(5) == 0
                ? black
                : iterationColour(escapeCount(uniform(view.X1, view.X2), uniform(view.Y1, view.Y2)),
                                  appState.startColour);
        channel.cycleScale = below(3) == 0;
        channel.allNotes = below(4) == 0;
        channel.keys.fill(0);
        for (int k = 0, keys = below(20); k < keys; ++k) channel.keys[below(midiNoteCount)] = 1;
        channel.lowNote = below(maxRangeNote + 1);
        for (int i = 0; i < midiParameterCount; ++i) {
            channel.paramEnabled[i] = below(2);
            channel.slideSpeed[i] = below(2) == 0 ? 0 : below(101);
        }
        SCOPED_TRACE(testing::Message()
                     << "case " << n << ": mode " << channel.mode << ", note length "
                     << channel.noteLength << ", " << bars << " bars");
        const Outcome reference =
            composeWith(channel, bars, differentSet, ComposeExecution::Reference);
        expectControllersAreDataBytes(reference.rawEvents);
        composedNotes += eventCount(channel.rawEvents) > 0;
        const int threads = 1 + n % 3;
        ScopedThreads scope(threads);
        for (ComposeExecution parallel :
             {ComposeExecution::Parallel, ComposeExecution::ParallelFullCounts})
            expectSameOutcome(reference, composeWith(channel, bars, differentSet, parallel),
                              threads);
    }
    EXPECT_GT(composedNotes, cases / 2);  // the comparisons are mostly of real compositions
}

// Colours that match several counts (black under a black start colour: counts 0 and 255), count
// 0 alone, one count, and none at all, on views with NaN, infinite and zero-width coordinates:
// the cut-off, the skipped sampling where nothing can match and the cycle detection change no
// note, in any mode.
TEST_F(ComposerParallel, EveryColourAndDegenerateViewMatchesTheReference) {
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
    struct ColourCase {
        const char* name;
        Colour start;
        Colour colour;
    };
    const ColourCase colours[] = {
        {"counts 0 and 255", black, black},
        {"count 0", defaultStartColour, black},
        {"count 252", defaultStartColour, iterationColour(252, defaultStartColour)},
        {"count 200", defaultStartColour, iterationColour(200, defaultStartColour)},
        {"no count", defaultStartColour, makeColour(255, 255, 255)},
    };
    for (int i = 0; i < midiParameterCount; ++i) {
        channel.paramEnabled[i] = 1;
        channel.slideSpeed[i] = 3 * i;
    }
    channel.noteLength = 4;  // "1/16": 58 columns for 3 bars
    for (const ViewRect& view : views)
        for (const ColourCase& c : colours)
            // modeCount itself stands for a mode value that matches nothing.
            for (int mode = 0; mode <= modeCount; ++mode) {
                SCOPED_TRACE(testing::Message()
                             << c.name << ", mode " << mode << ", view " << view.X1 << " "
                             << view.X2 << " " << view.Y1 << " " << view.Y2);
                appState.sharedView = view;
                appState.startColour = c.start;
                channel.colour = c.colour;
                channel.mode = mode;
                const Outcome reference =
                    composeWith(channel, 3, false, ComposeExecution::Reference);
                for (ComposeExecution parallel :
                     {ComposeExecution::Parallel, ComposeExecution::ParallelFullCounts})
                    expectSameOutcome(reference, composeWith(channel, 3, false, parallel),
                                      omp_get_max_threads());
            }
}

TEST_F(ComposerParallel, LongestGridMatchesTheReference) {
    channel.noteLength = 6;  // "1/64"
    // A tall view whose top rows lie outside |c| = 2: the colour of count 254 is found a few
    // dozen to two hundred rows down in every one of the 63,946 columns.
    appState.sharedView = ViewRect{-1.0, 1.0, -2.05, 100.0};
    channel.colour = iterationColour(254, appState.startColour);
    channel.cycleScale = 1;
    for (int i = 0; i < midiParameterCount; ++i) {
        channel.paramEnabled[i] = 1;
        channel.slideSpeed[i] = 7 * i;
    }
    channel.lowNote = 40;
    for (ScanMode mode : {ScanMode::UpBorder, ScanMode::PlaySquare}) {
        channel.mode = static_cast<int>(mode);
        if (mode == ScanMode::PlaySquare) appState.sharedView = ViewRect{};
        const Outcome reference = composeWith(channel, 999, false, ComposeExecution::Reference);
        const Outcome parallel = composeWith(channel, 999, false, ComposeExecution::Parallel);
        expectSameOutcome(reference, parallel, omp_get_max_threads());
        expectControllersAreDataBytes(parallel.rawEvents);
        if (mode == ScanMode::UpBorder) {
            EXPECT_EQ(eventCount(channel.rawEvents), 63946);  // a note in every column
            EXPECT_EQ(parallel.progressSteps, 4);             // bars 249, 498, 747, 996
        } else {
            EXPECT_EQ(parallel.progressSteps, 0);
        }
    }
}

}  // namespace
}  // namespace halcyone
