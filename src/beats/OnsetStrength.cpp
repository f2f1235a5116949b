#include "beats/OnsetStrength.h"

#include "common/Constants.h"

#include <algorithm>
#include <cstring>

namespace trx {
namespace {

// Magnitudes are compressed as log(1 + x / floor) with floor a thousandth
// of the loudest cell: 60 dB of range, so quiet notes count, noise less.
constexpr float kRangeFactor = 1000.0f;
// Bins below the piano's lowest A (27.5 Hz) hold less than a cycle a slice
// and flicker with every tone's phase: no onsets are read there.
constexpr std::int32_t kLowestOnsetBin = 12;

// ln(x) for x >= 1 to about 2e-4: the exponent from the bits, the
// mantissa's logarithm by a quartic. Much cheaper than log1p, and the onsets
// need no more.
float FastLog(float x) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    const auto exponent = static_cast<float>(static_cast<std::int32_t>(bits >> 23) - 127);
    bits = (bits & 0x007FFFFFu) | 0x3F800000u;
    float m = 0.0f;
    std::memcpy(&m, &bits, sizeof m);
    const float t = m - 1.0f;
    const float log2m = t * (1.4385477f + t * (-0.6780875f + t * (0.3236423f - t * 0.0842923f)));
    return (exponent + log2m) * 0.69314718f;
}

} // namespace

std::vector<float> ComputeOnsetStrength(const FloatMatrix& amplitudeMap, std::int32_t firstNoteBin,
                                        std::int32_t sliceCount) {
    const std::int32_t slices = std::clamp(sliceCount, 0, amplitudeMap.Rows());
    const std::int32_t firstBin = std::clamp(firstNoteBin, kLowestOnsetBin, kNoteBins);
    std::vector<float> onset(static_cast<std::size_t>(slices), 0.0f);
    if (slices == 0 || amplitudeMap.Cols() != kNoteBins)
        return onset;
    float loudest = 0.0f;
    for (std::int32_t s = 0; s < slices; ++s)
        for (std::int32_t b = firstBin; b < kNoteBins; ++b)
            loudest = std::max(loudest, amplitudeMap(s, b));
    if (!(loudest > 0.0f))
        return onset;
    const float scale = kRangeFactor / loudest;
    std::vector<float> previous(kNoteBins, 0.0f);
    std::vector<float> current(kNoteBins, 0.0f);
    for (std::int32_t s = 0; s < slices; ++s) {
        const auto row = amplitudeMap.Row(s);
        float rise = 0.0f;
        for (std::int32_t b = firstBin; b < kNoteBins; ++b) {
            const auto i = static_cast<std::size_t>(b);
            current[i] = FastLog(1.0f + row[i] * scale);
            rise += std::max(0.0f, current[i] - previous[i]);
        }
        // The first slice rises from nothing: a note there is an onset.
        onset[static_cast<std::size_t>(s)] = rise;
        std::swap(previous, current);
    }
    return onset;
}

} // namespace trx
