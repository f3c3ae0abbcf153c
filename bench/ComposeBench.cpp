// A full Compose of five channels on a heavy set-up: the parallel path against the reference in
// the same run. Prints the ratio and whether both made the same events.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "compose/AppState.h"
#include "compose/Composer.h"
#include "compose/NotePools.h"
#include "fractal/PreviewGrid.h"
#include "platform/MemoryControlPanel.h"
#include "testing/ScopedHosts.h"

namespace {

using namespace halcyone;

constexpr int benchBars = 120;
constexpr int noteLength1of64 = 6;
constexpr int noteLength1of32 = 5;

struct ChannelSetUp {
    ScanMode mode;
    int noteLength;
    bool parameters;
};

// Every mode, the two shortest note lengths, controllers on where they are used.
constexpr ChannelSetUp setUps[channelCount] = {
    {ScanMode::UpBorder, noteLength1of64, true},
    {ScanMode::DownBorder, noteLength1of32, true},
    {ScanMode::AverageAmount, noteLength1of64, true},
    {ScanMode::PlaySquare, noteLength1of32, false},
    {ScanMode::AverageAmount, noteLength1of32, true},
};

// The default view with "Auto colors": channel k takes the k-th most frequent colour.
void setUpChannels() {
    resetAppState();
    appState.startColour = defaultStartColour;
    PreviewCounts counts;
    samplePreview(appState.sharedView, counts);
    appState.palette = paletteFromHistogram(countHistogram(counts), appState.startColour);
    for (int k = 0; k < channelCount; ++k) {
        Channel& c = appState.channels[k];
        c.instrument = 1 + k;
        c.mode = static_cast<int>(setUps[k].mode);
        c.noteLength = setUps[k].noteLength;
        c.colour = appState.palette[k];
        buildScalePool(c);
        for (int i = 0; i <= c.poolTop; ++i) c.keys[c.pool[i]] = 1;
        for (int i = 0; i < midiParameterCount; ++i) {
            c.paramEnabled[i] = setUps[k].parameters;
            c.slideSpeed[i] = 5 * i;
        }
    }
}

using Snapshot = std::vector<NoteEvent>;
Snapshot referenceEvents;
Snapshot parallelEvents;

Snapshot snapshot() {
    Snapshot s;
    for (const Channel& c : appState.channels) {
        s.insert(s.end(), c.rawEvents.begin(), c.rawEvents.end());
        s.insert(s.end(), c.events.begin(), c.events.end());
    }
    return s;
}

void composeAll(benchmark::State& state, ComposeExecution execution, Snapshot& result) {
    setUpChannels();
    MemoryControlPanel panel;
    ScopedControlHost scope(panel);
    ProgressBarSteps progress;
    const ComposeInputs inputs{benchBars, false};
    for (auto _ : state)
        for (Channel& c : appState.channels) composeChannel(c, inputs, progress, execution);
    state.counters["threads"] = execution == ComposeExecution::Parallel ? omp_get_max_threads() : 1;
    result = snapshot();
}

void BM_ComposeReference(benchmark::State& state) {
    composeAll(state, ComposeExecution::Reference, referenceEvents);
}
BENCHMARK(BM_ComposeReference)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_ComposeParallel(benchmark::State& state) {
    composeAll(state, ComposeExecution::Parallel, parallelEvents);
}
BENCHMARK(BM_ComposeParallel)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto reference = reporter.times.find("BM_ComposeReference");
    const auto parallel = reporter.times.find("BM_ComposeParallel");
    if (reference == reporter.times.end() || parallel == reporter.times.end()) return 0;
    const bool identical = referenceEvents == parallelEvents;
    // The CPU ratio is the work saved; the wall-clock ratio adds the threads, and drops when
    // other programs share the cores.
    std::cout << std::fixed << std::setprecision(1) << "Compose, " << benchBars
              << " bars, five channels, " << omp_get_max_threads() << " threads: parallel is "
              << reference->second.real / parallel->second.real
              << "x faster than the reference in wall-clock time ("
              << reference->second.cpu / parallel->second.cpu << "x less CPU time); events "
              << (identical ? "identical" : "DIFFER") << std::endl;
    return identical ? 0 : 1;
}
