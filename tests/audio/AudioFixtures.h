#pragma once

// Helpers of the audio tests: WAV files with any format chunk, compressed
// data encoded by libavcodec's own encoders, and measurements of the
// converted samples.

#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "audio/SoundFile.h"
#include "audio/WavReader.h"
#include "support/TestWav.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace trx::test {

// The fields of a format chunk as a file states them (bits included).
struct FormatChunk {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 44100;
    std::uint32_t avgBytesPerSec = 88200;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    // Bytes after the first 16 of the chunk (cbSize and what follows).
    std::vector<std::uint8_t> extra;
};

inline std::vector<std::uint8_t> BuildWavFile(const FormatChunk& fmt,
                                              const std::vector<std::uint8_t>& data) {
    ByteWriter w;
    w.Tag("RIFF");
    w.U32(static_cast<std::uint32_t>(4 + 8 + 16 + fmt.extra.size() + 8 + data.size()));
    w.Tag("WAVE");
    w.Tag("fmt ");
    w.U32(static_cast<std::uint32_t>(16 + fmt.extra.size()));
    w.U16(fmt.formatTag);
    w.U16(fmt.channels);
    w.U32(fmt.sampleRate);
    w.U32(fmt.avgBytesPerSec);
    w.U16(fmt.blockAlign);
    w.U16(fmt.bitsPerSample);
    w.Raw(fmt.extra);
    w.Tag("data");
    w.U32(static_cast<std::uint32_t>(data.size()));
    w.Raw(data);
    return w.bytes;
}

// The 22 bytes after the plain record of an extensible format chunk: cbSize,
// valid bits, channel mask and the sub-format identifier of subTag.
inline std::vector<std::uint8_t> ExtensibleExtra(std::uint16_t validBits, std::uint16_t subTag) {
    ByteWriter w;
    w.U16(22);
    w.U16(validBits);
    w.U32(0);
    w.U16(subTag);
    w.Raw({0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    return w.bytes;
}

struct EncodedAudio {
    std::vector<std::uint8_t> bytes;
    std::uint16_t blockAlign = 0;
    // Samples per channel of one block (encoder frame).
    int frameSize = 0;
};

// Encodes interleaved 16-bit samples with a libavcodec encoder; the input is
// padded with silence to whole frames.
inline EncodedAudio Encode(const char* encoderName, int channels, int sampleRate,
                           const std::vector<std::int16_t>& interleaved, int blockSize = 0,
                           std::int64_t bitRate = 0) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName);
    if (codec == nullptr)
        throw std::runtime_error(std::string("no encoder ") + encoderName);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    av_channel_layout_default(&context->ch_layout, channels);
    context->sample_rate = sampleRate;
    context->sample_fmt = codec->sample_fmts[0];
    if (bitRate > 0)
        context->bit_rate = bitRate;
    AVDictionary* options = nullptr;
    if (blockSize > 0)
        av_dict_set_int(&options, "block_size", blockSize, 0);
    if (avcodec_open2(context, codec, &options) < 0)
        throw std::runtime_error(std::string("cannot open encoder ") + encoderName);
    av_dict_free(&options);

    EncodedAudio out;
    out.blockAlign = static_cast<std::uint16_t>(context->block_align);
    const int frames = static_cast<int>(interleaved.size()) / channels;
    // Uncompressed encoders take all frames at once.
    const int frameSize = context->frame_size > 0 ? context->frame_size : frames;
    out.frameSize = frameSize;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const bool planar = av_sample_fmt_is_planar(context->sample_fmt);
    auto drain = [&] {
        while (avcodec_receive_packet(context, packet) == 0) {
            out.bytes.insert(out.bytes.end(), packet->data, packet->data + packet->size);
            av_packet_unref(packet);
        }
    };
    for (int start = 0; start < frames; start += frameSize) {
        frame->nb_samples = frameSize;
        frame->format = context->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &context->ch_layout);
        frame->sample_rate = sampleRate;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < frameSize; ++i)
            for (int c = 0; c < channels; ++c) {
                const int source = start + i;
                const std::int16_t v =
                    source < frames ? interleaved[static_cast<std::size_t>(source * channels + c)]
                                    : 0;
                if (context->sample_fmt == AV_SAMPLE_FMT_S16P ||
                    context->sample_fmt == AV_SAMPLE_FMT_S16)
                    reinterpret_cast<std::int16_t*>(
                        frame->data[planar ? c : 0])[planar ? i : i * channels + c] = v;
                else if (context->sample_fmt == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(frame->data[c])[i] = v / 32768.0f;
                else if (context->sample_fmt == AV_SAMPLE_FMT_S32P)
                    reinterpret_cast<std::int32_t*>(frame->data[c])[i] = v * 65536;
            }
        avcodec_send_frame(context, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(context, nullptr);
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return out;
}

inline std::vector<std::int16_t> ToInt16(const std::vector<double>& values) {
    std::vector<std::int16_t> out;
    out.reserve(values.size());
    for (double v : values)
        out.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
    return out;
}

// The 16-bit samples a converted buffer holds.
inline std::vector<std::int16_t> Samples16(const SampleBuffer& buffer) {
    std::vector<std::int16_t> out(buffer.ByteCount / 2);
    if (!out.empty())
        std::memcpy(out.data(), buffer.Samples, out.size() * 2);
    return out;
}

// Amplitude of the frequency component of samples [start, start + count) at
// 44100 Hz; count should hold whole periods.
inline double ToneAmplitude(const std::vector<std::int16_t>& samples, double frequency,
                            std::size_t start, std::size_t count) {
    std::complex<double> sum = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(n) / 44100.0;
        sum += static_cast<double>(samples[start + n]) * std::polar(1.0, -phase);
    }
    return 2.0 * std::abs(sum) / static_cast<double>(count);
}

inline double Rms(const std::vector<std::int16_t>& samples, std::size_t start, std::size_t count) {
    double sum = 0;
    for (std::size_t n = start; n < start + count; ++n)
        sum += static_cast<double>(samples[n]) * samples[n];
    return std::sqrt(sum / static_cast<double>(count));
}

// Opens a file the way the window does and remembers what the observer saw.
class Opener : public OpenObserver {
public:
    OpenResult Open(const std::string& path) { return ReadSoundFile(path, file, codecs, *this); }
    void FileSizeKnown(const std::string& name) override { caption = name; }
    void ConversionStarted() override { converted = true; }

    ~Opener() override {
        int ignored = 0;
        (void)CloseDataFile(file, ignored);
    }

    SoundFile file;
    CodecList codecs;
    std::string caption;
    bool converted = false;
};

} // namespace trx::test
