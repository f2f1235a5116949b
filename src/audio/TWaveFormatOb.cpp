#include "audio/TWaveFormatOb.h"

#include <algorithm>

namespace trx {

TWaveFormatOb::TWaveFormatOb(const WaveFormat& format, std::uint32_t formatSize)
    : FormatSize(std::max<std::uint32_t>(formatSize, kWaveFormatSize))
    , Format(FormatSize, 0) {
    const auto packed = EncodeWaveFormat(format);
    std::copy(packed.begin(), packed.end(), Format.begin());
}

WaveFormat TWaveFormatOb::Decode() const {
    return DecodeWaveFormat(Format);
}

} // namespace trx
