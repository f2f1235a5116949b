#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace trx {

// A few threads that share the items of one job with the calling thread.
// Used by the analysis to spread the slices between two checkpoints over the
// cores; the threads live as long as the pool.
class WorkerPool {
public:
    // threads counts the calling thread; fewer than 1 means 1. If the system
    // refuses a thread, the pool works with those it has.
    explicit WorkerPool(std::int32_t threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    [[nodiscard]] std::int32_t Threads() const {
        return static_cast<std::int32_t>(helpers_.size()) + 1;
    }

    // Calls task(i) once for each i in 0..count-1 on the pool's threads and
    // the calling one, and returns when every call has returned. Rethrows
    // the first exception a call threw (the remaining items are skipped).
    template <class Task>
    void Run(std::int32_t count, Task& task) {
        RunJob(count, const_cast<std::remove_const_t<Task>*>(&task),
               [](void* context, std::int32_t item) { (*static_cast<Task*>(context))(item); });
    }

private:
    using Invoke = void (*)(void*, std::int32_t);

    void RunJob(std::int32_t count, void* context, Invoke invoke);
    void HelperLoop();
    void WorkOnItems();

    std::vector<std::thread> helpers_;
    // Bumped to start a job (and to stop the helpers); helpers wait on it.
    std::atomic<std::uint32_t> generation_{0};
    // Helpers that have finished the current job.
    std::atomic<std::uint32_t> finished_{0};
    std::atomic<std::int32_t> nextItem_{0};
    std::int32_t count_ = 0;
    void* context_ = nullptr;
    Invoke invoke_ = nullptr;
    bool stopping_ = false;
    std::mutex errorMutex_;
    std::exception_ptr error_;
};

} // namespace trx
