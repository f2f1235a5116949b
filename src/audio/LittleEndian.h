#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trx {

// Little-endian reads from a byte range. Bytes beyond the range read as 0, so
// a header cut short can never make a reader step outside its file.
[[nodiscard]] inline std::uint8_t ReadU8(std::span<const std::uint8_t> bytes,
                                         std::uint64_t offset) {
    return offset < bytes.size() ? bytes[static_cast<std::size_t>(offset)] : 0;
}

[[nodiscard]] inline std::uint16_t ReadU16(std::span<const std::uint8_t> bytes,
                                           std::uint64_t offset) {
    return static_cast<std::uint16_t>(ReadU8(bytes, offset) | (ReadU8(bytes, offset + 1) << 8));
}

[[nodiscard]] inline std::uint32_t ReadU32(std::span<const std::uint8_t> bytes,
                                           std::uint64_t offset) {
    return static_cast<std::uint32_t>(ReadU16(bytes, offset)) |
           (static_cast<std::uint32_t>(ReadU16(bytes, offset + 2)) << 16);
}

inline void WriteU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    WriteU16(bytes, offset, static_cast<std::uint16_t>(value));
    WriteU16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

} // namespace trx
