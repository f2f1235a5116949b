#pragma once

// Builds small WAV files for tests: any format tag, channel count, rate and
// sample width, with optional extra chunks, written to a temporary folder.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace trx::test {

class ByteWriter {
public:
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Tag(const char (&tag)[5]) { bytes.insert(bytes.end(), tag, tag + 4); }
    void Raw(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    std::vector<std::uint8_t> bytes;
};

// Interleaved sample values in -1..1, one vector entry per sample of every
// channel, encoded as integer PCM of the given bits or as IEEE float.
struct WavSpec {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 44100;
    std::uint16_t bitsPerSample = 16;
    // Extra chunks written between "fmt " and "data" (raw bytes, tag included).
    std::vector<std::uint8_t> chunksBeforeData;
    // Written between "WAVE" and "fmt " (makes the file invalid for the reader).
    std::vector<std::uint8_t> chunksBeforeFmt;
    // Overrides the declared data size when not 0.
    std::uint32_t declaredDataSize = 0;
};

inline std::vector<std::uint8_t> EncodeSamples(const WavSpec& spec,
                                               const std::vector<double>& values) {
    ByteWriter w;
    for (double v : values) {
        if (spec.formatTag == 3 && spec.bitsPerSample == 32) {
            const float f = static_cast<float>(v);
            std::uint32_t u;
            std::memcpy(&u, &f, 4);
            w.U32(u);
        } else if (spec.formatTag == 3 && spec.bitsPerSample == 64) {
            std::uint64_t u;
            std::memcpy(&u, &v, 8);
            w.U32(static_cast<std::uint32_t>(u));
            w.U32(static_cast<std::uint32_t>(u >> 32));
        } else if (spec.bitsPerSample == 8) {
            const long q = std::lround(v * 127.0) + 128;
            w.U8(static_cast<std::uint8_t>(q < 0 ? 0 : (q > 255 ? 255 : q)));
        } else {
            const int bytes = spec.bitsPerSample / 8;
            const double full = std::ldexp(1.0, spec.bitsPerSample - 1) - 1.0;
            const long long q = std::llround(v * full);
            for (int b = 0; b < bytes; ++b)
                w.U8(static_cast<std::uint8_t>(static_cast<unsigned long long>(q) >> (8 * b)));
        }
    }
    return w.bytes;
}

inline std::vector<std::uint8_t> BuildWav(const WavSpec& spec,
                                          const std::vector<std::uint8_t>& data) {
    const std::uint16_t blockAlign =
        static_cast<std::uint16_t>(spec.channels * spec.bitsPerSample / 8);
    ByteWriter w;
    w.Tag("RIFF");
    w.U32(static_cast<std::uint32_t>(4 + spec.chunksBeforeFmt.size() + 24 +
                                     spec.chunksBeforeData.size() + 8 + data.size()));
    w.Tag("WAVE");
    w.Raw(spec.chunksBeforeFmt);
    w.Tag("fmt ");
    w.U32(16);
    w.U16(spec.formatTag);
    w.U16(spec.channels);
    w.U32(spec.sampleRate);
    w.U32(spec.sampleRate * blockAlign);
    w.U16(blockAlign);
    w.U16(spec.bitsPerSample);
    w.Raw(spec.chunksBeforeData);
    w.Tag("data");
    w.U32(spec.declaredDataSize ? spec.declaredDataSize : static_cast<std::uint32_t>(data.size()));
    w.Raw(data);
    return w.bytes;
}

// amplitude * sin(2 pi f t) for count frames, the same on every channel.
inline std::vector<double> Sine(double frequency, double amplitude, std::size_t frames,
                                std::uint32_t sampleRate = 44100, std::uint16_t channels = 1) {
    std::vector<double> values;
    values.reserve(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * frequency *
                                              static_cast<double>(i) / sampleRate);
        for (std::uint16_t c = 0; c < channels; ++c)
            values.push_back(v);
    }
    return values;
}

// A folder under /tmp removed when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "trx-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::string File(const std::string& name) const {
        return (path_ / name).string();
    }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::string WriteWav(const TempDir& dir, const std::string& name, const WavSpec& spec,
                            const std::vector<double>& values) {
    const std::string path = dir.File(name);
    WriteBytes(path, BuildWav(spec, EncodeSamples(spec, values)));
    return path;
}

} // namespace trx::test
