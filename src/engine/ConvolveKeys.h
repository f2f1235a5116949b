#pragma once

#include <cstddef>
#include <cstdint>

namespace trx {

// One output channel of a convolution along the keys, on the widest vector
// instructions the processor has. For every row r of inputs and every dk:
//   out[k] += weights[taps[r] * kernelKeys + dk] * rows[r][k + dk],
// from out[k] = bias, for k in 0..keys rounded up to the vector length:
// rows must be readable and out writable that far (see ConvolutionLanes).
void ConvolveKeys(const float* const* rows, const std::int32_t* taps, std::size_t rowCount,
                  const float* weights, std::int32_t kernelKeys, float bias, std::int32_t keys,
                  float* out);

// The vector length in floats ConvolveKeys rounds the keys up to.
[[nodiscard]] std::int32_t ConvolutionLanes();

} // namespace trx
