// Loops shared out over the cores. The calling thread takes part and never waits for a helper
// that has not begun: a helper that the system runs late (a busy machine, or a virtual core the
// host has paused) finds the work done and goes back to sleep, so a loop never takes much
// longer than the calling thread would alone. Helpers start with the first loop that can use
// them and sleep between loops.
#pragma once

#include <type_traits>

namespace halcyone {

// Threads a loop runs on, the calling thread included: one for each core unless set.
int workThreads();
// Runs later loops on `threads` threads (0: one for each core again). For tests and
// benchmarks; more threads than cores are allowed.
void setWorkThreads(int threads);

namespace detail {
using SliceCall = void (*)(void* body, int first, int last);
void runSlices(int count, int grain, int threads, SliceCall call, void* body);
}  // namespace detail

// Calls body(first, last) for consecutive slices [first, last) of 0 .. count - 1, `grain` items
// each (the last may be shorter), taken in order by whichever thread is free, on up to `threads`
// threads (0: workThreads()). Returns once every slice has run. One loop at a time runs: a
// second caller waits for the first; a body must not start a loop itself.
template <class Body>
void parallelSlices(int count, int grain, Body&& body, int threads = 0) {
    using B = std::remove_reference_t<Body>;
    detail::runSlices(
        count, grain, threads,
        [](void* b, int first, int last) { (*static_cast<B*>(b))(first, last); },
        const_cast<void*>(static_cast<const void*>(&body)));
}

}  // namespace halcyone
