// Speed of the amplitude map against the machine's bound for it: the
// slice's multiply-adds divided by one core's measured rate of fused
// multiply-adds on doubles (AVX2, independent chains).

#include "analysis/AmplitudeMap.h"
#include "analysis/SliceSamples.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <immintrin.h>
#include <random>
#include <thread>
#include <time.h>
#include <vector>

namespace {

constexpr int kSlices = 300; // about 14 seconds of sound

// Processor time, so that other programs sharing the cores do not count.
double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Ten independent chains hide the fused multiply-add latency, so the loop
// runs at the core's issue rate. Returns multiply-adds (lanes) per second.
__attribute__((target("avx2,fma"))) double MeasureFmaRate(long rounds) {
    constexpr int kChains = 10;
    __m256d chain[kChains];
    for (int i = 0; i < kChains; ++i)
        chain[i] = _mm256_set1_pd(0.5 + 0.01 * i);
    const __m256d scale = _mm256_set1_pd(0.999999);
    const __m256d offset = _mm256_set1_pd(1e-7);
    const double start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (long r = 0; r < rounds; ++r) {
#pragma GCC unroll 10
        for (int i = 0; i < kChains; ++i)
            chain[i] = _mm256_fmadd_pd(chain[i], scale, offset);
    }
    const double seconds = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
    __m256d sum = chain[0];
    for (int i = 1; i < kChains; ++i)
        sum = _mm256_add_pd(sum, chain[i]);
    benchmark::DoNotOptimize(sum);
    return static_cast<double>(rounds) * kChains * 4 / seconds;
}

double FmaRate() {
    static const double rate = [] {
        if (!trx::CpuHasAvx2Fma())
            return 0.0;
        MeasureFmaRate(20'000'000); // warm up the clock
        double best = 0.0;
        for (int i = 0; i < 3; ++i)
            best = std::max(best, MeasureFmaRate(50'000'000));
        return best;
    }();
    return rate;
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

double MultiplyAddsPerSlice() {
    return static_cast<double>(trx::kNoteBins - Kernels().FirstNoteBin) * trx::kSliceLength * 2;
}

// Wall and processor time (all threads) per slice, against the one-core bound.
struct SliceTimer {
    void Start() {
        wallStart = WallSeconds();
        cpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    }
    void Stop(std::int64_t slicesDone) {
        wall += WallSeconds() - wallStart;
        cpu += CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
        slices += slicesDone;
    }
    void Report(benchmark::State& state) const {
        const auto count = static_cast<double>(slices);
        state.counters["us_per_slice"] = wall / count * 1e6;
        state.counters["cpu_us_per_slice"] = cpu / count * 1e6;
        const double rate = FmaRate();
        if (rate > 0.0) {
            const double bound = MultiplyAddsPerSlice() / rate;
            state.counters["bound_us"] = bound * 1e6;
            state.counters["x_bound"] = wall / count / bound;
        }
    }
    double wallStart = 0.0;
    double cpuStart = 0.0;
    double wall = 0.0;
    double cpu = 0.0;
    std::int64_t slices = 0;
};

void BM_FmaRate(benchmark::State& state) {
    if (!trx::CpuHasAvx2Fma()) {
        state.SkipWithError("no AVX2 with FMA on this processor");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasureFmaRate(10'000'000));
    state.counters["gfma_per_s"] = FmaRate() / 1e9;
    state.counters["bound_us_per_slice"] = MultiplyAddsPerSlice() / FmaRate() * 1e6;
}
BENCHMARK(BM_FmaRate)->Unit(benchmark::kMillisecond);

// range(0): threads (0: one per hardware thread); range(1): TransformPath.
void BM_AnalyseWave(benchmark::State& state) {
    const Recording& recording = RandomRecording();
    trx::FloatMatrix map(kSlices, trx::kNoteBins);
    std::int32_t last = 0;
    trx::ProgressReporter quiet;
    const trx::AnalysisOptions options{static_cast<std::int32_t>(state.range(0)),
                                       static_cast<trx::TransformPath>(state.range(1))};
    SliceTimer timer;
    for (auto _ : state) {
        timer.Start();
        trx::AnalyseWave(recording.buffer, Kernels(), map, last, quiet, options);
        timer.Stop(kSlices);
        benchmark::DoNotOptimize(map.Data());
    }
    timer.Report(state);
    state.counters["threads"] = options.Threads > 0
                                    ? options.Threads
                                    : static_cast<double>(std::thread::hardware_concurrency());
}
BENCHMARK(BM_AnalyseWave)
    ->ArgNames({"threads", "path"})
    ->Args({1, static_cast<int>(trx::TransformPath::Automatic)})
    ->Args({0, static_cast<int>(trx::TransformPath::Automatic)})
    ->Args({1, static_cast<int>(trx::TransformPath::Sse2)})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The transform written as the plain loop, for comparison.
void BM_PlainLoop(benchmark::State& state) {
    const Recording& recording = RandomRecording();
    const trx::NoteKernels& kernels = Kernels();
    trx::FloatMatrix map(kSlices, trx::kNoteBins);
    std::array<float, trx::kSliceLength> window{};
    constexpr int kSlicesPerRound = 10;
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
    timer.Report(state);
}
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rebuild that runs on every move of the tuning control.
void BM_CreateFrequencyMap(benchmark::State& state) {
    trx::NoteKernels kernels;
    for (auto _ : state)
        kernels.CreateFrequencyMap(1.01);
}
BENCHMARK(BM_CreateFrequencyMap)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
