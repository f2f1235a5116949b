#include "AudioFixtures.h"

#include "audio/OpenMessages.h"
#include "audio/WaveConversion.h"
#include "audio/ffmpeg/ConversionStream.h"

#include <gtest/gtest.h>

#include <functional>

namespace trx::test {
namespace {

constexpr double kTone = 1000.0;
constexpr double kHalfScale = 0.5 * 32768.0;
// 60 whole periods of 1000 Hz at 44100 Hz, clear of the ends.
constexpr std::size_t kWindowStart = 4096;
constexpr std::size_t kWindowLength = 441 * 60;

struct FormatCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> build;
    // Allowed relative error of the 1000 Hz amplitude.
    double tolerance;
    std::int32_t fewestSlices;
    std::int32_t mostSlices;
};

std::ostream& operator<<(std::ostream& out, const FormatCase& c) {
    return out << c.name;
}

// One second of a half-scale 1000 Hz sine as integer or float PCM.
std::vector<std::uint8_t> PlainSine(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                    std::uint16_t bits) {
    WavSpec spec;
    spec.formatTag = tag;
    spec.channels = channels;
    spec.sampleRate = rate;
    spec.bitsPerSample = bits;
    return BuildWav(spec, EncodeSamples(spec, Sine(kTone, 0.5, rate, rate, channels)));
}

std::vector<std::uint8_t> ExtensibleSine(std::uint16_t channels, std::uint32_t rate,
                                         std::uint16_t bits, std::uint16_t validBits,
                                         std::uint16_t subTag) {
    WavSpec spec;
    spec.formatTag = subTag;
    spec.channels = channels;
    spec.sampleRate = rate;
    spec.bitsPerSample = bits;
    FormatChunk fmt;
    fmt.formatTag = kWaveFormatExtensible;
    fmt.channels = channels;
    fmt.sampleRate = rate;
    fmt.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    fmt.avgBytesPerSec = rate * fmt.blockAlign;
    fmt.bitsPerSample = bits;
    fmt.extra = ExtensibleExtra(validBits, subTag);
    return BuildWavFile(fmt, EncodeSamples(spec, Sine(kTone, 0.5, rate, rate, channels)));
}

// One second through a libavcodec encoder, described as a WAV writer would.
std::vector<std::uint8_t> EncodedSine(const char* encoder, std::uint16_t tag,
                                      std::uint16_t channels, std::uint32_t rate, int blockSize = 0,
                                      std::int64_t bitRate = 0) {
    const EncodedAudio encoded =
        Encode(encoder, channels, static_cast<int>(rate),
               ToInt16(Sine(kTone, 0.5, rate, rate, channels)), blockSize, bitRate);
    FormatChunk fmt;
    fmt.formatTag = tag;
    fmt.channels = channels;
    fmt.sampleRate = rate;
    if (tag == kWaveFormatAlaw || tag == kWaveFormatMulaw) {
        fmt.blockAlign = channels;
        fmt.avgBytesPerSec = rate * channels;
        fmt.bitsPerSample = 8;
        fmt.extra = {0, 0};
    } else if (tag == kWaveFormatMpegLayer3) {
        fmt.blockAlign = 1;
        fmt.avgBytesPerSec = static_cast<std::uint32_t>(bitRate / 8);
        fmt.bitsPerSample = 0;
        fmt.extra = {12, 0, 1, 0, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    } else {
        fmt.blockAlign = encoded.blockAlign;
        fmt.avgBytesPerSec = static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) *
                                                        encoded.blockAlign / encoded.frameSize);
        fmt.bitsPerSample = tag == kWaveFormatGsm610 ? 0 : 4;
        fmt.extra = {2, 0, static_cast<std::uint8_t>(encoded.frameSize),
                     static_cast<std::uint8_t>(encoded.frameSize >> 8)};
    }
    return BuildWavFile(fmt, encoded.bytes);
}

class AcceptedFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(AcceptedFormatTest, OneSecondOf1000HzKeepsItsLengthAndLoudness) {
    TempDir dir;
    const std::string path = dir.File("tone.wav");
    WriteBytes(path, GetParam().build());
    Opener opener;
    const OpenResult result = opener.Open(path);
    ASSERT_TRUE(result.Ok()) << result.Message;
    EXPECT_TRUE(opener.converted);
    const SampleBuffer& buffer = opener.file.Buffer;
    EXPECT_EQ(buffer.SampleWidth, 2);
    EXPECT_EQ(buffer.ChannelStride, 1);
    EXPECT_GE(buffer.SliceCount, GetParam().fewestSlices);
    EXPECT_LE(buffer.SliceCount, GetParam().mostSlices);
    EXPECT_LE(opener.file.DataSize, opener.file.ConvertedBufferSize);

    const std::vector<std::int16_t> samples = Samples16(buffer);
    ASSERT_GE(samples.size(), kWindowStart + kWindowLength);
    const double tone = ToneAmplitude(samples, kTone, kWindowStart, kWindowLength);
    EXPECT_NEAR(tone / kHalfScale, 1.0, GetParam().tolerance);
    // Most of the energy is the tone itself, not noise or another frequency.
    EXPECT_GT(tone / std::sqrt(2.0) / Rms(samples, kWindowStart, kWindowLength),
              1.0 - 2 * GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    EveryConverter, AcceptedFormatTest,
    ::testing::Values(
        FormatCase{"Stereo16Bit44100", [] { return PlainSine(1, 2, 44100, 16); }, 0.01, 21, 21},
        FormatCase{"Stereo24Bit48000", [] { return PlainSine(1, 2, 48000, 24); }, 0.02, 21, 21},
        FormatCase{"Mono8Bit22050", [] { return PlainSine(1, 1, 22050, 8); }, 0.03, 21, 21},
        FormatCase{"Mono32Bit96000", [] { return PlainSine(1, 1, 96000, 32); }, 0.02, 21, 21},
        FormatCase{"EightChannels16Bit192000", [] { return PlainSine(1, 8, 192000, 16); }, 0.02, 21,
                   21},
        FormatCase{"StereoFloat48000", [] { return PlainSine(3, 2, 48000, 32); }, 0.02, 21, 21},
        FormatCase{"MonoDouble88200", [] { return PlainSine(3, 1, 88200, 64); }, 0.02, 21, 21},
        FormatCase{"Extensible24In32Stereo48000",
                   [] { return ExtensibleSine(2, 48000, 32, 24, kWaveFormatPcm); }, 0.02, 21, 21},
        FormatCase{"Extensible24Bit6Channels96000",
                   [] { return ExtensibleSine(6, 96000, 24, 24, kWaveFormatPcm); }, 0.02, 21, 21},
        FormatCase{"ExtensibleFloatStereo44100",
                   [] { return ExtensibleSine(2, 44100, 32, 32, kWaveFormatIeeeFloat); }, 0.02, 21,
                   21},
        FormatCase{"AlawMono8000", [] { return EncodedSine("pcm_alaw", 6, 1, 8000); }, 0.03, 21,
                   21},
        FormatCase{"MulawStereo16000", [] { return EncodedSine("pcm_mulaw", 7, 2, 16000); }, 0.03,
                   21, 21},
        FormatCase{"MsAdpcmMono22050", [] { return EncodedSine("adpcm_ms", 2, 1, 22050, 512); },
                   0.10, 21, 22},
        FormatCase{"ImaAdpcmStereo44100",
                   [] { return EncodedSine("adpcm_ima_wav", 0x11, 2, 44100, 2048); }, 0.10, 21, 22},
        FormatCase{"Gsm610Mono8000", [] { return EncodedSine("libgsm_ms", 0x31, 1, 8000); }, 0.25,
                   21, 21},
        FormatCase{"MpegLayer3Stereo44100",
                   [] { return EncodedSine("libmp3lame", 0x55, 2, 44100, 0, 320000); }, 0.05, 21,
                   23}),
    [](const ::testing::TestParamInfo<FormatCase>& param) { return param.param.name; });

TEST(ConversionTest, LowBitRateMp3KeepsTheEndOfTheRecording) {
    // At a low byte rate the bits per sample round up, so the size rule
    // alone leaves room for less than the frames decode to. The same second
    // at a high bit rate, where the rule suffices, has as many frames.
    struct Case {
        std::uint32_t rate;
        std::int64_t lowBitRate;
        std::int64_t highBitRate;
    };
    for (const Case c : {Case{44100, 32000, 128000}, Case{48000, 32000, 128000}}) {
        SCOPED_TRACE(c.rate);
        TempDir dir;
        Opener low;
        WriteBytes(dir.File("low.wav"),
                   EncodedSine("libmp3lame", kWaveFormatMpegLayer3, 1, c.rate, 0, c.lowBitRate));
        ASSERT_TRUE(low.Open(dir.File("low.wav")).Ok());
        Opener high;
        const std::vector<std::uint8_t> highFile =
            EncodedSine("libmp3lame", kWaveFormatMpegLayer3, 1, c.rate, 0, c.highBitRate);
        WriteBytes(dir.File("high.wav"), highFile);
        ASSERT_TRUE(high.Open(dir.File("high.wav")).Ok());
        // Where the rule suffices, it alone sizes the block. The header
        // before the data: RIFF, WAVE, a 30-byte format chunk, the data tag.
        const auto highAvgBytes = static_cast<std::uint32_t>(c.highBitRate / 8);
        const WaveFormat highFormat{kWaveFormatMpegLayer3,
                                    1,
                                    c.rate,
                                    highAvgBytes,
                                    1,
                                    DeriveBitsPerSample(1, c.rate, highAvgBytes, 1),
                                    0};
        EXPECT_EQ(
            high.file.ConvertedBufferSize,
            ConversionBufferSize(highFormat, static_cast<std::uint32_t>(highFile.size() - 58)));

        EXPECT_NEAR(static_cast<double>(low.file.DataSize), static_cast<double>(high.file.DataSize),
                    8.0);
        EXPECT_LE(low.file.DataSize, low.file.ConvertedBufferSize);
        // The tone is still there at the end of the second that went in.
        const std::vector<std::int16_t> samples = Samples16(low.file.Buffer);
        ASSERT_GE(samples.size(), 44100u);
        EXPECT_NEAR(ToneAmplitude(samples, kTone, 44100 - 4410, 4410) / kHalfScale, 1.0, 0.1);
    }
}

TEST(ConversionTest, EveryListedRateConvertsToTheAnalysisRate) {
    for (const std::uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 48000u,
                                     88200u, 96000u, 176400u, 192000u}) {
        TempDir dir;
        const std::string path = dir.File("rate.wav");
        WriteBytes(path, PlainSine(1, 1, rate, 16));
        Opener opener;
        ASSERT_TRUE(opener.Open(path).Ok()) << rate;
        // One second is 44100 samples, give or take the resampler's edges.
        EXPECT_NEAR(static_cast<double>(opener.file.DataSize) / 2, 44100.0, 4.0) << rate;
        EXPECT_EQ(opener.file.Buffer.SliceCount, 21) << rate;
    }
}

