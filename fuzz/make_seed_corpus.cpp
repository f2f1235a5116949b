// Writes small valid WAV files of every format the converters accept into the
// folder given on the command line: the fuzzer's starting points.

#include "AudioFixtures.h"

#include <cstdio>
#include <filesystem>

using namespace trx;
using namespace trx::test;

namespace {

void Save(const std::filesystem::path& folder, const char* name,
          const std::vector<std::uint8_t>& bytes) {
    WriteBytes((folder / name).string(), bytes);
}

std::vector<std::uint8_t> Plain(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                std::uint16_t bits, std::size_t frames) {
    WavSpec spec;
    spec.formatTag = tag;
    spec.channels = channels;
    spec.sampleRate = rate;
    spec.bitsPerSample = bits;
    return BuildWav(spec, EncodeSamples(spec, Sine(1000, 0.5, frames, rate, channels)));
}

std::vector<std::uint8_t> Coded(const char* encoder, std::uint16_t tag, std::uint16_t channels,
                                std::uint32_t rate, std::size_t frames, int blockSize,
                                std::int64_t bitRate) {
    const EncodedAudio encoded =
        Encode(encoder, channels, static_cast<int>(rate),
               ToInt16(Sine(1000, 0.5, frames, rate, channels)), blockSize, bitRate);
    FormatChunk fmt;
    fmt.formatTag = tag;
    fmt.channels = channels;
    fmt.sampleRate = rate;
    fmt.blockAlign = tag == kWaveFormatMpegLayer3 ? 1 : encoded.blockAlign;
    fmt.avgBytesPerSec = tag == kWaveFormatMpegLayer3
                             ? static_cast<std::uint32_t>(bitRate / 8)
                             : static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) *
                                                          encoded.blockAlign / encoded.frameSize);
    fmt.bitsPerSample = tag == kWaveFormatMpegLayer3 || tag == kWaveFormatGsm610 ? 0 : 4;
    fmt.extra = {2, 0, static_cast<std::uint8_t>(encoded.frameSize),
                 static_cast<std::uint8_t>(encoded.frameSize >> 8)};
    return BuildWavFile(fmt, encoded.bytes);
}

std::vector<std::uint8_t> Extensible(std::uint16_t channels, std::uint16_t bits,
                                     std::uint16_t subTag) {
    WavSpec spec;
    spec.formatTag = subTag;
    spec.channels = channels;
    spec.bitsPerSample = bits;
    spec.sampleRate = 48000;
    FormatChunk fmt;
    fmt.formatTag = kWaveFormatExtensible;
    fmt.channels = channels;
    fmt.sampleRate = 48000;
    fmt.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    fmt.avgBytesPerSec = 48000u * fmt.blockAlign;
    fmt.bitsPerSample = bits;
    fmt.extra = ExtensibleExtra(bits, subTag);
    return BuildWavFile(fmt, EncodeSamples(spec, Sine(1000, 0.5, 300, 48000, channels)));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    Save(folder, "pcm16-mono-44100.wav", Plain(1, 1, 44100, 16, 1800));
    Save(folder, "pcm8-mono-44100.wav", Plain(1, 1, 44100, 8, 3000));
    Save(folder, "pcm32-mono-44100.wav", Plain(1, 1, 44100, 32, 900));
    Save(folder, "pcm24-mono-44100.wav", Plain(1, 1, 44100, 24, 1200));
    Save(folder, "pcm16-stereo-48000.wav", Plain(1, 2, 48000, 16, 900));
    Save(folder, "pcm24-stereo-96000.wav", Plain(1, 2, 96000, 24, 600));
    Save(folder, "pcm8-8ch-8000.wav", Plain(1, 8, 8000, 8, 400));
    Save(folder, "float32-stereo-48000.wav", Plain(3, 2, 48000, 32, 450));
    Save(folder, "float64-mono-22050.wav", Plain(3, 1, 22050, 64, 450));
    Save(folder, "extensible-pcm24-stereo.wav", Extensible(2, 24, kWaveFormatPcm));
    Save(folder, "extensible-float32-stereo.wav", Extensible(2, 32, kWaveFormatIeeeFloat));
    Save(folder, "alaw-mono-8000.wav", Coded("pcm_alaw", 6, 1, 8000, 3000, 0, 0));
    Save(folder, "mulaw-stereo-8000.wav", Coded("pcm_mulaw", 7, 2, 8000, 1500, 0, 0));
    Save(folder, "msadpcm-mono-22050.wav", Coded("adpcm_ms", 2, 1, 22050, 4000, 256, 0));
    Save(folder, "msadpcm-stereo-44100.wav", Coded("adpcm_ms", 2, 2, 44100, 2000, 512, 0));
    Save(folder, "imaadpcm-mono-11025.wav", Coded("adpcm_ima_wav", 0x11, 1, 11025, 4000, 256, 0));
    Save(folder, "imaadpcm-stereo-44100.wav", Coded("adpcm_ima_wav", 0x11, 2, 44100, 2000, 512, 0));
    Save(folder, "gsm-mono-8000.wav", Coded("libgsm_ms", 0x31, 1, 8000, 6400, 0, 0));
    Save(folder, "mp3-mono-16000.wav", Coded("libmp3lame", 0x55, 1, 16000, 8000, 0, 24000));
    return 0;
}
