// The accurate engine on one core: spectrum, network and note creation of a
// one-minute recording held in memory, reported as seconds per audio
// minute (target: under 0.5). The peak memory of a ten-minute recording
// beyond its samples and note map shows that the engine streams.

#include "common/Constants.h"
#include "common/ProgressReporter.h"
#include "engine/AccurateEngine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <sys/resource.h>
#include <vector>

namespace {

// Minutes of chords of three sines changing every half second.
std::vector<std::int16_t> Music(int minutes) {
    const std::int64_t count = std::int64_t{minutes} * 60 * trx::kSampleRate;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t chord = i / (trx::kSampleRate / 2);
        double v = 0.0;
        for (int n = 0; n < 3; ++n) {
            const double key = 48 + static_cast<double>((chord * 7 + n * 4) % 36);
            v += 0.2 * std::sin(2.0 * std::numbers::pi * 440.0 * std::pow(2.0, (key - 69) / 12.0) *
                                static_cast<double>(i) / trx::kSampleRate);
        }
        pcm[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(v * 32767.0));
    }
    return pcm;
}

trx::SampleBuffer Buffer(const std::vector<std::int16_t>& pcm) {
    trx::SampleBuffer buffer;
    buffer.Samples = reinterpret_cast<const std::uint8_t*>(pcm.data());
    buffer.ByteCount = pcm.size() * sizeof(std::int16_t);
    buffer.SampleWidth = 2;
    buffer.ChannelStride = 1;
    buffer.SliceCount = static_cast<std::int32_t>(pcm.size() / trx::kSliceLength);
    return buffer;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_AccurateEngineOneMinute(benchmark::State& state) {
    const auto pcm = Music(1);
    const trx::SampleBuffer buffer = Buffer(pcm);
    const trx::NetworkModel& model = trx::InstalledNetworkModel();
    trx::FloatMatrix map;
    float maximum = 0.0f;
    trx::ProgressReporter progress;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trx::TranscribeAccurately(buffer, model, map, maximum, progress));
        benchmark::ClobberMemory();
    }
    state.counters["s_per_audio_minute"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AccurateEngineOneMinute)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AccurateEngineTenMinutesMemory(benchmark::State& state) {
    const auto pcm = Music(10);
    const trx::SampleBuffer buffer = Buffer(pcm);
    const trx::NetworkModel& model = trx::InstalledNetworkModel();
    trx::FloatMatrix map(buffer.SliceCount, trx::kNoteBins);
    float maximum = 0.0f;
    trx::ProgressReporter progress;
    const long before = PeakKilobytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(trx::TranscribeAccurately(buffer, model, map, maximum, progress));
    // The map is allocated before; what the engine adds is its frames.
    state.counters["peak_growth_kB"] = static_cast<double>(PeakKilobytes() - before);
}
BENCHMARK(BM_AccurateEngineTenMinutesMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
