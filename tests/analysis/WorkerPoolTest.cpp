#include "analysis/WorkerPool.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(WorkerPool, EveryThreadRunsEachJobOnceUnderItsOwnIndex) {
    for (int threads : {1, 2, 5}) {
        trx::WorkerPool pool(threads);
        ASSERT_EQ(pool.Threads(), threads);
        std::vector<std::thread::id> first(static_cast<std::size_t>(threads));
        std::vector<int> runs(static_cast<std::size_t>(threads));
        for (int job = 0; job < 200; ++job) {
            std::vector<std::thread::id> ids(static_cast<std::size_t>(threads));
            auto task = [&](std::int32_t index) {
                ids[static_cast<std::size_t>(index)] = std::this_thread::get_id();
                ++runs[static_cast<std::size_t>(index)];
            };
            pool.Run(task);
            if (job == 0)
                first = ids;
            ASSERT_EQ(ids, first) << "threads " << threads << " job " << job;
        }
        EXPECT_EQ(first[0], std::this_thread::get_id());
        EXPECT_EQ(runs, std::vector<int>(static_cast<std::size_t>(threads), 200));
    }
}

TEST(WorkerPool, FailureOnAnyThreadReachesTheCallerAndThePoolGoesOn) {
    trx::WorkerPool pool(3);
    auto failing = [](std::int32_t index) {
        if (index == 2)
            throw std::runtime_error("thread 2");
    };
    EXPECT_THROW(pool.Run(failing), std::runtime_error);
    std::vector<int> runs(3);
    auto counting = [&](std::int32_t index) { ++runs[static_cast<std::size_t>(index)]; };
    pool.Run(counting);
    EXPECT_EQ(runs, std::vector<int>(3, 1));
}

} // namespace
