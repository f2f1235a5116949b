#pragma once

#include "audio/SampleBuffer.h"
#include "common/Constants.h"

#include <cstdint>
#include <span>

namespace trx {

// Reads the 2048 samples of one slice as real values: 8-bit as
// unsigned / 256 - 0.5, 16-bit as signed / 32768, 32-bit as signed /
// 2147483648, little-endian; other widths give zeros. Sample i is element
// slice * 2048 + i * ChannelStride. Never reads beyond buffer.ByteCount:
// samples outside the data (a negative slice, a slice past the data, a
// truncated last sample) read as 0. Slice SliceCount still reads the bytes
// of a trailing partial slice. Throws TremolundrixError (kMappingFaultMessage)
// when the samples are a mapped file that lost the bytes.
void GetSliceSamples(const SampleBuffer& buffer, std::int32_t slice,
                     std::span<float, kSliceLength> window);

// The same samples widened to double (exactly), as the transform reads them;
// whole slices of contiguous data are converted with vector instructions.
void GetSliceWindow(const SampleBuffer& buffer, std::int32_t slice,
                    std::span<double, kSliceLength> window);

} // namespace trx
