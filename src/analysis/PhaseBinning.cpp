#include "analysis/PhaseBinning.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace trx {

namespace {

constexpr int kPhaseBins = 20;

// How far the slice's samples, folded at the bin's period into 20 phase
// bins, swing: the largest minus the smallest bin sum.
float FoldedRange(std::span<const float, kSliceLength> window, float frequency) {
    std::array<float, kPhaseBins> bins{};
    for (int k = 0; k < kSliceLength; ++k) {
        // fmod of the truncated phase is exact and keeps any finite phase in
        // 0..19 without an integer conversion that could overflow.
        const double phase =
            std::trunc(kPhaseBins * static_cast<double>(frequency) * k / kSampleRate);
        double bin = std::fmod(phase, static_cast<double>(kPhaseBins));
        if (bin < 0.0)
            bin += kPhaseBins;
        bins[static_cast<std::size_t>(bin)] += window[static_cast<std::size_t>(k)];
    }
    float largest = bins[0];
    float smallest = bins[0];
    for (float sum : bins) {
        largest = std::max(largest, sum);
        smallest = std::min(smallest, sum);
    }
    return largest - smallest;
}

} // namespace

void PerformPhaseBinning(std::span<const float, kSliceLength> window,
                         std::span<float, kNoteBins> row, const NoteKernels& kernels,
                         std::int32_t neighbourThreshold) {
    const int first = std::clamp(kernels.FirstNoteBin, 1, kNoteBins - 1);
    const int last = kNoteBins - 2;

    bool adjacentPair = false;
    for (int i = first; i <= last && !adjacentPair; ++i)
        adjacentPair =
            row[static_cast<std::size_t>(i)] > 0.0f && row[static_cast<std::size_t>(i + 1)] > 0.0f;
    if (!adjacentPair)
        return;

    std::array<float, kNoteBins> range{};
    for (int i = first; i <= last; ++i) {
        if (row[static_cast<std::size_t>(i)] != 0.0f)
            range[static_cast<std::size_t>(i)] =
                FoldedRange(window, kernels.NoteFrequencies[static_cast<std::size_t>(i)]);
    }

    // Decisions read the entry row only, so the order of the bins does not matter.
    std::array<float, kNoteBins> result{};
    std::copy(row.begin(), row.end(), result.begin());
    const auto weaker = [&](int i, int j, float threshold) {
        const float strong = row[static_cast<std::size_t>(i)];
        const float weak = row[static_cast<std::size_t>(j)];
        return strong > weak && weak > 0.0f &&
               static_cast<double>(range[static_cast<std::size_t>(j)]) * weak < threshold;
    };
    for (int i = first; i <= last; ++i) {
        const float threshold =
            static_cast<float>(static_cast<long double>(range[static_cast<std::size_t>(i)]) *
                               row[static_cast<std::size_t>(i)] * neighbourThreshold / 100);
        if (weaker(i, i + 1, threshold))
            result[static_cast<std::size_t>(i + 1)] = 0.0f;
        if (weaker(i, i - 1, threshold))
            result[static_cast<std::size_t>(i - 1)] = 0.0f;
    }
    // Only bins first..105 take the result: clearing aimed below the first
    // analysed bin or at bin 106 has no effect.
    std::copy(result.begin() + first, result.begin() + last + 1, row.begin() + first);
}

} // namespace trx
