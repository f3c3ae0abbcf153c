// The MIDI writer on the largest composition: 999 bars, five channels at "1/64", one event per
// step with every controller set. The indexed matching against the plain walk of each list for
// every step; before the benchmarks run, one pass of each checks that the bytes are identical
// and prints the ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "files/MidiBytes.h"

namespace {

using namespace halcyone;

constexpr int maxBars = 999;

// What the composer leaves at "1/64": 64 events a bar plus the 10 extra columns.
class DenseComposition {
public:
    explicit DenseComposition(int bars) {
        const int count = stepsPerBar * bars + extraGridColumns;
        for (int i = 0; i < channelCount; ++i) {
            events_[i].resize(static_cast<std::size_t>(count));
            for (int k = 0; k < count; ++k)
                events_[i][k] = NoteEvent{36 + (k * 7 + i) % 60, 1, k % stepsPerBar,
                                          k / stepsPerBar, 127, 1 + k % 126, 1 + k % 127,
                                          1 + (k * 3) % 127, 1 + (k * 5) % 127, 1 + k % 100};
            tracks_[i] = ChannelTrack{1 + i * 20, events_[i]};
        }
    }
    const MidiTracks& tracks() const { return tracks_; }

private:
    std::array<std::vector<NoteEvent>, channelCount> events_;
    MidiTracks tracks_;
};

const DenseComposition& composition() {
    static const DenseComposition dense(maxBars);
    return dense;
}

void writeWith(benchmark::State& state, EventMatching matching) {
    const int bars = static_cast<int>(state.range(0));
    const DenseComposition dense(bars);
    std::vector<std::uint8_t> buffer(midiBufferSize(bars));
    for (auto _ : state) benchmark::DoNotOptimize(writeMidiBytes(dense.tracks(), bars, 120, buffer, matching));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(writeMidiBytes(dense.tracks(), bars, 120, buffer, matching)));
}

void BM_MidiIndexed(benchmark::State& state) { writeWith(state, EventMatching::Indexed); }
BENCHMARK(BM_MidiIndexed)->Arg(100)->Arg(maxBars)->Unit(benchmark::kMillisecond);

// Quadratic in the bar count: measured at 100 bars here, at 999 once in main().
void BM_MidiPlainWalk(benchmark::State& state) { writeWith(state, EventMatching::PlainWalk); }
BENCHMARK(BM_MidiPlainWalk)->Arg(100)->Unit(benchmark::kMillisecond);

double millisecondsOf(std::vector<std::uint8_t>& out, EventMatching matching) {
    out.assign(midiBufferSize(maxBars), 0);
    const auto start = std::chrono::steady_clock::now();
    out.resize(writeMidiBytes(composition().tracks(), maxBars, 120, out, matching));
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::uint8_t> indexed;
    std::vector<std::uint8_t> plain;
    double best = 1e300;
    for (int run = 0; run < 5; ++run) best = std::min(best, millisecondsOf(indexed, EventMatching::Indexed));
    const double walk = millisecondsOf(plain, EventMatching::PlainWalk);
    const bool same = !indexed.empty() && indexed == plain;
    std::printf("MIDI writer, %d bars x %d channels at 1/64 (%zu bytes): indexed %.1f ms, plain walk %.0f ms, "
                "ratio %.0fx, bytes %s; target < 50 ms %s\n",
                maxBars, channelCount, indexed.size(), best, walk, walk / best,
                same ? "identical" : "DIFFER", best < 50.0 ? "met" : "MISSED");
    if (!same) return 1;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
