// Parts run side by side on the caller and the kept threads: each exactly once, also when
// several callers share the threads.
#include "platform/SideBySide.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

using sidebyside::RunSideBySide;

TEST(SideBySideThreads, EveryPartRunsOnceBeforeTheCallReturns) {
    for (std::size_t parts : {0u, 1u, 7u, 1000u}) {
        std::vector<std::atomic<int>> runs(parts);
        RunSideBySide(parts, 8, [&](std::size_t k) { runs[k].fetch_add(1); });
        for (std::size_t k = 0; k < parts; ++k) ASSERT_EQ(runs[k].load(), 1) << parts << " parts, part " << k;
    }
    // One thread: all on the caller, in order.
    std::vector<std::size_t> order;
    const std::thread::id caller = std::this_thread::get_id();
    bool elsewhere = false;
    RunSideBySide(5, 1, [&](std::size_t k) {
        order.push_back(k);
        elsewhere |= std::this_thread::get_id() != caller;
    });
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(elsewhere);
}

TEST(SideBySideThreads, CallersAtOnceShareTheThreads) {
    constexpr int kCallers = 6;
    constexpr std::size_t kParts = 200;
    std::vector<std::vector<int>> sums(kCallers, std::vector<int>(kParts, 0));
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c)
        callers.emplace_back([&, c] {
            for (int round = 0; round < 20; ++round)
                RunSideBySide(kParts, 4, [&](std::size_t k) { ++sums[c][k]; });  // each part one writer
        });
    for (std::thread& t : callers) t.join();
    for (int c = 0; c < kCallers; ++c)
        for (std::size_t k = 0; k < kParts; ++k) ASSERT_EQ(sums[c][k], 20);
}
