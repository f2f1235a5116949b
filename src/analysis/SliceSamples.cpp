#include "analysis/SliceSamples.h"

#include "audio/MappingFault.h"
#include "common/Errors.h"

#include <algorithm>

namespace trx {

namespace {

float ConvertSample(const std::uint8_t* p, std::uint16_t width) {
    switch (width) {
    case 1:
        return static_cast<float>(p[0] / 256.0 - 0.5);
    case 2: {
        const auto value =
            static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
        return static_cast<float>(value / 32768.0);
    }
    case 4: {
        const auto value = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
        return static_cast<float>(value / 2147483648.0);
    }
    default:
        return 0.0f;
    }
}

template <std::uint16_t Width>
void ConvertContiguous(const std::uint8_t* p, std::span<float, kSliceLength> window) {
    for (std::size_t i = 0; i < window.size(); ++i, p += Width)
        window[i] = ConvertSample(p, Width);
}

} // namespace

namespace {

void ReadSlice(const SampleBuffer& buffer, std::int32_t slice,
               std::span<float, kSliceLength> window) {
    const std::uint16_t width = buffer.SampleWidth;
    const std::uint64_t first = static_cast<std::uint64_t>(slice) * kSliceLength;
    const std::uint64_t stride = buffer.ChannelStride;
    const std::uint64_t lastByte = (first + (kSliceLength - 1) * stride + 1) * width;
    if (lastByte <= buffer.ByteCount && stride == 1) {
        const std::uint8_t* p = buffer.Samples + first * width;
        switch (width) {
        case 1:
            ConvertContiguous<1>(p, window);
            break;
        case 2:
            ConvertContiguous<2>(p, window);
            break;
        default:
            ConvertContiguous<4>(p, window);
            break;
        }
        return;
    }
    // Strided or truncated data: samples whose bytes are not all present stay 0.
    std::fill(window.begin(), window.end(), 0.0f);
    for (std::size_t i = 0; i < window.size(); ++i) {
        const std::uint64_t offset = (first + i * stride) * width;
        if (offset + width > buffer.ByteCount)
            continue;
        window[i] = ConvertSample(buffer.Samples + offset, width);
    }
}

} // namespace

void GetSliceSamples(const SampleBuffer& buffer, std::int32_t slice,
                     std::span<float, kSliceLength> window) {
    const std::uint16_t width = buffer.SampleWidth;
    if (buffer.Samples == nullptr || slice < 0 || (width != 1 && width != 2 && width != 4)) {
        std::fill(window.begin(), window.end(), 0.0f);
        return;
    }
    // The samples may be the mapped WAV file itself, which another program
    // can shorten while it is read.
    if (!ReadMapping([&] { ReadSlice(buffer, slice, window); }))
        throw TremolundrixError(kMappingFaultMessage);
}

} // namespace trx
