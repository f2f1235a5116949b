#pragma once

#include <cstddef>
#include <cstdint>

namespace trx {

// The samples of the open file in the analysis format (one channel, 44100
// samples per second). Sample i of slice s is element s * 2048 + i *
// ChannelStride of Samples read as unsigned 8-bit, signed 16-bit or signed
// 32-bit little-endian according to SampleWidth.
struct SampleBuffer {
    // First analysis sample; null when no file is open. Points into the
    // mapped WAV file or into the converted block.
    const std::uint8_t* Samples = nullptr;
    // Bytes readable from Samples; nothing beyond is ever read.
    std::size_t ByteCount = 0;
    std::uint16_t SampleWidth = 0;
    std::uint16_t ChannelStride = 0;
    // Whole slices of 2048 samples in the data.
    std::int32_t SliceCount = 0;
};

} // namespace trx
