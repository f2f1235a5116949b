#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace trx {

// Format tags of the WAV formats this program knows by name.
inline constexpr std::uint16_t kWaveFormatPcm = 0x0001;
inline constexpr std::uint16_t kWaveFormatMsAdpcm = 0x0002;
inline constexpr std::uint16_t kWaveFormatIeeeFloat = 0x0003;
inline constexpr std::uint16_t kWaveFormatAlaw = 0x0006;
inline constexpr std::uint16_t kWaveFormatMulaw = 0x0007;
inline constexpr std::uint16_t kWaveFormatImaAdpcm = 0x0011;
inline constexpr std::uint16_t kWaveFormatGsm610 = 0x0031;
inline constexpr std::uint16_t kWaveFormatMpegLayer3 = 0x0055;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

// Bytes of the packed format record: the seven fields below, little-endian.
inline constexpr std::size_t kWaveFormatSize = 18;

// The description of a sample format handed to a converter.
struct WaveFormat {
    std::uint16_t FormatTag = 0;
    std::uint16_t Channels = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0;
    std::uint16_t BlockAlign = 0;
    std::uint16_t BitsPerSample = 0;
    std::uint16_t ExtraSize = 0;

    bool operator==(const WaveFormat&) const = default;
};

// What the analysis reads: 16-bit linear PCM, one channel, 44100 Hz.
[[nodiscard]] WaveFormat AnalysisFormat();

// Equal for the converter search: tag, channels, rate, bits and block align
// agree; average bytes per second and extra size are not compared.
[[nodiscard]] bool SameConversionFormat(const WaveFormat& a, const WaveFormat& b);

// Bits per sample as the reader derives them instead of trusting the header:
// the smaller, as 16-bit numbers, of (blockAlign * 8) div channels and
// Round(avgBytesPerSec * 8 / (channels * samplesPerSec)), halves to even.
// Precondition: channels and samplesPerSec are not 0.
[[nodiscard]] std::uint16_t DeriveBitsPerSample(std::uint16_t channels, std::uint32_t samplesPerSec,
                                                std::uint32_t avgBytesPerSec,
                                                std::uint16_t blockAlign);

[[nodiscard]] std::array<std::uint8_t, kWaveFormatSize> EncodeWaveFormat(const WaveFormat& format);
// Missing bytes of a short record read as 0.
[[nodiscard]] WaveFormat DecodeWaveFormat(std::span<const std::uint8_t> bytes);

} // namespace trx
