#include "analysis/WorkerPool.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

TEST(WorkerPool, EveryItemRunsOnceAndFailuresReachTheCaller) {
    for (int threads : {1, 2, 5}) {
        trx::WorkerPool pool(threads);
        std::vector<std::atomic<int>> runs(100);
        for (int job = 0; job < 300; ++job) {
            const int count = job % 100;
            auto task = [&](std::int32_t item) { ++runs[static_cast<std::size_t>(item)]; };
            pool.Run(count, task);
            for (int i = 0; i < 100; ++i)
                ASSERT_EQ(runs[static_cast<std::size_t>(i)].exchange(0), i < count ? 1 : 0)
                    << "threads " << threads << " job " << job << " item " << i;
        }
        auto failing = [](std::int32_t item) {
            if (item == 17)
                throw std::runtime_error("item 17");
        };
        EXPECT_THROW(pool.Run(100, failing), std::runtime_error);
        std::atomic<int> total{0};
        auto counting = [&](std::int32_t) { ++total; };
        pool.Run(50, counting);
        EXPECT_EQ(total.load(), 50);
    }
}

} // namespace
