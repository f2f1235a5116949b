#pragma once

#include "audio/WaveFormat.h"

#include <cstdint>
#include <vector>

namespace trx {

// One format a converter offers: a zero-filled block of FormatSize bytes whose
// first 18 bytes are the packed format record.
class TWaveFormatOb {
public:
    // Converters here describe formats without extra bytes.
    static constexpr std::uint32_t kMaxFormatSize = kWaveFormatSize;

    explicit TWaveFormatOb(const WaveFormat& format, std::uint32_t formatSize = kMaxFormatSize);

    [[nodiscard]] WaveFormat Decode() const;

    std::uint32_t FormatSize = 0;
    std::vector<std::uint8_t> Format;
};

} // namespace trx
