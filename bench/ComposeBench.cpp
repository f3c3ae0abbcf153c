// Compose of five channels on heavy set-ups: the parallel path against the plain reference in the
// same run, with and without the cut-off by colour. Prints the ratios and whether every path made
// the same events. With --setups=DIR it also writes each set-up as a preferences file, so that
// scripts/bench.sh can time the command-line tool on them end to end. The kernels' level is the
// one in use: HALCYONE_ISA chooses it.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ControlSync.h"
#include "compose/NotePools.h"
#include "files/Preferences.h"
#include "fractal/EscapeIsa.h"
#include "fractal/ParallelLoop.h"
#include "fractal/PreviewGrid.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace {

using namespace halcyone;

constexpr int noteLength1of16 = 4;
constexpr int noteLength1of32 = 5;
constexpr int noteLength1of64 = 6;

enum class Colours {
    Frequent,          // channel k takes the view's k-th most frequent colour, black included
    FrequentNotBlack,  // the same, skipping black
    Black,
};

using ChannelModes = std::array<ScanMode, channelCount>;
using ChannelViews = std::array<ViewRect, channelCount>;

struct SetUp {
    const char* name;
    int bars;
    std::array<int, channelCount> noteLengths;
    Colours colours;
    bool reference;  // also compose with the plain reference (minutes at 999 bars)
    const ChannelModes& modes;
    const ChannelViews* views;  // "Different set for each channel"; nullptr: the default view
};

// Every mode, controllers on where they are used, on the default view.
constexpr ChannelModes everyMode = {ScanMode::UpBorder, ScanMode::DownBorder,
                                    ScanMode::AverageAmount, ScanMode::PlaySquare,
                                    ScanMode::AverageAmount};
// Each channel on its own view of the set's boundary, where orbits run longest: seahorse valley,
// the top of the cardioid with the period-3 bulb, the top of the period-2 bulb with its bulbs,
// the cusp, and the left half of the default view. "Average amount" takes every row of every
// column: the dearest mode, on three of them.
constexpr ChannelModes boundaryModes = {ScanMode::AverageAmount, ScanMode::UpBorder,
                                        ScanMode::AverageAmount, ScanMode::DownBorder,
                                        ScanMode::AverageAmount};
const ChannelViews boundaryViews = {ViewRect{-0.8, -0.7, 0.05, 0.15},
                                    ViewRect{-0.25, 0.0, 0.55, 0.8},
                                    ViewRect{-1.2, -0.9, 0.1, 0.4},
                                    ViewRect{0.2, 0.4, -0.1, 0.1},
                                    ViewRect{-2.0, -0.5, -1.0, 1.0}};
constexpr std::array<int, channelCount> allOf1of16 = {
    noteLength1of16, noteLength1of16, noteLength1of16, noteLength1of16, noteLength1of16};
const SetUp setUps[] = {
    {"NotBlack200", 200, allOf1of16, Colours::FrequentNotBlack, true, everyMode, nullptr},
    {"Black200", 200, allOf1of16, Colours::Black, true, everyMode, nullptr},
    {"ViewsNotBlack200", 200, allOf1of16, Colours::FrequentNotBlack, true, boundaryModes,
     &boundaryViews},
    {"ViewsBlack200", 200, allOf1of16, Colours::Black, true, boundaryModes, &boundaryViews},
    // The heavy set-up of earlier measurements, at the longest composition.
    {"Heavy999",
     barNumberMax,
     {noteLength1of64, noteLength1of32, noteLength1of64, noteLength1of32, noteLength1of32},
     Colours::Frequent,
     false,
     everyMode,
     nullptr},
};

// The 20 most frequent colours of a view, as the window offers them.
Palette paletteOf(const ViewRect& view) {
    PreviewCounts counts;
    samplePreview(view, counts);
    return paletteFromHistogram(countHistogram(counts), appState.startColour);
}

void setUpChannels(const SetUp& setUp) {
    resetAppState();
    appState.startColour = defaultStartColour;
    appState.palette = paletteOf(appState.sharedView);
    setControlCheck(ControlId::DifferentSet, setUp.views != nullptr);
    std::size_t next = 0;
    for (int k = 0; k < channelCount; ++k) {
        Channel& c = appState.channels[static_cast<std::size_t>(k)];
        const ScanMode mode = setUp.modes[static_cast<std::size_t>(k)];
        c.instrument = 1 + k;
        c.mode = static_cast<int>(mode);
        c.noteLength = setUp.noteLengths[static_cast<std::size_t>(k)];
        // With a view of its own, a channel takes the colours of its view's palette.
        Palette palette = appState.palette;
        if (setUp.views != nullptr) {
            c.view = (*setUp.views)[static_cast<std::size_t>(k)];
            palette = paletteOf(c.view);
            next = 0;
        }
        switch (setUp.colours) {
            case Colours::Frequent:
                c.colour = palette[static_cast<std::size_t>(k)];
                break;
            case Colours::FrequentNotBlack:
                while (palette[next] == black) ++next;
                c.colour = palette[next++];
                break;
            case Colours::Black:
                c.colour = black;
                break;
        }
        buildScalePool(c);
        for (int i = 0; i <= c.poolTop; ++i) c.keys[static_cast<std::size_t>(c.pool[i])] = 1;
        const bool parameters = mode != ScanMode::PlaySquare;
        for (int i = 0; i < midiParameterCount; ++i) {
            c.paramEnabled[static_cast<std::size_t>(i)] = parameters;
            c.slideSpeed[static_cast<std::size_t>(i)] = 5 * i;
        }
    }
}

