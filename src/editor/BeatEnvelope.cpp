#include "editor/BeatEnvelope.h"

#include "analysis/SliceSamples.h"
#include "common/Constants.h"
#include "common/Rounding.h"
#include "notes/Extended.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <stdexcept>

namespace trx {
namespace {

constexpr std::int32_t kBlocksPerSlice = 8;
constexpr std::int32_t kBlockLength = kSliceLength / kBlocksPerSlice;
// Pixels per slice on the editor's time axis.
constexpr Extended kSliceWidth = 10;
// Pixels per unit of the square root of a block's energy.
constexpr Extended kEnergyScale = 8;

} // namespace

BeatEnvelope ComputeBeatEnvelope(const SampleBuffer& samples, std::int32_t firstSlice,
                                 std::int32_t lastSlice, std::int32_t stripHeight) {
    BeatEnvelope envelope;
    const std::int64_t slices =
        std::max<std::int64_t>(0, std::int64_t{lastSlice} - std::int64_t{firstSlice} + 1);
    try {
        envelope.Points.reserve(static_cast<std::size_t>(slices * kBlocksPerSlice + 1));
    } catch (const std::bad_alloc&) {
        envelope.Message = kBeatMemoryMessage;
        return envelope;
    } catch (const std::length_error&) {
        envelope.Message = kBeatMemoryMessage;
        return envelope;
    }

    envelope.Points.push_back({0, stripHeight});
    std::array<float, kSliceLength> window{};
    float previous = 0.0f;
    std::int64_t point = 0;
    for (std::int64_t s = firstSlice; s <= lastSlice; ++s) {
        if (s >= 0 && s < samples.SliceCount)
            GetSliceSamples(samples, static_cast<std::int32_t>(s), window);
        else
            window.fill(0.0f);
        for (std::int32_t block = 0; block < kBlocksPerSlice; ++block, ++point) {
            float sum = 0.0f;
            const float* x = window.data() + block * kBlockLength;
            for (std::int32_t i = 0; i < kBlockLength; ++i) {
                // The product of two singles is exact in extended precision:
                // each step rounds once, on the store.
                sum = static_cast<float>(sum + Extended{x[i]} * x[i]);
                // The sum only grows within a block, so this acts on the
                // block's first sample alone.
                if (sum < previous)
                    sum = static_cast<float>((Extended{sum} + previous) / 2);
                previous = sum;
            }
            const float value = std::sqrt(sum);
            envelope.Points.push_back(
                {static_cast<std::int32_t>(
                     RoundHalfEven(static_cast<Extended>(point) * kSliceWidth / kBlocksPerSlice)),
                 static_cast<std::int32_t>(stripHeight - RoundHalfEven(value * kEnergyScale))});
        }
    }
    return envelope;
}

} // namespace trx
