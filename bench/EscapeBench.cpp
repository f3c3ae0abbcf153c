// Escape counts: the plain single-thread loop against the kernels of the level in use (HALCYONE_ISA
// chooses it) alone, with cycle detection alone, with the interior test alone and with both, on
// 2000 x 2000 grids of three views and on the 200 x 200 preview with its palette. After the runs
// a summary gives each variant's speed-up over the plain loop of the same group.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fractal/EscapeGrid.h"
#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"

namespace {

using namespace halcyone;

constexpr int gridSide = 2000;
constexpr double gridStep = 0.0005;  // 1/2000, as the preview's 0.005 is 1/200
constexpr int coreThreads = 2;       // the targets are set for two cores
constexpr Colour startColour = makeColour(200, 100, 50);

struct NamedView {
    const char* name;
    ViewRect view;
};

const NamedView views[] = {
    {"Default", ViewRect{}},
    {"Seahorse", {-0.775, -0.725, 0.075, 0.125}},         // 0.05 wide around -0.75 + 0.1i
    {"Period3Bulb", {-0.1326, -0.1126, 0.7349, 0.7549}},  // wholly inside the bulb
};

struct Grid {
    std::vector<double> re, im;
    std::vector<std::uint8_t> counts;
};

// Every coordinate by its own formula, as the preview computes it.
Grid makeGrid(const ViewRect& view) {
    Grid grid;
    for (int k = 0; k < gridSide; ++k) {
        grid.re.push_back(view.X1 + (view.X2 - view.X1) * k * gridStep);
        grid.im.push_back(view.Y1 + (view.Y2 - view.Y1) * k * gridStep);
    }
    grid.counts.resize(grid.re.size() * grid.im.size());
    return grid;
}

void countPoints(benchmark::State& state, std::size_t points) {
    state.counters["points/s"] = benchmark::Counter(static_cast<double>(points),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void gridPlain(benchmark::State& state, ViewRect view) {
    Grid grid = makeGrid(view);
    for (auto _ : state) {
        for (int i = 0; i < gridSide; ++i)
            for (int j = 0; j < gridSide; ++j)
                grid.counts[i * gridSide + j] = escapeCount(grid.re[i], grid.im[j]);
        benchmark::DoNotOptimize(grid.counts.data());
        benchmark::ClobberMemory();
    }
    countPoints(state, grid.counts.size());
}

void gridFast(benchmark::State& state, ViewRect view, EscapeMethod method, int threads) {
    Grid grid = makeGrid(view);
    for (auto _ : state) {
        escapeCountGrid(grid.re, grid.im, grid.counts, threads, method);
        benchmark::DoNotOptimize(grid.counts.data());
        benchmark::ClobberMemory();
    }
    countPoints(state, grid.counts.size());
}

// What the window does for a new view: the image, then the palette from a second sampling.
void previewPlain(benchmark::State& state) {
    const ViewRect view;
    PreviewCounts counts;
    PreviewColours pixels;
    const auto sample = [&] {
        for (int i = 0; i < previewSize; ++i)
            for (int j = 0; j < previewSize; ++j)
                counts[i * previewSize + j] = escapeCount(previewCoordinate(view.X1, view.X2, i),
                                                          previewCoordinate(view.Y1, view.Y2, j));
    };
    for (auto _ : state) {
        sample();
        previewColours(counts, startColour, pixels);
        sample();
        benchmark::DoNotOptimize(paletteFromHistogram(countHistogram(counts), startColour));
        benchmark::DoNotOptimize(pixels.data());
    }
    countPoints(state, 2 * counts.size());
}

void previewFast(benchmark::State& state) {
    const ViewRect view;
    PreviewCounts counts;
    PreviewColours pixels;
    for (auto _ : state) {
        samplePreview(view, counts);
        previewColours(counts, startColour, pixels);
        samplePreview(view, counts);
        benchmark::DoNotOptimize(paletteFromHistogram(countHistogram(counts), startColour));
        benchmark::DoNotOptimize(pixels.data());
    }
    countPoints(state, 2 * counts.size());
}

template <class... Args>
void add(const std::string& name, benchmark::TimeUnit unit, Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), args...)->Unit(unit)->UseRealTime();
}

void registerBenchmarks() {
    using benchmark::kMillisecond;
    const EscapeMethod fastest = escapeMethodInUse();
    // The kernel alone: every orbit iterated until it escapes or runs out.
    const EscapeMethod noInteriorTest{fastest.isa, false, false};
    const EscapeMethod noCycles{fastest.isa, true, false};
    const EscapeMethod cyclesOnly{fastest.isa, false, true};
    for (const NamedView& v : views) {
        const std::string group = std::string(v.name) + "/";
        add(group + "Plain", kMillisecond, gridPlain, v.view);
        add(group + "NoInteriorTest2Threads", kMillisecond, gridFast, v.view, noInteriorTest,
            coreThreads);
        add(group + "NoCycles2Threads", kMillisecond, gridFast, v.view, noCycles, coreThreads);
        add(group + "CyclesOnly2Threads", kMillisecond, gridFast, v.view, cyclesOnly, coreThreads);
        add(group + "Fast2Threads", kMillisecond, gridFast, v.view, fastest, coreThreads);
        add(group + "Fast1Thread", kMillisecond, gridFast, v.view, fastest, 1);
    }
    add("PreviewWithPalette/Plain", benchmark::kMicrosecond, previewPlain);
    add("PreviewWithPalette/Fast", benchmark::kMicrosecond, previewFast);
}

// Keeps the wall-clock time of every run so that the variants can be set against "Plain".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nSpeed-up over the plain single-thread loop of the same group, kernels %s:\n",
                    escapeIsaName(escapeIsaInUse()));
        for (const auto& [name, time] : seconds_) {
            const std::string group = name.substr(0, name.find('/'));
            const auto plain = seconds_.find(group + "/Plain");
            if (plain == seconds_.end() || plain->first == name) continue;
            std::printf("  %-36s %7.1fx\n", name.c_str(), plain->second / time);
        }
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
