// Loops shared out over threads: every item runs once, whatever the count, grain and number of
// threads, loop after loop (a helper that wakes for an ended loop must run nothing of it).
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "fractal/ParallelLoop.h"

namespace halcyone {
namespace {

TEST(ParallelLoop, EveryItemRunsOnceInSlicesOfTheGrain) {
    for (int threads : {1, 2, 3, 5})
        for (int count : {0, 1, 2, 7, 64, 1000})
            for (int grain : {-1, 1, 3, 64}) {
                std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
                std::atomic<int> badSlices{0};
                parallelSlices(
                    count, grain,
                    [&](int first, int last) {
                        if (first < 0 || last > count || last <= first ||
                            (grain > 1 && first % grain != 0) ||
                            last - first > std::max(grain, 1))
                            ++badSlices;
                        for (int i = first; i < last; ++i) ++runs[static_cast<std::size_t>(i)];
                    },
                    threads);
                EXPECT_EQ(badSlices, 0);
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(runs[static_cast<std::size_t>(i)], 1)
                        << "item " << i << " of " << count << ", grain " << grain << ", "
                        << threads << " threads";
            }
}

// Many short loops in a row, with work that keeps some slices on helpers while the loop ends:
// no item is lost, repeated or run with another loop's body; one thread means the caller alone.
TEST(ParallelLoop, LoopAfterLoopOnManyThreads) {
    setWorkThreads(4);
    long total = 0;
    for (int loop = 0; loop < 3000; ++loop) {
        const int count = 1 + loop % 37;
        std::atomic<long> sum{0};
        parallelSlices(count, 1 + loop % 3, [&](int first, int last) {
            for (int i = first; i < last; ++i) sum += loop * 1000L + i;
            if (loop % 100 == 0) std::this_thread::yield();
        });
        ASSERT_EQ(sum, loop * 1000L * count + count * (count - 1L) / 2) << "loop " << loop;
        total += count;
    }
    EXPECT_GT(total, 50000);
    setWorkThreads(1);
    std::set<std::thread::id> ids;
    parallelSlices(100, 1, [&](int, int) { ids.insert(std::this_thread::get_id()); });
    EXPECT_EQ(ids, std::set{std::this_thread::get_id()});
    setWorkThreads(0);
    EXPECT_EQ(workThreads(), std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
}

}  // namespace
}  // namespace halcyone
