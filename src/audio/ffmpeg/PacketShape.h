#pragma once

namespace trx {

// How a decoder wants its input cut into packets.
enum class PacketShape {
    // Whole frames of all channels, many at a time.
    Frames,
    // One codec block (block align bytes) per packet.
    Blocks,
    // A bit stream that a parser cuts into frames.
    Parsed,
};

} // namespace trx