TEST(ConversionTest, BufferIsSizedFromSourceSamplesWithMargin) {
    // Mono 16-bit at half the analysis rate: twice the samples, 2.66 times
    // the source bytes.
    const WaveFormat halfRate{1, 1, 22050, 44100, 2, 16, 0};
    EXPECT_EQ(ConversionBufferSize(halfRate, 1000), 2660u);
    // Stereo counts the samples of both channels.
    const WaveFormat stereo{1, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(ConversionBufferSize(stereo, 4000), 5320u);
    // 5 samples at 88200 Hz give 2.5 output samples: halves go to even.
    const WaveFormat doubleRate{1, 1, 88200, 176400, 2, 16, 0};
    EXPECT_EQ(ConversionBufferSize(doubleRate, 10), 5u);
    EXPECT_EQ(ConversionBufferSize(WaveFormat{1, 1, 44100, 0, 0, 0, 0}, 1000), 0u);
}

TEST(ConversionTest, HalfRateMonoDoublesTheSamplesInABuffer266PercentOfTheSource) {
    TempDir dir;
    const std::string path = dir.File("half.wav");
    WriteBytes(path, PlainSine(1, 1, 22050, 16));
    Opener opener;
    ASSERT_TRUE(opener.Open(path).Ok());
    EXPECT_EQ(opener.file.ConvertedBufferSize, 117306u); // Round(44100 * 2 * 1.33)
    EXPECT_NEAR(static_cast<double>(opener.file.DataSize), 88200.0, 8.0);
}

TEST(ConversionTest, ChannelsAreAveragedSoNothingClips) {
    TempDir dir;
    Opener opener;
    // Left a 0.8 sine, right silent: half of it remains.
    std::vector<double> values = Sine(kTone, 0.8, 44100, 44100, 2);
    for (std::size_t i = 1; i < values.size(); i += 2)
        values[i] = 0.0;
    WavSpec spec;
    spec.channels = 2;
    WriteBytes(dir.File("left.wav"), BuildWav(spec, EncodeSamples(spec, values)));
    ASSERT_TRUE(opener.Open(dir.File("left.wav")).Ok());
    EXPECT_NEAR(ToneAmplitude(Samples16(opener.file.Buffer), kTone, kWindowStart, kWindowLength),
                0.4 * 32767, 0.4 * 32767 * 0.01);

    // Full scale on both channels stays a clean full-scale sine.
    spec.sampleRate = 48000;
    WriteBytes(dir.File("full.wav"),
               BuildWav(spec, EncodeSamples(spec, Sine(kTone, 1.0, 48000, 48000, 2))));
    ASSERT_TRUE(opener.Open(dir.File("full.wav")).Ok());
    const std::vector<std::int16_t> samples = Samples16(opener.file.Buffer);
    const double tone = ToneAmplitude(samples, kTone, kWindowStart, kWindowLength);
    EXPECT_NEAR(tone, 32767.0, 32767.0 * 0.01);
    const double rms = Rms(samples, kWindowStart, kWindowLength);
    const double residual = std::sqrt(std::max(0.0, rms * rms - tone * tone / 2));
    EXPECT_LT(residual, 0.01 * tone);
}

TEST(ConversionTest, HeaderBitsAreIgnoredInFavourOfTheDerivedOnes) {
    // 16-bit stereo data whose header claims 24 bits per sample.
    std::vector<std::uint8_t> bytes = PlainSine(1, 2, 48000, 16);
    bytes[34] = 24;
    TempDir dir;
    WriteBytes(dir.File("claims24.wav"), bytes);
    Opener opener;
    ASSERT_TRUE(opener.Open(dir.File("claims24.wav")).Ok());
    EXPECT_NEAR(ToneAmplitude(Samples16(opener.file.Buffer), kTone, kWindowStart, kWindowLength) /
                    kHalfScale,
                1.0, 0.01);

    // A block align too small for the byte rate: derived as 12 bits, which
    // no converter lists.
    bytes = PlainSine(1, 2, 48000, 16);
    bytes[32] = 3;
    WriteBytes(dir.File("align3.wav"), bytes);
    EXPECT_EQ(opener.Open(dir.File("align3.wav")).Message, kNoConverterMessage);
}

TEST(ConversionTest, DerivedBitsTakeTheSmallerOfBlockAlignAndByteRate) {
    // The byte rate's side rounds halves to even: 2.5 and 3.5 bits.
    EXPECT_EQ(DeriveBitsPerSample(2, 8000, 5000, 100), 2);
    EXPECT_EQ(DeriveBitsPerSample(2, 8000, 7000, 100), 4);
    // The block align's side: 3 bytes of stereo hold 12 bits a sample.
    EXPECT_EQ(DeriveBitsPerSample(2, 48000, 192000, 3), 12);
    // Both sides are 16-bit numbers: 8193 bytes of mono are 65544 bits,
    // which wrap to 8.
    EXPECT_EQ(DeriveBitsPerSample(1, 44100, 88200, 8193), 8);
}

TEST(ConversionTest, FormatsWithoutAConverterGiveTheFixedMessage) {
    TempDir dir;
    Opener opener;
    const std::vector<std::vector<std::uint8_t>> files = {
        PlainSine(1, 1, 7000, 16),                                 // rate not listed
        PlainSine(1, 9, 44100, 16),                                // too many channels
        PlainSine(0x50, 1, 44100, 16), PlainSine(3, 1, 44100, 16), // 16-bit float does not exist
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        WriteBytes(dir.File("x.wav"), files[i]);
        opener.converted = false;
        const OpenResult result = opener.Open(dir.File("x.wav"));
        EXPECT_EQ(result.Message, "Unable to convert WAV file to required format") << i;
        EXPECT_FALSE(opener.converted) << "busy cursor shown without a converter, file " << i;
    }
}

TEST(ConversionTest, ExtensibleFileWithAnUnknownSubFormatCannotOpenAStream) {
    TempDir dir;
    Opener opener;
    // Sub-format tag 2 (ADPCM) is not read through the extensible format.
    WriteBytes(dir.File("adpcm.wav"), ExtensibleSine(2, 48000, 16, 16, kWaveFormatMsAdpcm));
    EXPECT_EQ(opener.Open(dir.File("adpcm.wav")).Message, kStreamOpenMessage);
    // No sub-format at all: the format chunk has only 16 bytes.
    WriteBytes(dir.File("short.wav"), PlainSine(kWaveFormatExtensible, 2, 48000, 16));
    EXPECT_EQ(opener.Open(dir.File("short.wav")).Message, kStreamOpenMessage);
}

TEST(ConversionTest, CompressedFilesCutShortOrCorruptedGiveAMessageOrTheBlocksPresent) {
    TempDir dir;
    Opener opener;
    // Header of 48 bytes (format chunk of 20), then blocks of 512 bytes
    // holding 1012 samples each.
    const std::size_t dataStart = 48;
    std::vector<std::uint8_t> bytes = EncodedSine("adpcm_ms", 2, 1, 22050, 512);
    // Cut in the middle of a block: the whole blocks before it convert, at
    // twice the rate.
    bytes.resize(dataStart + 512 * 10 + 100);
    WriteBytes(dir.File("cut.wav"), bytes);
    ASSERT_TRUE(opener.Open(dir.File("cut.wav")).Ok());
    EXPECT_GE(opener.file.DataSize, 10u * 1012 * 2 * 2 - 200);

    // Every block with an impossible predictor index.
    bytes = EncodedSine("adpcm_ms", 2, 1, 22050, 512);
    for (std::size_t at = dataStart; at < bytes.size(); at += 512)
        bytes[at] = 9;
    WriteBytes(dir.File("bad.wav"), bytes);
    EXPECT_EQ(opener.Open(dir.File("bad.wav")).Message, kConversionFailedMessage);
}

TEST(ConversionTest, StreamNeverWritesPastItsDestination) {
    const WaveFormat source{1, 2, 44100, 176400, 4, 16, 0};
    auto stream = ConversionStream::Open(source, AnalysisFormat(), {});
    ASSERT_NE(stream, nullptr);
    WavSpec spec;
    spec.channels = 2;
    const std::vector<std::uint8_t> data = EncodeSamples(spec, Sine(kTone, 0.5, 10000, 44100, 2));
    std::vector<std::uint8_t> destination(1000 + 16, 0xEE);
    ConversionHeader header;
    header.Source = data;
    header.Destination = std::span<std::uint8_t>(destination).first(1001);
    ASSERT_TRUE(stream->Convert(header));
    EXPECT_EQ(header.DestinationUsed, 1000u);
    for (std::size_t i = 1001; i < destination.size(); ++i)
        EXPECT_EQ(destination[i], 0xEE);
}

} // namespace
} // namespace trx::test
