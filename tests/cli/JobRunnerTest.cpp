#include "cli/JobRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

TEST(JobRunner, EveryFileIsConvertedExactlyOnceWhateverTheJobCount) {
    for (const std::int32_t workers : {1, 3, 16}) {
        std::vector<std::atomic<int>> runs(40);
        trx::RunJobs(runs.size(), workers, [&](std::size_t i) { ++runs[i]; });
        for (const auto& count : runs)
            EXPECT_EQ(count.load(), 1) << workers;
    }
}

} // namespace
