#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trx {

// One conversion call: the whole source block in, at most Destination.size()
// bytes out; DestinationUsed tells how many were written.
struct ConversionHeader {
    std::span<const std::uint8_t> Source;
    std::span<std::uint8_t> Destination;
    std::size_t DestinationUsed = 0;
};

} // namespace trx
