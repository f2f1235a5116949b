#pragma once

#include "audio/ConversionHeader.h"
#include "audio/WaveFormat.h"
#include "audio/ffmpeg/PacketShape.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct AVCodecContext;
struct AVCodecParserContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace trx {

// A converter from one WAV sample format to the analysis format: a libavcodec
// decoder chosen by the format tag, then libswresample to average the
// channels into one and bring the rate to 44100 Hz, 16-bit signed out.
class ConversionStream {
public:
    // Lowest and highest sample rates converted, in Hz, and the most channels.
    static constexpr std::uint32_t kLowestRate = 8000;
    static constexpr std::uint32_t kHighestRate = 192000;
    static constexpr std::uint16_t kMostChannels = 8;

    // A stream from source to target, or null when this build cannot convert
    // between them. target must be the analysis format. formatExtra holds the
    // format chunk's bytes after its first 16 (from file offset 36 on): an
    // extensible format's sub-format is read from there.
    [[nodiscard]] static std::unique_ptr<ConversionStream>
    Open(const WaveFormat& source, const WaveFormat& target,
         std::span<const std::uint8_t> formatExtra);

    ~ConversionStream();
    ConversionStream(const ConversionStream&) = delete;
    ConversionStream& operator=(const ConversionStream&) = delete;

    // Converts the whole source block in one pass. Never writes beyond the
    // destination; output that does not fit is dropped. False when the
    // source cannot be decoded. The source may be a file mapping: bytes it
    // lost throw TremolundrixError (kMappingFaultMessage), here and in
    // CountOutputBytes.
    [[nodiscard]] bool Convert(ConversionHeader& header);

    // Bytes of analysis samples that source decodes to, counted from the
    // frame headers of a parsed bit stream (MPEG audio), whose byte rate says
    // little about its samples; 0 when the stream cannot tell without
    // decoding.
    [[nodiscard]] std::uint64_t CountOutputBytes(std::span<const std::uint8_t> source) const;

private:
    struct Deleters {
        void operator()(AVCodecContext* context) const;
        void operator()(AVCodecParserContext* parser) const;
        void operator()(AVFrame* frame) const;
        void operator()(AVPacket* packet) const;
        void operator()(SwrContext* resampler) const;
    };

    ConversionStream() = default;

    [[nodiscard]] bool ConfigureResampler(int sampleFormat, int sampleRate, int channels);
    [[nodiscard]] bool ConvertFrames(std::span<const std::uint8_t> source);
    [[nodiscard]] bool ConvertBlocks(std::span<const std::uint8_t> source);
    [[nodiscard]] bool ConvertParsed(std::span<const std::uint8_t> source);
    // Copies size bytes of mapped input into packetBuffer_ and decodes them.
    [[nodiscard]] bool DecodeMapped(const std::uint8_t* data, std::size_t size, bool tolerated);
    // Sends one packet and resamples what it decodes to. A decoding error is
    // forgiven when tolerated (counted as a bad packet); other errors fail.
    [[nodiscard]] bool DecodePacket(const std::uint8_t* data, std::size_t size, bool tolerated);
    [[nodiscard]] bool ReceiveFrames(bool tolerated);
    [[nodiscard]] bool Resample(const AVFrame& frame);
    // Resamples count samples of input (none: flush) into the destination;
    // samples produced (some may not fit and are dropped), or < 0 on failure.
    [[nodiscard]] int Emit(const std::uint8_t** input, int count);
    [[nodiscard]] bool Drain();
    [[nodiscard]] bool Full() const { return destination_.size() - written_ < 2; }

    std::unique_ptr<AVCodecContext, Deleters> decoder_;
    std::unique_ptr<AVCodecParserContext, Deleters> parser_;
    std::unique_ptr<AVFrame, Deleters> frame_;
    std::unique_ptr<AVPacket, Deleters> packet_;
    std::unique_ptr<SwrContext, Deleters> resampler_;
    PacketShape shape_ = PacketShape::Frames;
    std::size_t blockAlign_ = 0;
    int inFormat_ = -1;
    int inRate_ = 0;
    int inChannels_ = 0;
    // Padded copy of compressed input for the parser, which may read past
    // the bytes it is given.
    std::vector<std::uint8_t> parseBuffer_;
    // Input copied out of the mapped file before the decoder sees it, so a
    // file shortened under the mapping fails the read, not the process.
    std::vector<std::uint8_t> packetBuffer_;
    // Resampler output before it is copied to the destination.
    std::vector<std::int16_t> scratch_;
    std::span<std::uint8_t> destination_;
    std::size_t written_ = 0;
    std::size_t framesDecoded_ = 0;
    std::size_t badPackets_ = 0;
};

} // namespace trx
