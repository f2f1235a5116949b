// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "analysis/SliceSamples.cpp"
#include <hwy/foreach_target.h>
// clang-format on
#include <hwy/highway.h>

#include "analysis/SliceSamples.h"

#include "audio/MappingFault.h"
#include "common/Errors.h"

#include <algorithm>
#include <array>
#include <bit>

HWY_BEFORE_NAMESPACE();
namespace trx::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// GetSliceSamples' values of 2048 contiguous little-endian samples, widened
// to double. Each is a whole number times a power of two (minus 0.5 for 8
// bits), exact in a double; only the 32-bit ones need their rounding to
// single.
void WidenContiguous(const std::uint8_t* HWY_RESTRICT p, std::uint16_t width,
                     double* HWY_RESTRICT window) {
    const hn::ScalableTag<double> dd;
    const hn::Rebind<std::int32_t, decltype(dd)> d32;
    const hn::Rebind<float, decltype(dd)> df;
    const std::size_t n = hn::Lanes(dd);
    constexpr auto kLength = static_cast<std::size_t>(kSliceLength);
    if (width == 1) {
        const hn::Rebind<std::uint8_t, decltype(dd)> d8;
        const auto scale = hn::Set(dd, 1.0 / 256);
        const auto half = hn::Set(dd, 0.5);
        for (std::size_t k = 0; k < kLength; k += n) {
            const auto value = hn::PromoteTo(dd, hn::PromoteTo(d32, hn::LoadU(d8, p + k)));
            hn::StoreU(hn::Sub(hn::Mul(value, scale), half), dd, window + k);
        }
    } else if (width == 2) {
        const hn::Rebind<std::int16_t, decltype(dd)> d16;
        const auto* samples = reinterpret_cast<const std::int16_t*>(p);
        const auto scale = hn::Set(dd, 1.0 / 32768);
        for (std::size_t k = 0; k < kLength; k += n) {
            const auto value = hn::PromoteTo(dd, hn::PromoteTo(d32, hn::LoadU(d16, samples + k)));
            hn::StoreU(hn::Mul(value, scale), dd, window + k);
        }
    } else {
        const auto* samples = reinterpret_cast<const std::int32_t*>(p);
        const auto scale = hn::Set(dd, 1.0 / 2147483648.0);
        for (std::size_t k = 0; k < kLength; k += n) {
            const auto value = hn::Mul(hn::PromoteTo(dd, hn::LoadU(d32, samples + k)), scale);
            hn::StoreU(hn::PromoteTo(dd, hn::DemoteTo(df, value)), dd, window + k);
        }
    }
}

} // namespace trx::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
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

HWY_EXPORT(WidenContiguous);

void GetSliceWindow(const SampleBuffer& buffer, std::int32_t slice,
                    std::span<double, kSliceLength> window) {
    const std::uint16_t width = buffer.SampleWidth;
    const bool littleEndian = std::endian::native == std::endian::little;
    if (littleEndian && buffer.Samples != nullptr && slice >= 0 &&
        (width == 1 || width == 2 || width == 4) && buffer.ChannelStride == 1) {
        const std::uint64_t first = static_cast<std::uint64_t>(slice) * kSliceLength;
        if ((first + kSliceLength) * width <= buffer.ByteCount) {
            if (!ReadMapping([&] {
                    HWY_DYNAMIC_DISPATCH(WidenContiguous)
                    (buffer.Samples + first * width, width, window.data());
                })) {
                throw TremolundrixError(kMappingFaultMessage);
            }
            return;
        }
    }
    std::array<float, kSliceLength> singles;
    GetSliceSamples(buffer, slice, singles);
    std::copy(singles.begin(), singles.end(), window.begin());
}

} // namespace trx
#endif
