#include "analysis/WorkerPool.h"

#include <hwy/cache_control.h>

#include <system_error>

namespace trx {

namespace {

// Jobs follow each other within microseconds during an analysis, so a short
// spin (some tens of microseconds) saves the sleep and the wake-up; after it
// the thread blocks.
constexpr int kSpinRounds = 2000;

template <class T>
void WaitWhileEqual(const std::atomic<T>& value, T old) {
    for (int i = 0; i < kSpinRounds; ++i) {
        if (value.load(std::memory_order_acquire) != old)
            return;
        hwy::Pause();
    }
    while (value.load(std::memory_order_acquire) == old)
        value.wait(old, std::memory_order_acquire);
}

} // namespace

WorkerPool::WorkerPool(std::int32_t threads) {
    const std::int32_t helpers = threads > 1 ? threads - 1 : 0;
    helpers_.reserve(static_cast<std::size_t>(helpers));
    for (std::int32_t i = 0; i < helpers; ++i) {
        try {
            helpers_.emplace_back([this, i] { HelperLoop(i + 1); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

WorkerPool::~WorkerPool() {
    stopping_ = true;
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    for (auto& helper : helpers_)
        helper.join();
}

void WorkerPool::RunJob(void* context, Invoke invoke) {
    context_ = context;
    invoke_ = invoke;
    error_ = nullptr;
    finished_.store(0, std::memory_order_relaxed);
    const auto helpers = static_cast<std::uint32_t>(helpers_.size());
    if (helpers != 0) {
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
    }
    RunTask(0);
    for (std::uint32_t done = finished_.load(std::memory_order_acquire); done != helpers;
         done = finished_.load(std::memory_order_acquire))
        WaitWhileEqual(finished_, done);
    if (error_)
        std::rethrow_exception(error_);
}

void WorkerPool::HelperLoop(std::int32_t index) {
    std::uint32_t seen = 0;
    for (;;) {
        WaitWhileEqual(generation_, seen);
        seen = generation_.load(std::memory_order_acquire);
        if (stopping_)
            return;
        RunTask(index);
        finished_.fetch_add(1, std::memory_order_acq_rel);
        finished_.notify_one();
    }
}

void WorkerPool::RunTask(std::int32_t index) {
    try {
        invoke_(context_, index);
    } catch (...) {
        const std::lock_guard lock(errorMutex_);
        if (!error_)
            error_ = std::current_exception();
    }
}

} // namespace trx
