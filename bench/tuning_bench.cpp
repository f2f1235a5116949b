// The tuning search on a one-minute monophonic recording, against the
// conversion (analysis and filtering) of the same recording that it follows.
// Counters: the notes found and used, the proposal for a melody detuned by
// -8 cents, and the search time as a share of the conversion time with the
// same number of threads.

#include "analysis/AmplitudeMap.h"
#include "analysis/NoteKernels.h"
#include "common/Constants.h"
#include "common/ProgressReporter.h"
#include "notes/NoteFilter.h"
#include "tuning/TuningSearch.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <vector>

namespace {

constexpr int kDetuneCents = -8;

// One minute of 16-bit mono 44100 Hz melody: notes of a quarter to a whole
// second over two octaves, each with a short attack and a slow decay, with a
// little noise.
struct Minute {
    Minute() {
        constexpr std::size_t kFrames = 60 * 44100;
        const int melody[] = {48, 52, 55, 60, 64, 62, 59, 57, 55, 53, 52, 50, 47, 55, 67, 72};
        const double lengths[] = {0.5, 0.25, 0.25, 1.0, 0.5, 0.5, 0.75, 0.25};
        const double detune = std::pow(2.0, kDetuneCents / 1200.0);
        values.resize(kFrames);
        std::uint32_t noise = 12345;
        double start = 0.0;
        std::size_t note = 0;
        for (std::size_t i = 0; i < kFrames; ++i) {
            const double t = static_cast<double>(i) / 44100.0;
            if (t >= start + lengths[note % 8]) {
                start += lengths[note % 8];
                ++note;
            }
            const double hz = 13.75 * std::pow(2.0, melody[note % 16] / 12.0) * detune;
            const double age = t - start;
            const double envelope = std::min(1.0, age / 0.01) * std::exp(-2.0 * age);
            double v = 0.6 * envelope * std::sin(2.0 * std::numbers::pi * hz * t);
            noise = noise * 1664525u + 1013904223u;
            v += 0.005 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5);
            values[i] = static_cast<std::int16_t>(std::lround(v * 32767.0));
        }
        buffer.Samples = reinterpret_cast<const std::uint8_t*>(values.data());
        buffer.ByteCount = values.size() * 2;
        buffer.SampleWidth = 2;
        buffer.ChannelStride = 1;
        buffer.SliceCount = static_cast<std::int32_t>(values.size() / trx::kSliceLength);
    }
    Minute(const Minute&) = delete;
    Minute& operator=(const Minute&) = delete;

    // Analysis and filtering with the default settings; seconds taken.
    double Convert(std::int32_t threads) {
        const auto begin = std::chrono::steady_clock::now();
        amplitudes.Resize(buffer.SliceCount, trx::kNoteBins);
        std::int32_t last = 0;
        trx::ProgressReporter quiet;
        trx::AnalyseWave(buffer, kernels, amplitudes, last, quiet, {threads});
        trx::FilterAnalysis(amplitudes, last, kernels, buffer, trx::ConversionSettings{}, noteMap,
                            loudest, noteMapMaximum, quiet, nullptr);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }

    std::vector<std::int16_t> values;
    trx::SampleBuffer buffer;
    trx::NoteKernels kernels;
    trx::FloatMatrix amplitudes;
    trx::FloatMatrix noteMap;
    trx::FloatMatrix loudest;
    float noteMapMaximum = 0.0f;
};

Minute& SharedMinute() {
    static Minute minute;
    return minute;
}

// Seconds of one conversion of the minute, the best of three, per thread
// count.
double ConversionSeconds(std::int32_t threads) {
    static std::map<std::int32_t, double> seconds;
    if (seconds.count(threads) == 0) {
        double best = SharedMinute().Convert(threads);
        for (int i = 0; i < 2; ++i)
            best = std::min(best, SharedMinute().Convert(threads));
        seconds[threads] = best;
    }
    return seconds[threads];
}

// Argument: threads of the transform (0: one per hardware thread).
void BM_ConvertOneMinute(benchmark::State& state) {
    Minute& minute = SharedMinute();
    for (auto _ : state)
        benchmark::DoNotOptimize(minute.Convert(static_cast<std::int32_t>(state.range(0))));
}
BENCHMARK(BM_ConvertOneMinute)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_FindOptimalTuning(benchmark::State& state) {
    const auto threads = static_cast<std::int32_t>(state.range(0));
    const double conversion = ConversionSeconds(threads);
    const Minute& minute = SharedMinute();
    trx::ProgressReporter quiet;
    trx::TuningSearchResult result;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        result = trx::FindOptimalTuning(minute.noteMap, minute.noteMapMaximum, minute.buffer, quiet,
                                        threads);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        benchmark::DoNotOptimize(result.TuningScores.data());
    }
    if (!result.Succeeded()) {
        state.SkipWithError(result.Message.c_str());
        return;
    }
    const double perRun = seconds / static_cast<double>(state.iterations());
    state.counters["single_notes"] = static_cast<double>(result.SingleNotes.size());
    state.counters["used_notes"] = result.UsedNotes();
    state.counters["proposal_cents"] = result.ProposedOffset;
    state.counters["us_per_note"] = perRun / static_cast<double>(result.SingleNotes.size()) * 1e6;
    state.counters["share_of_conversion"] = perRun / conversion;
}
// Argument: threads of the search (0: one per hardware thread).
BENCHMARK(BM_FindOptimalTuning)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
