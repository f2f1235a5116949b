#include "engine/NetworkModel.h"

#include "common/Errors.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace trx {
namespace {

constexpr std::uint32_t kVersion = 1;
constexpr char kMagic[4] = {'T', 'R', 'X', 'W'};
// No layer of a small network is wider than this; larger counts mean a
// damaged file, not a big model.
constexpr std::uint32_t kMaximumCount = 1u << 20;
constexpr std::int32_t kMaximumKey = 1024;
// Frames a layer may read on either side of the one it computes.
constexpr std::int64_t kMaximumReach = 4096;

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Little-endian fields of the file, each read checked against its end.
class Reader {
public:
    Reader(const std::vector<unsigned char>& bytes, std::size_t end, const std::string& path)
        : bytes_(bytes)
        , end_(end)
        , path_(path) {}

    std::uint32_t U32() {
        Need(4);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | bytes_[pos_ + static_cast<std::size_t>(i)];
        pos_ += 4;
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    // A key number or a shift in semitones, far inside what sums of them
    // can hold.
    std::int32_t Key() {
        const std::int32_t v = I32();
        if (v < -kMaximumKey || v > kMaximumKey)
            Fail("a key of " + std::to_string(v) + " is out of range");
        return v;
    }
    std::int32_t Count(std::uint32_t minimum = 1) {
        const std::uint32_t v = U32();
        if (v < minimum || v > kMaximumCount)
            Fail("a size of " + std::to_string(v) + " is out of range");
        return static_cast<std::int32_t>(v);
    }
    float F32() {
        const std::uint32_t v = U32();
        float f = 0.0f;
        std::memcpy(&f, &v, sizeof f);
        return f;
    }
    std::vector<float> Floats(std::size_t count) {
        if (count > (end_ - pos_) / 4)
            Fail("it ends early");
        std::vector<float> out(count);
        for (float& f : out)
            f = F32();
        return out;
    }
    [[nodiscard]] bool AtEnd() const { return pos_ == end_; }
    [[noreturn]] void Fail(const std::string& why) const {
        throw TremolundrixError("The network weights file " + path_ +
                                    " is damaged or of another "
                                    "version: " +
                                    why,
                                path_);
    }

private:
    void Need(std::size_t n) const {
        if (end_ - pos_ < n)
            Fail("it ends early");
    }

    const std::vector<unsigned char>& bytes_;
    std::size_t pos_ = 8;
    std::size_t end_;
    const std::string& path_;
};

} // namespace

NetworkModel LoadNetworkModel(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw TremolundrixError("The network weights file " + path + " cannot be read", path);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    // Magic, version, the fields, then a CRC-32 of everything before it.
    Reader r(bytes, bytes.size() < 4 ? 0 : bytes.size() - 4, path);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), kMagic, 4) != 0)
        r.Fail("it is not a weights file");
    const auto at = [&](std::size_t offset) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | bytes[offset + static_cast<std::size_t>(i)];
        return v;
    };
    if (at(4) != kVersion)
        r.Fail("version " + std::to_string(at(4)) + ", expected " + std::to_string(kVersion));
    if (at(bytes.size() - 4) != Crc32(bytes.data(), bytes.size() - 4))
        r.Fail("the checksum does not match");

    NetworkModel m;
    m.SampleRate = r.Count();
    m.FftSize = r.Count(2);
    m.Hop = r.Count();
    m.FirstKey = r.Key();
    m.KeyCount = r.Count();
    m.SpectrumLowKey = r.Key();
    m.SpectrumBins = r.Count();
    m.FeatureScale = r.F32();
    if (m.KeyCount > kMaximumKey)
        r.Fail("a size of " + std::to_string(m.KeyCount) + " keys is out of range");
    if ((m.FftSize & (m.FftSize - 1)) != 0 || m.Hop > m.FftSize)
        r.Fail("the frame size is not a power of two above the hop");
    const std::int32_t fftBins = m.FftSize / 2 + 1;
    for (std::int32_t j = 0; j < m.SpectrumBins; ++j) {
        const std::int32_t start = r.I32();
        const std::int32_t count = r.Count(0);
        if (start < 0 || start + count > fftBins)
            r.Fail("a filter reaches beyond the spectrum");
        m.FilterStart.push_back(start);
        m.FilterWeights.push_back(r.Floats(static_cast<std::size_t>(count)));
    }
    const std::int32_t harmonics = r.Count();
    for (std::int32_t c = 0; c < harmonics; ++c)
        m.HarmonicShifts.push_back(r.Key());
    const std::int32_t layers = r.Count();
    std::int32_t channels = harmonics;
    for (std::int32_t l = 0; l < layers; ++l) {
        ConvLayer c;
        c.In = r.Count();
        c.Out = r.Count();
        c.KernelFrames = r.Count();
        c.KernelKeys = r.Count();
        c.Dilation = r.Count();
        const std::uint32_t act = r.U32();
        if (c.In != channels || c.KernelFrames % 2 == 0 || c.KernelKeys % 2 == 0 || act > 2)
            r.Fail("layer " + std::to_string(l) + " does not fit the one before it");
        if (std::int64_t{c.KernelFrames / 2} * c.Dilation > kMaximumReach)
            r.Fail("layer " + std::to_string(l) + " reaches too many frames");
        c.Act = static_cast<ConvLayer::Activation>(act);
        // Each factor is at most 2^20, so no product overflows before it
        // exceeds the file.
        std::size_t weights = 1;
        for (const std::int32_t factor : {c.Out, c.In, c.KernelFrames, c.KernelKeys}) {
            weights *= static_cast<std::size_t>(factor);
            if (weights > bytes.size())
                r.Fail("it ends early");
        }
        c.Weights = r.Floats(weights);
        c.Bias = r.Floats(static_cast<std::size_t>(c.Out));
        channels = c.Out;
        m.Layers.push_back(std::move(c));
    }
    if (channels != 2)
        r.Fail("the last layer does not give onset and note channels");
    m.OnsetThreshold = r.F32();
    m.FrameThreshold = r.F32();
    m.MinimumFrames = r.Count();
    if (!r.AtEnd())
        r.Fail("it holds more than its fields");
    return m;
}

std::string FindNetworkModelFile() {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        candidates.push_back(exe.parent_path() / kNetworkModelFileName);
        candidates.push_back(exe.parent_path() / ".." / "share" / "tremolundrix" /
                             kNetworkModelFileName);
    }
#ifdef TREMOLUNDRIX_SOURCE_MODEL
    candidates.emplace_back(TREMOLUNDRIX_SOURCE_MODEL);
#endif
    for (const fs::path& p : candidates)
        if (fs::is_regular_file(p, error))
            return p.lexically_normal().string();
    return {};
}

} // namespace trx
