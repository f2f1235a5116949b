// Speed of the amplitude map against the machine's bound for it: a slice's
// multiply-adds divided by one core's measured rate of multiply-adds on
// doubles at the width of the target the transform runs on, and by the
// threads used. The label names the target and its width.
//
// Counters: us_per_slice (wall), cpu_us_per_slice (processor time of all
// threads), bound_us (the bound of the threads used), x_bound (wall against
// it) and x_bound_cpu (processor time against one core's bound: the same
// figure where other programs share the cores).

#include "MultiplyAddRate.h"

#include "analysis/AmplitudeMap.h"
#include "analysis/SliceSamples.h"
#include "analysis/SliceTransform.h"

#include <benchmark/benchmark.h>
#include <hwy/targets.h>

#include <array>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using trx::bench::MultiplyAddRate;
using trx::bench::MultiplyAddsPerSlice;

constexpr int kSlices = 600; // about 28 seconds of sound

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Recording {
    std::vector<std::uint8_t> bytes;
    trx::SampleBuffer buffer;
};

const Recording& RandomRecording() {
    static const Recording recording = [] {
        Recording r;
        std::mt19937 random(2024);
        r.bytes.resize(static_cast<std::size_t>(kSlices) * trx::kSliceLength * 2);
        for (auto& b : r.bytes)
            b = static_cast<std::uint8_t>(random());
        r.buffer.Samples = r.bytes.data();
        r.buffer.ByteCount = r.bytes.size();
        r.buffer.SampleWidth = 2;
        r.buffer.ChannelStride = 1;
        r.buffer.SliceCount = kSlices;
        return r;
    }();
    return recording;
}

const trx::NoteKernels& Kernels() {
    static const trx::NoteKernels kernels;
    return kernels;
}

// Selects the index-th target the transform can run on here (0: the widest,
// the one chosen without this) for the benchmark's lifetime; false when
// there are not that many.
class TargetChoice {
public:
    explicit TargetChoice(std::int64_t index) {
        const std::vector<std::int64_t> targets = trx::AvailableTransformTargets();
        if (index < 0 || static_cast<std::size_t>(index) >= targets.size())
            return;
        if (index > 0)
            hwy::SetSupportedTargetsForTest(targets[static_cast<std::size_t>(index)]);
        ok_ = true;
    }
    ~TargetChoice() { hwy::SetSupportedTargetsForTest(0); }
    TargetChoice(const TargetChoice&) = delete;
    TargetChoice& operator=(const TargetChoice&) = delete;
    [[nodiscard]] bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

void LabelTarget(benchmark::State& state) {
    const trx::TransformTarget target = trx::ChosenTransformTarget();
    state.SetLabel(std::string(target.Name) + ", " + std::to_string(target.Lanes) +
                   " doubles per vector" + (target.FusedMultiplyAdd ? ", fused" : ""));
    state.counters["lanes"] = target.Lanes;
}

// Wall and processor time (all threads) per slice, against the bound.
struct SliceTimer {
    void Start() {
        wallStart = WallSeconds();
        cpuStart = trx::bench::ProcessCpuSeconds();
    }
    void Stop(std::int64_t slicesDone) {
        wall += WallSeconds() - wallStart;
        cpu += trx::bench::ProcessCpuSeconds() - cpuStart;
        slices += slicesDone;
    }
    void Report(benchmark::State& state, std::int32_t threads) const {
        const auto count = static_cast<double>(slices);
        const double coreBound = MultiplyAddsPerSlice() / MultiplyAddRate();
        const double bound = coreBound / threads;
        state.counters["us_per_slice"] = wall / count * 1e6;
        state.counters["cpu_us_per_slice"] = cpu / count * 1e6;
        state.counters["bound_us"] = bound * 1e6;
        state.counters["x_bound"] = wall / count / bound;
        state.counters["x_bound_cpu"] = cpu / count / coreBound;
        state.counters["threads"] = threads;
    }
    double wallStart = 0.0;
    double cpuStart = 0.0;
    double wall = 0.0;
    double cpu = 0.0;
    std::int64_t slices = 0;
};

// range(0): target index (0: the widest).
void BM_MultiplyAddRate(benchmark::State& state) {
    const TargetChoice choice(state.range(0));
    if (!choice.Ok()) {
        state.SkipWithError("no such target here");
        return;
    }
    double rate = 0.0;
    for (auto _ : state)
        benchmark::DoNotOptimize(rate = MultiplyAddRate());
    LabelTarget(state);
    state.counters["gma_per_s"] = rate / 1e9;
    state.counters["bound_us_per_slice"] = MultiplyAddsPerSlice() / rate * 1e6;
}
BENCHMARK(BM_MultiplyAddRate)->ArgName("target")->DenseRange(0, 4)->Iterations(1);

// range(0): threads (0: one per hardware thread); range(1): target index.
void BM_AnalyseWave(benchmark::State& state) {
    const TargetChoice choice(state.range(1));
    if (!choice.Ok()) {
        state.SkipWithError("no such target here");
        return;
    }
    const Recording& recording = RandomRecording();
    trx::FloatMatrix map(kSlices, trx::kNoteBins);
    std::int32_t last = 0;
    trx::ProgressReporter quiet;
    const trx::AnalysisOptions options{static_cast<std::int32_t>(state.range(0))};
    (void)MultiplyAddRate(); // measured outside the timing
    SliceTimer timer;
    for (auto _ : state) {
        timer.Start();
        trx::AnalyseWave(recording.buffer, Kernels(), map, last, quiet, options);
        timer.Stop(kSlices);
        benchmark::DoNotOptimize(map.Data());
    }
    timer.Report(state, trx::AnalysisThreads(options));
    LabelTarget(state);
}
BENCHMARK(BM_AnalyseWave)
    ->ArgNames({"threads", "target"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The transform written as the plain loop, for comparison.
void BM_PlainLoop(benchmark::State& state) {
    const Recording& recording = RandomRecording();
    const trx::NoteKernels& kernels = Kernels();
    trx::FloatMatrix map(kSlices, trx::kNoteBins);
    std::array<float, trx::kSliceLength> window{};
    constexpr int kSlicesPerRound = 10;
    (void)MultiplyAddRate();
    SliceTimer timer;
    for (auto _ : state) {
        timer.Start();
        for (int s = 0; s < kSlicesPerRound; ++s) {
            trx::GetSliceSamples(recording.buffer, s, window);
            for (int b = kernels.FirstNoteBin; b < trx::kNoteBins; ++b) {
                double re = 0.0;
                double im = 0.0;
                for (int k = 0; k < trx::kSliceLength; ++k) {
                    re += static_cast<double>(window[k]) * kernels.Cosine(k, b);
                    im -= static_cast<double>(window[k]) * kernels.Sine(k, b);
                }
                map(s, b) = static_cast<float>(std::sqrt(re * re + im * im));
            }
        }
        timer.Stop(kSlicesPerRound);
        benchmark::DoNotOptimize(map.Data());
    }
    timer.Report(state, 1);
}
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rebuild that runs at start-up and on every move of the tuning control.
// range(0): threads (0: one per hardware thread).
void BM_CreateFrequencyMap(benchmark::State& state) {
    trx::NoteKernels kernels;
    const auto threads = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state)
        kernels.CreateFrequencyMap(1.01, threads);
}
BENCHMARK(BM_CreateFrequencyMap)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
