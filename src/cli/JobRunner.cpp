#include "cli/JobRunner.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace trx {

void RunJobs(std::size_t count, std::int32_t workers,
             const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;

    const auto drain = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };

    const std::size_t threads =
        std::min(count, static_cast<std::size_t>(std::max<std::int32_t>(workers, 1)));
    if (threads <= 1) {
        drain();
    } else {
        std::vector<std::jthread> pool;
        pool.reserve(threads);
        for (std::size_t t = 0; t < threads; ++t)
            pool.emplace_back(drain);
    }
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace trx