using Snapshot = std::vector<NoteEvent>;
std::map<std::string, Snapshot> results;

Snapshot snapshot() {
    Snapshot s;
    for (const Channel& c : appState.channels) {
        s.insert(s.end(), c.rawEvents.begin(), c.rawEvents.begin() + c.rawEventsExtent);
        s.insert(s.end(), c.events.begin(), c.events.begin() + c.eventsExtent);
    }
    return s;
}

void compose(benchmark::State& state, const SetUp& setUp, ComposeExecution execution,
             const std::string& name) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    setUpControls();
    setUpChannels(setUp);
    setControlPosition(ControlId::BarNumber, setUp.bars);
    ProgressBarSteps progress;
    for (auto _ : state) composeAll(progress, execution);
    state.counters["threads"] =
        execution == ComposeExecution::Reference ? 1 : workThreads();
    results[name] = snapshot();
}

void registerBenchmarks() {
    const std::pair<const char*, ComposeExecution> executions[] = {
        {"Reference", ComposeExecution::Reference},
        {"ParallelFullCounts", ComposeExecution::ParallelFullCounts},
        {"Parallel", ComposeExecution::Parallel},
    };
    for (const SetUp& setUp : setUps)
        for (const auto& [executionName, execution] : executions) {
            const bool reference = execution == ComposeExecution::Reference;
            if (reference && !setUp.reference) continue;
            const std::string name = std::string(setUp.name) + "/" + executionName;
            benchmark::RegisterBenchmark(name.c_str(), compose, setUp, execution, name)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(reference || setUp.bars > 500 ? 1 : 3)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
        }
}

// Keeps the wall-clock time and the CPU time of all threads per iteration of every run.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real;
        double cpu;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times[run.run_name.function_name] = {run.GetAdjustedRealTime(),
                                                 run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> times;
};

// Writes each set-up as a preferences file DIR/<name>.mpr, as "Save preferences..." would.
bool writeSetUps(const std::string& dir) {
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    setUpControls();
    for (const SetUp& setUp : setUps) {
        setUpChannels(setUp);
        setControlPosition(ControlId::BarNumber, setUp.bars);
        const PreferencesBytes bytes = encodePreferences(capturePreferences());
        std::ofstream file(dir + "/" + setUp.name + ".mpr", std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* setUpsOption = "--setups=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], setUpsOption, std::strlen(setUpsOption)) == 0) {
            const bool written = writeSetUps(argv[i] + std::strlen(setUpsOption));
            std::printf("%s\n", written ? "set-ups written" : "can't write the set-ups");
            return written ? 0 : 1;
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The wall-clock ratio counts the threads too, and drops when other programs share the
    // cores; the CPU ratio is the work saved.
    bool identical = true;
    std::cout << std::fixed << std::setprecision(1) << "\nCompose of five channels, "
              << workThreads() << " threads, kernels " << escapeIsaName(escapeIsaInUse())
              << ":\n";
    for (const SetUp& setUp : setUps) {
        const std::string base = std::string(setUp.name) + "/";
        const auto reference = reporter.times.find(base + "Reference");
        if (reference != reporter.times.end())
            std::cout << "  " << std::left << std::setw(30) << base + "Reference" << std::right
                      << std::setw(9) << reference->second.real << " ms\n";
        for (const char* variant : {"ParallelFullCounts", "Parallel"}) {
            const auto fast = reporter.times.find(base + variant);
            if (fast == reporter.times.end()) continue;
            std::cout << "  " << std::left << std::setw(30) << base + variant << std::right
                      << std::setw(9) << fast->second.real << " ms";
            if (reference != reporter.times.end()) {
                const bool same = results[base + variant] == results[base + "Reference"];
                identical = identical && same;
                std::cout << std::setw(8) << reference->second.real / fast->second.real
                          << "x faster than the reference ("
                          << reference->second.cpu / fast->second.cpu << "x less CPU time), events "
                          << (same ? "identical" : "DIFFER");
            } else if (results.count(base + "ParallelFullCounts") != 0) {
                const bool same = results[base + variant] == results[base + "ParallelFullCounts"];
                identical = identical && same;
                std::cout << "  events " << (same ? "identical" : "DIFFER");
            }
            std::cout << "\n";
        }
    }
    std::cout << std::flush;
    return identical ? 0 : 1;
}
