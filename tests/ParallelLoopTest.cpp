// Loops shared out over threads: every item runs once, whatever the count, grain and number of
// threads, loop after loop (a helper that wakes for an ended loop must run nothing of it).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "fractal/ParallelLoop.h"

namespace halcyone {
namespace {

// Slices are whole grains in order, and the last shorter; loops of every shape on one to five
// threads, and three thousand short loops in a row on four, where helpers that wake late for an
// ended loop must run nothing of it. One thread means the caller alone.
TEST(ParallelLoop, EveryItemRunsOnceLoopAfterLoop) {
    const auto check = [](int count, int grain, int threads, int loop) {
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(std::max(count, 0)));
        std::atomic<int> badSlices{0};
        parallelSlices(
            count, grain,
            [&](int first, int last) {
                badSlices += first < 0 || last > count || last <= first ||
                             (grain > 1 && first % grain != 0) || last - first > std::max(grain, 1);
                for (int i = first; i < last; ++i) ++runs[static_cast<std::size_t>(i)];
                if (loop % 100 == 0) std::this_thread::yield();
            },
            threads);
        return badSlices == 0 && std::all_of(runs.begin(), runs.end(),
                                             [](const std::atomic<int>& r) { return r == 1; });
    };
    for (int threads : {1, 2, 3, 5})
        for (int count : {0, 1, 2, 7, 64, 1000})
            for (int grain : {-1, 1, 3, 64})
                EXPECT_TRUE(check(count, grain, threads, 1))
                    << count << " items, grain " << grain << ", " << threads << " threads";
    for (int loop = 0; loop < 3000; ++loop)
        ASSERT_TRUE(check(1 + loop % 37, 1 + loop % 3, 4, loop)) << "loop " << loop;
    setWorkThreads(1);
    std::set<std::thread::id> ids;
    parallelSlices(100, 1, [&](int, int) { ids.insert(std::this_thread::get_id()); });
    setWorkThreads(0);
    EXPECT_EQ(ids, std::set{std::this_thread::get_id()});
}

}  // namespace
}  // namespace halcyone
