#include "audio/ffmpeg/ConversionStream.h"

#include "audio/MappingFault.h"
#include "audio/ffmpeg/AudioDecoders.h"
#include "common/Constants.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace trx {

namespace {

// Frames per packet of uncompressed input: large enough that per-packet
// costs vanish, small enough to stay in cache.
constexpr std::size_t kFramesPerPacket = 4096;
// Compressed input handed to the parser per step, in bytes.
constexpr std::size_t kParseChunk = 16384;
// Offset of an extensible format's sub-format identifier within the bytes
// after the first 16 of the format chunk (size, valid bits, channel mask).
constexpr std::size_t kSubFormatOffset = 8;
// Least room offered to the resampler per call, in samples.
constexpr int kFlushSamples = 4096;

// Frames of MPEG audio hold at most this many samples per channel.
constexpr int kLongestFrame = 1152;
// Samples the resampler may give beyond the exact rate ratio at its flush.
constexpr std::uint64_t kResamplerSlack = 64;

// Cuts source into frames with parser, handing each to onFrame (false: a
// failure, which ends the parse with false) until done() says to stop or the
// parser has flushed its last frame. buffer is the padded copy the parser
// reads from: kParseChunk bytes plus the input padding.
template <class OnFrame, class Done>
bool ParseFrames(AVCodecParserContext& parser, AVCodecContext& context,
                 std::vector<std::uint8_t>& buffer, std::span<const std::uint8_t> source,
                 OnFrame onFrame, Done done) {
    std::size_t at = 0;
    bool flushing = false;
    while (!done()) {
        const std::size_t chunk = std::min(kParseChunk, source.size() - at);
        flushing = chunk == 0;
        if (!flushing)
            CopyFromMapping(buffer.data(), source.data() + at, chunk);
        std::memset(buffer.data() + chunk, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        at += chunk;
        const std::uint8_t* input = flushing ? nullptr : buffer.data();
        int remaining = static_cast<int>(chunk);
        // The parser may hand out a buffered frame without taking input, but
        // never many times in a row; more would be a loop that never ends.
        int idleSteps = 0;
        do {
            std::uint8_t* frame = nullptr;
            int frameSize = 0;
            const int used = av_parser_parse2(&parser, &context, &frame, &frameSize, input,
                                              remaining, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                return false;
            if (frameSize > 0 && !onFrame(frame, frameSize))
                return false;
            if (used == 0 && (frameSize == 0 || ++idleSteps > 16))
                break;
            if (used > 0)
                idleSteps = 0;
            if (input != nullptr)
                input += used;
            remaining -= used;
        } while (remaining > 0 && !done());
        if (flushing)
            break;
    }
    return true;
}

} // namespace

void ConversionStream::Deleters::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}
void ConversionStream::Deleters::operator()(AVCodecParserContext* parser) const {
    av_parser_close(parser);
}
void ConversionStream::Deleters::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}
void ConversionStream::Deleters::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}
void ConversionStream::Deleters::operator()(SwrContext* resampler) const {
    swr_free(&resampler);
}

ConversionStream::~ConversionStream() = default;

