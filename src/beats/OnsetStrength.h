#pragma once

#include "common/FloatMatrix.h"

#include <cstdint>
#include <vector>

namespace trx {

// Seconds from one slice's start to the next: 2048 samples at 44100 Hz.
inline constexpr double kSliceSeconds = 2048.0 / 44100.0;

// How strongly notes begin in each of the first sliceCount slices of an
// amplitude map: the rise of the log-compressed magnitudes over the
// previous slice, summed over bins firstNoteBin..106 (none below 12, the lowest A of a piano)
// (falls count 0). An onset inside slice s shares its rise between slices s and s + 1 by the part
// of each it covers, so value i stands at time i x kSliceSeconds.
[[nodiscard]] std::vector<float> ComputeOnsetStrength(const FloatMatrix& amplitudeMap,
                                                      std::int32_t firstNoteBin,
                                                      std::int32_t sliceCount);

} // namespace trx
