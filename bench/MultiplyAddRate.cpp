// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "MultiplyAddRate.cpp"
#include <hwy/foreach_target.h>
// clang-format on
#include <hwy/highway.h>

#include "MultiplyAddRate.h"

#include "analysis/NoteKernels.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <time.h>

HWY_BEFORE_NAMESPACE();
namespace trx::bench::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Twelve independent chains: more than latency x issue rate (4 x 2) of
// current cores. The lanes are capped at eight like the transform's.
double MeasureRate(std::int64_t rounds) {
    const hn::CappedTag<double, 8> d;
    auto c0 = hn::Set(d, 0.50);
    auto c1 = hn::Set(d, 0.51);
    auto c2 = hn::Set(d, 0.52);
    auto c3 = hn::Set(d, 0.53);
    auto c4 = hn::Set(d, 0.54);
    auto c5 = hn::Set(d, 0.55);
    auto c6 = hn::Set(d, 0.56);
    auto c7 = hn::Set(d, 0.57);
    auto c8 = hn::Set(d, 0.58);
    auto c9 = hn::Set(d, 0.59);
    auto c10 = hn::Set(d, 0.60);
    auto c11 = hn::Set(d, 0.61);
    const auto scale = hn::Set(d, 0.999999);
    const auto offset = hn::Set(d, 1e-7);
    const double start = ThreadCpuSeconds();
    for (std::int64_t r = 0; r < rounds; ++r) {
        c0 = hn::MulAdd(c0, scale, offset);
        c1 = hn::MulAdd(c1, scale, offset);
        c2 = hn::MulAdd(c2, scale, offset);
        c3 = hn::MulAdd(c3, scale, offset);
        c4 = hn::MulAdd(c4, scale, offset);
        c5 = hn::MulAdd(c5, scale, offset);
        c6 = hn::MulAdd(c6, scale, offset);
        c7 = hn::MulAdd(c7, scale, offset);
        c8 = hn::MulAdd(c8, scale, offset);
        c9 = hn::MulAdd(c9, scale, offset);
        c10 = hn::MulAdd(c10, scale, offset);
        c11 = hn::MulAdd(c11, scale, offset);
    }
    const double seconds = ThreadCpuSeconds() - start;
    const auto sum = hn::Add(hn::Add(hn::Add(hn::Add(c0, c1), hn::Add(c2, c3)),
                                     hn::Add(hn::Add(c4, c5), hn::Add(c6, c7))),
                             hn::Add(hn::Add(c8, c9), hn::Add(c10, c11)));
    // Keeps the chains alive.
    if (hn::GetLane(sum) == 12345.678)
        return 0.0;
    return static_cast<double>(rounds) * 12.0 * static_cast<double>(hn::Lanes(d)) / seconds;
}

std::int64_t Target() {
    return HWY_TARGET;
}

} // namespace trx::bench::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trx::bench {
namespace {

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

} // namespace

double ThreadCpuSeconds() {
    return CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double ProcessCpuSeconds() {
    return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

HWY_EXPORT(MeasureRate);
HWY_EXPORT(Target);

double MultiplyAddRate() {
    static std::mutex mutex;
    static std::map<std::int64_t, double> rates;
    const std::lock_guard lock(mutex);
    const std::int64_t target = HWY_DYNAMIC_DISPATCH(Target)();
    auto found = rates.find(target);
    if (found != rates.end())
        return found->second;
    HWY_DYNAMIC_DISPATCH(MeasureRate)(20'000'000); // lets the clock rise
    double best = 0.0;
    for (int i = 0; i < 5; ++i)
        best = std::max(best, HWY_DYNAMIC_DISPATCH(MeasureRate)(20'000'000));
    rates[target] = best;
    return best;
}

double MultiplyAddsPerSlice() {
    static const double count = [] {
        const NoteKernels kernels;
        return static_cast<double>(kNoteBins - kernels.FirstNoteBin) * kSliceLength * 2;
    }();
    return count;
}

} // namespace trx::bench
#endif
