#include "audio/ffmpeg/AudioDecoders.h"

#include "audio/LittleEndian.h"
#include "audio/WaveFormat.h"

#include <algorithm>
#include <array>

namespace trx {

AVCodecID DecoderFor(std::uint16_t formatTag, std::uint16_t bitsPerSample) {
    switch (formatTag) {
    case kWaveFormatPcm:
        switch (bitsPerSample) {
        case 8:
            return AV_CODEC_ID_PCM_U8;
        case 16:
            return AV_CODEC_ID_PCM_S16LE;
        case 24:
            return AV_CODEC_ID_PCM_S24LE;
        case 32:
            return AV_CODEC_ID_PCM_S32LE;
        default:
            return AV_CODEC_ID_NONE;
        }
    case kWaveFormatIeeeFloat:
        if (bitsPerSample == 32)
            return AV_CODEC_ID_PCM_F32LE;
        if (bitsPerSample == 64)
            return AV_CODEC_ID_PCM_F64LE;
        return AV_CODEC_ID_NONE;
    case kWaveFormatAlaw:
        return bitsPerSample == 8 ? AV_CODEC_ID_PCM_ALAW : AV_CODEC_ID_NONE;
    case kWaveFormatMulaw:
        return bitsPerSample == 8 ? AV_CODEC_ID_PCM_MULAW : AV_CODEC_ID_NONE;
    case kWaveFormatMsAdpcm:
        return bitsPerSample == 4 ? AV_CODEC_ID_ADPCM_MS : AV_CODEC_ID_NONE;
    case kWaveFormatImaAdpcm:
        return bitsPerSample == 4 ? AV_CODEC_ID_ADPCM_IMA_WAV : AV_CODEC_ID_NONE;
    case kWaveFormatGsm610:
        return AV_CODEC_ID_GSM_MS;
    case kWaveFormatMpegLayer3:
        return AV_CODEC_ID_MP3;
    default:
        return AV_CODEC_ID_NONE;
    }
}

PacketShape PacketShapeOf(AVCodecID decoder) {
    switch (decoder) {
    case AV_CODEC_ID_ADPCM_MS:
    case AV_CODEC_ID_ADPCM_IMA_WAV:
    case AV_CODEC_ID_GSM_MS:
        return PacketShape::Blocks;
    case AV_CODEC_ID_MP3:
        return PacketShape::Parsed;
    default:
        return PacketShape::Frames;
    }
}

std::uint16_t ExtensibleSubFormatTag(std::span<const std::uint8_t> guid) {
    // {tttt0000-0000-0010-8000-00aa00389b71}: the plain tag in the first two
    // bytes, the rest fixed.
    static const std::array<std::uint8_t, 14> kBaseGuidTail = {
        0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (guid.size() < 16 ||
        !std::equal(kBaseGuidTail.begin(), kBaseGuidTail.end(), guid.begin() + 2))
        return 0;
    const std::uint16_t tag = ReadU16(guid, 0);
    switch (tag) {
    case kWaveFormatPcm:
    case kWaveFormatIeeeFloat:
    case kWaveFormatAlaw:
    case kWaveFormatMulaw:
        return tag;
    default:
        return 0;
    }
}

} // namespace trx
