// Escape counts of the preview grid: the batch path against the plain loop.
#include <benchmark/benchmark.h>

#include "fractal/FractalPlane.h"
#include "fractal/PreviewGrid.h"

namespace {

using namespace halcyone;

void BM_PreviewPlainLoop(benchmark::State& state) {
    const ViewRect view;
    PreviewCounts counts;
    for (auto _ : state) {
        for (int i = 0; i < previewSize; ++i)
            for (int j = 0; j < previewSize; ++j)
                counts[i * previewSize + j] = escapeCount(previewCoordinate(view.X1, view.X2, i),
                                                          previewCoordinate(view.Y1, view.Y2, j));
        benchmark::DoNotOptimize(counts);
    }
}
BENCHMARK(BM_PreviewPlainLoop)->Unit(benchmark::kMillisecond);

void BM_PreviewWithPalette(benchmark::State& state) {
    const ViewRect view;
    PreviewCounts counts;
    for (auto _ : state) {
        samplePreview(view, counts);
        benchmark::DoNotOptimize(paletteFromHistogram(countHistogram(counts), makeColour(200, 100, 50)));
    }
}
BENCHMARK(BM_PreviewWithPalette)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
