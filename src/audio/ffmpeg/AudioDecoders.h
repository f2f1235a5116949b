#pragma once

#include "audio/ffmpeg/PacketShape.h"

#include <cstdint>
#include <span>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace trx {

// The libavcodec decoder for samples of a plain format tag (an extensible
// format passes its sub-format's tag) at the derived bits per sample;
// AV_CODEC_ID_NONE when this program does not convert such samples.
[[nodiscard]] AVCodecID DecoderFor(std::uint16_t formatTag, std::uint16_t bitsPerSample);

[[nodiscard]] PacketShape PacketShapeOf(AVCodecID decoder);

// The plain format tag an extensible format's 16-byte sub-format identifier
// stands for (PCM, IEEE float, A-law, mu-law); 0 when it is none of those.
[[nodiscard]] std::uint16_t ExtensibleSubFormatTag(std::span<const std::uint8_t> guid);

} // namespace trx
