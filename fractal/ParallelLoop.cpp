#include "fractal/ParallelLoop.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace halcyone {

namespace {

// Checks a helper makes for a new loop before it sleeps: loops of a compose follow one another
// within microseconds, and waking a sleeping thread costs more.
constexpr int spinsBeforeSleep = 4000;

// One loop at a time. `state` holds the loop's generation in its high half and the next item in
// its low half: a slice is taken by advancing it, which fails once a new loop has begun, so a
// helper that read the description of an ended loop never runs anything of it.
struct Crew {
    std::mutex loop;  // held by the caller for the whole loop
    std::mutex grow;
    int helpers = 0;  // started, detached; guarded by `grow`
    std::atomic<int> threads{0};  // 0: one for each core
    std::atomic<std::uint32_t> generation{0};
    std::atomic<std::uint64_t> state{0};
    std::atomic<detail::SliceCall> call{nullptr};
    std::atomic<void*> body{nullptr};
    std::atomic<int> count{0}, grain{1}, team{1};
    std::atomic<int> done{0};  // items of the current loop that have run
};

// Never destroyed: helpers sleep in it until the process ends.
Crew& crew() {
    static Crew* const instance = new Crew;
    return *instance;
}

constexpr std::uint64_t busy = 0xFFFFFFFF;  // low half while a loop is being described

// Takes and runs slices of generation `g` until none is left.
void runAvailable(Crew& c, std::uint32_t g, detail::SliceCall call, void* body, int count,
                  int grain) {
    for (;;) {
        std::uint64_t s = c.state.load();
        if (s >> 32 != g) return;
        const auto first = static_cast<int>(s & busy);
        if (s == (static_cast<std::uint64_t>(g) << 32 | busy) || first >= count) return;
        const int last = std::min(count, first + grain);
        if (!c.state.compare_exchange_weak(s, (static_cast<std::uint64_t>(g) << 32) |
                                                  static_cast<std::uint64_t>(last)))
            continue;
        call(body, first, last);
        if (c.done.fetch_add(last - first) + (last - first) == count) c.done.notify_all();
    }
}

void helperLoop(int index) {
    Crew& c = crew();
    std::uint32_t seen = c.generation.load();
    for (;;) {
        std::uint32_t g = c.generation.load();
        for (int spin = 0; g == seen && spin < spinsBeforeSleep; ++spin) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
            g = c.generation.load();
        }
        if (g == seen) {
            c.generation.wait(seen);
            continue;
        }
        seen = g;
        if (index + 1 >= c.team.load()) continue;  // the loop wants fewer threads
        runAvailable(c, g, c.call.load(), c.body.load(), c.count.load(), c.grain.load());
    }
}

int coreCount() {
    static const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return cores;
}

// Starts helpers until there are `wanted`.
void startHelpers(Crew& c, int wanted) {
    const std::lock_guard lock(c.grow);
    for (; c.helpers < wanted; ++c.helpers) std::thread(helperLoop, c.helpers).detach();
}

}  // namespace

int workThreads() {
    const int set = crew().threads.load();
    return set > 0 ? set : coreCount();
}

void setWorkThreads(int threads) {
    crew().threads.store(std::max(threads, 0));
}

void detail::runSlices(int count, int grain, int threads, SliceCall call, void* body) {
    if (count <= 0) return;
    grain = std::max(grain, 1);
    const int team = std::min(threads > 0 ? threads : workThreads(), (count + grain - 1) / grain);
    if (team <= 1) {
        for (int first = 0; first < count; first += grain)
            call(body, first, std::min(count, first + grain));
        return;
    }
    Crew& c = crew();
    const std::lock_guard lock(c.loop);
    startHelpers(c, team - 1);
    // Ends the previous loop for any helper still looking at it before the new one is described.
    const std::uint32_t g = c.generation.load() + 1;
    c.state.store(static_cast<std::uint64_t>(g) << 32 | busy);
    c.call.store(call);
    c.body.store(body);
    c.count.store(count);
    c.grain.store(grain);
    c.team.store(team);
    c.done.store(0);
    c.state.store(static_cast<std::uint64_t>(g) << 32);
    c.generation.store(g);
    c.generation.notify_all();
    runAvailable(c, g, call, body, count, grain);
    // Only slices that a helper has begun can be left: wait for them.
    for (int d = c.done.load(); d != count; d = c.done.load()) c.done.wait(d);
}

}  // namespace halcyone
