#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace trx {

// An append-only byte buffer that grows linearly: it starts with room for
// kGrowth bytes and gains another kGrowth whenever a byte meets a full
// buffer.
class ByteBuffer {
public:
    static constexpr std::size_t kGrowth = 32768;

    ByteBuffer() { bytes_.reserve(kGrowth); }

    void Append(std::uint8_t byte) {
        if (bytes_.size() == bytes_.capacity())
            bytes_.reserve(bytes_.capacity() + kGrowth);
        bytes_.push_back(byte);
    }
    // Overwrites four bytes at offset with value, most significant first.
    void PatchLong(std::size_t offset, std::uint32_t value) {
        for (int shift = 24, i = 0; shift >= 0; shift -= 8, ++i)
            bytes_.at(offset + static_cast<std::size_t>(i)) =
                static_cast<std::uint8_t>(value >> shift);
    }

    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    [[nodiscard]] std::size_t Capacity() const { return bytes_.capacity(); }
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace trx
