#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace trx {

// A few threads that work on one job together with the calling thread.
// Each thread keeps its index from job to job, so work split by index stays
// in the cache of the core that did it last. Used by the analysis to spread
// slices over the cores; the threads live as long as the pool.
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

    // Calls task(index) once on every thread of the pool, index 0 on the
    // calling one and 1..Threads()-1 on the others, and returns when all
    // calls have returned. Rethrows the first exception a call threw.
    template <class Task>
    void Run(Task& task) {
        RunJob(const_cast<std::remove_const_t<Task>*>(&task),
               [](void* context, std::int32_t index) { (*static_cast<Task*>(context))(index); });
    }

private:
    using Invoke = void (*)(void*, std::int32_t);

    void RunJob(void* context, Invoke invoke);
    void HelperLoop(std::int32_t index);
    void RunTask(std::int32_t index);

    std::vector<std::thread> helpers_;
    // Bumped to start a job (and to stop the helpers); helpers wait on it.
    std::atomic<std::uint32_t> generation_{0};
    // Helpers that have finished the current job.
    std::atomic<std::uint32_t> finished_{0};
    void* context_ = nullptr;
    Invoke invoke_ = nullptr;
    bool stopping_ = false;
    std::mutex errorMutex_;
    std::exception_ptr error_;
};

} // namespace trx
