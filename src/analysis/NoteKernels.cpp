#include "analysis/NoteKernels.h"

#include "analysis/WorkerPool.h"
#include "common/Errors.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace trx {

namespace {

// base^exponent by repeated squaring in extended precision; a negative
// exponent gives the reciprocal of the positive power.
long double IntegerPower(long double base, int exponent) {
    unsigned remaining = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    long double result = 1.0L;
    long double square = base;
    while (remaining != 0) {
        if ((remaining & 1U) != 0)
            result *= square;
        square *= square;
        remaining >>= 1U;
    }
    return exponent < 0 ? 1.0L / result : result;
}

constexpr std::size_t kTableSize = static_cast<std::size_t>(kSliceLength) * kNoteBins;
constexpr std::size_t kBlockStride =
    static_cast<std::size_t>(kSliceLength) * 2 * NoteKernels::kBlockBins;
// More threads than this gain nothing on 2048 rows.
constexpr std::int32_t kMaxBuildThreads = 16;

} // namespace

const std::array<float, kNoteBins>& NoteRatio() {
    static const std::array<float, kNoteBins> table = [] {
        std::array<float, kNoteBins> t{};
        for (int i = 0; i < kNoteBins; ++i)
            t[static_cast<std::size_t>(i)] =
                static_cast<float>(IntegerPower(1.0594630943592953L, i));
        return t;
    }();
    return table;
}

const std::array<float, 101>& CentsRatio() {
    static const std::array<float, 101> table = [] {
        std::array<float, 101> t{};
        for (int c = -50; c <= 50; ++c)
            t[static_cast<std::size_t>(c + 50)] =
                static_cast<float>(IntegerPower(1.0005777895065548L, c));
        return t;
    }();
    return table;
}

NoteKernels::NoteKernels()
    : CosineTable(kTableSize, 0.0f)
    , SineTable(kTableSize, 0.0f)
    , transform_(static_cast<std::size_t>(kMaxBlocks) * kBlockStride, 0.0) {
    CreateFrequencyMap(1.0);
}

void NoteKernels::CreateFrequencyMap(double factor, std::int32_t threads) {
    if (!std::isfinite(factor) || !(factor > 0.0))
        throw TremolundrixError("Invalid tuning factor");

    const auto& ratio = NoteRatio();
    std::array<float, kNoteBins> frequencies{};
    std::int32_t first = -1;
    for (int i = 0; i < kNoteBins; ++i) {
        const float f = static_cast<float>(static_cast<long double>(kBaseFrequency) *
                                           ratio[static_cast<std::size_t>(i)] * factor);
        if (!std::isfinite(f))
            throw TremolundrixError("Invalid tuning factor");
        // Only bins completing more than one period per slice are analysed.
        if (static_cast<long double>(f) * kSliceLength / kSampleRate > 1.0L && first < 0)
            first = i;
        frequencies[static_cast<std::size_t>(i)] = f;
    }
    NoteFrequencies = frequencies;
    FirstNoteBin = first < 1 ? 1 : first;

    transformFirstBin_ = FirstNoteBin;
    transformBlocks_ = (kNoteBins - FirstNoteBin + kBlockBins - 1) / kBlockBins;

    // The 2048 x 107 cosines and sines take a few milliseconds on one core,
    // at every tuning change: each thread computes a band of samples.
    if (threads <= 0)
        threads = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    WorkerPool pool(std::clamp(threads, 1, kMaxBuildThreads));
    const std::int32_t bands = pool.Threads();
    auto band = [&](std::int32_t index) {
        BuildSamples(index * kSliceLength / bands, (index + 1) * kSliceLength / bands);
    };
    pool.Run(band);
}

void NoteKernels::BuildSamples(std::int32_t sampleBegin, std::int32_t sampleEnd) {
    const long double twoPi = 2.0L * std::numbers::pi_v<long double>;
    for (int j = sampleBegin; j < sampleEnd; ++j) {
        for (int i = 0; i < kNoteBins; ++i) {
            const long double f = NoteFrequencies[static_cast<std::size_t>(i)];
            // The phase is stored as a single before cos and sin: late samples
            // of high bins reach about 1800 radians, where that rounding shows.
            // Double cos and sin of that single, rounded to single, equal the
            // extended-precision ones for every tuning of -50..+50 cents, at a
            // sixth of the time.
            const float theta = static_cast<float>(twoPi * f * j / kSampleRate);
            const std::size_t index =
                static_cast<std::size_t>(j) * kNoteBins + static_cast<std::size_t>(i);
            CosineTable[index] = static_cast<float>(std::cos(static_cast<double>(theta)));
            SineTable[index] = static_cast<float>(std::sin(static_cast<double>(theta)));
        }
    }
    for (int v = 0; v < transformBlocks_; ++v) {
        double* out = transform_.data() + static_cast<std::size_t>(v) * kBlockStride +
                      static_cast<std::size_t>(sampleBegin) * 2 * kBlockBins;
        for (int k = sampleBegin; k < sampleEnd; ++k, out += 2 * kBlockBins) {
            for (int lane = 0; lane < kBlockBins; ++lane) {
                const int bin = transformFirstBin_ + v * kBlockBins + lane;
                const bool present = bin < kNoteBins;
                out[lane] = present ? static_cast<double>(Cosine(k, bin)) : 0.0;
                out[kBlockBins + lane] = present ? static_cast<double>(Sine(k, bin)) : 0.0;
            }
        }
    }
}

} // namespace trx