std::unique_ptr<ConversionStream>
ConversionStream::Open(const WaveFormat& source, const WaveFormat& target,
                       std::span<const std::uint8_t> formatExtra) {
    if (!SameConversionFormat(target, AnalysisFormat()))
        return nullptr;
    if (source.Channels < 1 || source.Channels > kMostChannels ||
        source.SamplesPerSec < kLowestRate || source.SamplesPerSec > kHighestRate ||
        source.BlockAlign == 0)
        return nullptr;

    std::uint16_t tag = source.FormatTag;
    if (tag == kWaveFormatExtensible) {
        if (formatExtra.size() < kSubFormatOffset + 16)
            return nullptr;
        tag = ExtensibleSubFormatTag(formatExtra.subspan(kSubFormatOffset, 16));
    }
    const AVCodecID decoderId = DecoderFor(tag, source.BitsPerSample);
    if (decoderId == AV_CODEC_ID_NONE)
        return nullptr;
    const AVCodec* codec = avcodec_find_decoder(decoderId);
    if (codec == nullptr)
        return nullptr;

    std::unique_ptr<ConversionStream> stream(new ConversionStream());
    stream->shape_ = PacketShapeOf(decoderId);
    stream->blockAlign_ = source.BlockAlign;
    // Uncompressed frames must be exactly as wide as their samples say.
    if (stream->shape_ == PacketShape::Frames &&
        stream->blockAlign_ !=
            static_cast<std::size_t>(source.Channels) * (source.BitsPerSample / 8))
        return nullptr;

    stream->decoder_.reset(avcodec_alloc_context3(codec));
    stream->frame_.reset(av_frame_alloc());
    stream->packet_.reset(av_packet_alloc());
    if (!stream->decoder_ || !stream->frame_ || !stream->packet_)
        return nullptr;
    AVCodecContext& decoder = *stream->decoder_;
    av_channel_layout_default(&decoder.ch_layout, source.Channels);
    decoder.sample_rate = static_cast<int>(source.SamplesPerSec);
    decoder.block_align = source.BlockAlign;
    decoder.bits_per_coded_sample = source.BitsPerSample;
    if (avcodec_open2(&decoder, codec, nullptr) < 0)
        return nullptr;

    if (stream->shape_ == PacketShape::Parsed) {
        stream->parser_.reset(av_parser_init(decoderId));
        if (!stream->parser_)
            return nullptr;
        stream->parseBuffer_.assign(kParseChunk + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    if (!stream->ConfigureResampler(decoder.sample_fmt, decoder.sample_rate, source.Channels))
        return nullptr;
    return stream;
}

bool ConversionStream::ConfigureResampler(int sampleFormat, int sampleRate, int channels) {
    resampler_.reset();
    if (sampleRate <= 0 || channels <= 0 || channels > kMostChannels)
        return false;
    AVChannelLayout in{};
    av_channel_layout_default(&in, channels);
    AVChannelLayout out = AV_CHANNEL_LAYOUT_MONO;
    // Good-quality band-limited resampling (soxr) where the library has it,
    // its own filter otherwise.
    for (const bool soxr : {true, false}) {
        SwrContext* raw = nullptr;
        if (swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, kSampleRate, &in,
                                static_cast<AVSampleFormat>(sampleFormat), sampleRate, 0,
                                nullptr) < 0)
            return false;
        std::unique_ptr<SwrContext, Deleters> resampler(raw);
        // Mix and filter in float so nothing clips or loses bits on the way.
        av_opt_set_sample_fmt(raw, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
        if (soxr)
            av_opt_set(raw, "resampler", "soxr", 0);
        else
            av_opt_set_int(raw, "filter_size", 64, 0);
        if (channels > 1) {
            // Every channel counts the same: the mean cannot clip, and no
            // channel's notes are dropped whatever the speaker layout.
            const std::vector<double> matrix(static_cast<std::size_t>(channels), 1.0 / channels);
            if (swr_set_matrix(raw, matrix.data(), channels) < 0)
                return false;
        }
        if (swr_init(raw) >= 0) {
            resampler_ = std::move(resampler);
            inFormat_ = sampleFormat;
            inRate_ = sampleRate;
            inChannels_ = channels;
            return true;
        }
    }
    return false;
}

bool ConversionStream::Convert(ConversionHeader& header) {
    header.DestinationUsed = 0;
    destination_ = header.Destination;
    written_ = 0;
    framesDecoded_ = 0;
    badPackets_ = 0;
    bool ok = false;
    switch (shape_) {
    case PacketShape::Frames:
        ok = ConvertFrames(header.Source);
        break;
    case PacketShape::Blocks:
        ok = ConvertBlocks(header.Source);
        break;
    case PacketShape::Parsed:
        ok = ConvertParsed(header.Source);
        break;
    }
    if (ok && !Full())
        ok = Drain();
    // Input that decoded to nothing but errors is not a recording.
    if (ok && framesDecoded_ == 0 && badPackets_ > 0)
        ok = false;
    header.DestinationUsed = written_;
    destination_ = {};
    return ok;
}

bool ConversionStream::ConvertFrames(std::span<const std::uint8_t> source) {
    // A trailing part frame is dropped.
    const std::size_t usable = source.size() - source.size() % blockAlign_;
    const std::size_t step = kFramesPerPacket * blockAlign_;
    for (std::size_t at = 0; at < usable && !Full(); at += step) {
        if (!DecodeMapped(source.data() + at, std::min(step, usable - at), false))
            return false;
    }
    return true;
}

bool ConversionStream::ConvertBlocks(std::span<const std::uint8_t> source) {
    for (std::size_t at = 0; at < source.size() && !Full(); at += blockAlign_) {
        const std::size_t size = std::min(blockAlign_, source.size() - at);
        // A cut-off last block is decoded as far as the decoder can; if it
        // cannot, the file simply ends before it.
        if (!DecodeMapped(source.data() + at, size, size < blockAlign_))
            return false;
    }
    return true;
}

bool ConversionStream::ConvertParsed(std::span<const std::uint8_t> source) {
    return ParseFrames(
        *parser_, *decoder_, parseBuffer_, source,
        [this](const std::uint8_t* frame, int frameSize) {
            return DecodePacket(frame, static_cast<std::size_t>(frameSize), true);
        },
        [this] { return Full(); });
}

std::uint64_t ConversionStream::CountOutputBytes(std::span<const std::uint8_t> source) const {
    if (shape_ != PacketShape::Parsed)
        return 0;
    // A parser and context of their own, so the decoder's state is untouched;
    // the parser sets the context's rate from each frame header.
    std::unique_ptr<AVCodecParserContext, Deleters> parser(av_parser_init(decoder_->codec_id));
    std::unique_ptr<AVCodecContext, Deleters> context(avcodec_alloc_context3(decoder_->codec));
    if (!parser || !context)
        return 0;
    std::vector<std::uint8_t> buffer(kParseChunk + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    long double samples = 0; // at 44100 Hz
    const bool parsed = ParseFrames(
        *parser, *context, buffer, source,
        [&](const std::uint8_t*, int) {
            // Without a duration the frame counts as the longest MPEG audio
            // frame.
            const int frameSamples = parser->duration > 0 ? parser->duration : kLongestFrame;
            const int rate = context->sample_rate > 0 ? context->sample_rate : inRate_;
            samples += static_cast<long double>(frameSamples) * kSampleRate / rate;
            return true;
        },
        [] { return false; });
    if (!parsed)
        return 0;
    return (static_cast<std::uint64_t>(std::ceil(samples)) + kResamplerSlack) * 2;
}

bool ConversionStream::DecodeMapped(const std::uint8_t* data, std::size_t size, bool tolerated) {
    packetBuffer_.resize(size);
    CopyFromMapping(packetBuffer_.data(), data, size);
    return DecodePacket(packetBuffer_.data(), size, tolerated);
}

bool ConversionStream::DecodePacket(const std::uint8_t* data, std::size_t size, bool tolerated) {
    AVPacket& packet = *packet_;
    // Without a buffer reference the decoder copies the bytes into padded
    // memory of its own.
    packet.buf = nullptr;
    packet.data = const_cast<std::uint8_t*>(data);
    packet.size = static_cast<int>(size);
    int result = avcodec_send_packet(decoder_.get(), &packet);
    if (result == AVERROR(EAGAIN)) {
        if (!ReceiveFrames(tolerated))
            return false;
        result = avcodec_send_packet(decoder_.get(), &packet);
    }
    packet.data = nullptr;
    packet.size = 0;
    if (result == AVERROR_INVALIDDATA && tolerated) {
        ++badPackets_;
        return true;
    }
    if (result < 0)
        return false;
    return ReceiveFrames(tolerated);
}

bool ConversionStream::ReceiveFrames(bool tolerated) {
    while (!Full()) {
        const int result = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result == AVERROR_INVALIDDATA && tolerated) {
            ++badPackets_;
            return true;
        }
        if (result < 0)
            return false;
        const bool ok = Resample(*frame_);
        av_frame_unref(frame_.get());
        if (!ok)
            return false;
    }
    return true;
}

bool ConversionStream::Resample(const AVFrame& frame) {
    if (frame.format != inFormat_ || frame.sample_rate != inRate_ ||
        frame.ch_layout.nb_channels != inChannels_) {
        // A bit stream may tell its true rate or channels only in its first
        // frame; a change later on cannot be followed.
        if (framesDecoded_ > 0 ||
            !ConfigureResampler(frame.format, frame.sample_rate, frame.ch_layout.nb_channels))
            return false;
    }
    ++framesDecoded_;
    return Emit(const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples) >= 0;
}

int ConversionStream::Emit(const std::uint8_t** input, int count) {
    // The resampler always gets room for all it has to give: asked for less,
    // its band-limited flush has been seen to write through a null pointer.
    const int bound = std::max(swr_get_out_samples(resampler_.get(), count), kFlushSamples);
    scratch_.resize(static_cast<std::size_t>(bound));
    auto* out = reinterpret_cast<std::uint8_t*>(scratch_.data());
    const int produced = swr_convert(resampler_.get(), &out, bound, input, count);
    if (produced <= 0)
        return produced;
    const std::size_t bytes = std::min(static_cast<std::size_t>(produced) * 2,
                                       (destination_.size() - written_) & ~std::size_t{1});
    std::memcpy(destination_.data() + written_, scratch_.data(), bytes);
    written_ += bytes;
    return produced;
}

bool ConversionStream::Drain() {
    if (avcodec_send_packet(decoder_.get(), nullptr) < 0)
        return false;
    if (!ReceiveFrames(shape_ == PacketShape::Parsed))
        return false;
    while (!Full()) {
        const int produced = Emit(nullptr, 0);
        if (produced < 0)
            return false;
        if (produced == 0)
            break;
    }
    return true;
}

} // namespace trx
