#include "audio/WaveFormat.h"

#include "audio/LittleEndian.h"

#include <cmath>

namespace trx {

WaveFormat AnalysisFormat() {
    return WaveFormat{kWaveFormatPcm, 1, 44100, 88200, 2, 16, 0};
}

bool SameConversionFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.FormatTag == b.FormatTag && a.Channels == b.Channels &&
           a.SamplesPerSec == b.SamplesPerSec && a.BitsPerSample == b.BitsPerSample &&
           a.BlockAlign == b.BlockAlign;
}

std::uint16_t DeriveBitsPerSample(std::uint16_t channels, std::uint32_t samplesPerSec,
                                  std::uint32_t avgBytesPerSec, std::uint16_t blockAlign) {
    // Both candidates are kept to 16 bits, wrapping as the header field would.
    const auto fromBlockAlign =
        static_cast<std::uint16_t>((static_cast<std::uint32_t>(blockAlign) * 8u) / channels);
    const long double fromRate = static_cast<long double>(avgBytesPerSec) * 8.0L /
                                 (static_cast<long double>(channels) * samplesPerSec);
    const auto fromByteRate = static_cast<std::uint16_t>(std::llrint(fromRate));
    return fromBlockAlign < fromByteRate ? fromBlockAlign : fromByteRate;
}

std::array<std::uint8_t, kWaveFormatSize> EncodeWaveFormat(const WaveFormat& format) {
    std::array<std::uint8_t, kWaveFormatSize> bytes{};
    WriteU16(bytes, 0, format.FormatTag);
    WriteU16(bytes, 2, format.Channels);
    WriteU32(bytes, 4, format.SamplesPerSec);
    WriteU32(bytes, 8, format.AvgBytesPerSec);
    WriteU16(bytes, 12, format.BlockAlign);
    WriteU16(bytes, 14, format.BitsPerSample);
    WriteU16(bytes, 16, format.ExtraSize);
    return bytes;
}

WaveFormat DecodeWaveFormat(std::span<const std::uint8_t> bytes) {
    return WaveFormat{ReadU16(bytes, 0),  ReadU16(bytes, 2),  ReadU32(bytes, 4), ReadU32(bytes, 8),
                      ReadU16(bytes, 12), ReadU16(bytes, 14), ReadU16(bytes, 16)};
}

} // namespace trx
