#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trx {

// Texts of the codec list and its dialog. A version v packs major in bits
// 24..31, minor in 16..23 and build in 0..15.

[[nodiscard]] constexpr std::uint32_t PackVersion(std::uint32_t major, std::uint32_t minor,
                                                  std::uint32_t build) {
    return (major & 0xFFu) << 24 | (minor & 0xFFu) << 16 | (build & 0xFFFFu);
}
[[nodiscard]] constexpr std::uint32_t VersionMajor(std::uint32_t version) {
    return version >> 24;
}
[[nodiscard]] constexpr std::uint32_t VersionMinor(std::uint32_t version) {
    return (version >> 16) & 0xFFu;
}
[[nodiscard]] constexpr std::uint32_t VersionBuild(std::uint32_t version) {
    return version & 0xFFFFu;
}

// "ACM Version: 4.00 build 0 (Retail)"; any other build ends in a blank.
[[nodiscard]] std::string ConverterVersionText(std::uint32_t version);
// "Number of codecs: 3", or "Unable to count codecs" without a count.
[[nodiscard]] std::string CodecCountText(std::optional<std::uint32_t> count);
// "Version: 3.50".
[[nodiscard]] std::string DriverVersionText(std::uint32_t version);
// "Designed for ACM version: 3.50".
[[nodiscard]] std::string DesignedForVersionText(std::uint32_t version);
// "ID: 0x00000001".
[[nodiscard]] std::string DriverIdText(std::uint32_t driverId);
// "Number of format types: 2 ( 1, 3 )"; without tags only the count.
[[nodiscard]] std::string FormatTypesText(std::uint32_t formatTagCount,
                                          const std::vector<std::string>& tags);

} // namespace trx
