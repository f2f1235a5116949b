#include "analysis/WorkerPool.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

TEST(WorkerPool, EveryItemOfEveryJobRunsExactlyOnce) {
    for (int threads : {1, 2, 5}) {
        trx::WorkerPool pool(threads);
        EXPECT_GE(pool.Threads(), 1);
        std::vector<std::atomic<int>> runs(200);
        for (int job = 0; job < 300; ++job) {
            const int count = job % 200;
            auto task = [&](std::int32_t item) {
                runs[static_cast<std::size_t>(item)].fetch_add(1);
            };
            pool.Run(count, task);
            for (int i = 0; i < 200; ++i) {
                ASSERT_EQ(runs[static_cast<std::size_t>(i)].load(), i < count ? 1 : 0)
                    << "threads " << threads << " job " << job << " item " << i;
                runs[static_cast<std::size_t>(i)].store(0);
            }
        }
    }
}

TEST(WorkerPool, FailingItemIsReportedToTheCallerAndThePoolGoesOn) {
    trx::WorkerPool pool(3);
    auto failing = [](std::int32_t item) {
        if (item == 17)
            throw std::runtime_error("item 17");
    };
    EXPECT_THROW(pool.Run(100, failing), std::runtime_error);
    std::atomic<int> total{0};
    auto counting = [&](std::int32_t) { total.fetch_add(1); };
    pool.Run(50, counting);
    EXPECT_EQ(total.load(), 50);
}

} // namespace
