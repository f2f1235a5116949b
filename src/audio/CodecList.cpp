#include "audio/CodecList.h"

#include "audio/CodecTexts.h"
#include "audio/ffmpeg/AudioDecoders.h"
#include "audio/ffmpeg/ConversionStream.h"

#include <algorithm>
#include <array>
#include <initializer_list>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/version.h>
#include <libswresample/swresample.h>
}

namespace trx {

namespace {

// The rates every converter accepts, in Hz.
constexpr std::array<std::uint32_t, 13> kRates = {8000,  11025, 12000, 16000, 22050,  24000, 32000,
                                                  44100, 48000, 88200, 96000, 176400, 192000};
constexpr std::array<std::uint32_t, 9> kMpegRates = {8000,  11025, 12000, 16000, 22050,
                                                     24000, 32000, 44100, 48000};
// The usual ADPCM block sizes per channel, in bytes.
constexpr std::array<std::uint16_t, 4> kAdpcmBlockBytes = {256, 512, 1024, 2048};
// Block align of one GSM 6.10 block pair (320 samples), in bytes.
constexpr std::uint16_t kGsmBlockAlign = 65;
constexpr std::uint16_t kGsmSamplesPerBlock = 320;
// Block aligns seen in MPEG layer 3 files: 1 by the format's own rule, or a
// frame's samples.
constexpr std::array<std::uint16_t, 3> kMpegBlockAligns = {1, 576, 1152};

constexpr std::uint32_t kPcmDriverId = 1;
constexpr std::uint32_t kFloatDriverId = 2;
constexpr std::uint32_t kG711DriverId = 3;
constexpr std::uint32_t kMsAdpcmDriverId = 4;
constexpr std::uint32_t kImaAdpcmDriverId = 5;
constexpr std::uint32_t kExtensibleDriverId = 6;
constexpr std::uint32_t kGsmDriverId = 7;
constexpr std::uint32_t kMpegDriverId = 8;

// Text limits of the driver details, in characters.
constexpr std::size_t kShortNameLimit = 32;
constexpr std::size_t kLongNameLimit = 128;
constexpr std::size_t kCopyrightLimit = 80;
constexpr std::size_t kLicensingLimit = 128;
constexpr std::size_t kFeaturesLimit = 512;
constexpr std::size_t kDescriptionLimit = 128;

std::string Limited(std::string text, std::size_t limit) {
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

std::string LibraryVersion(unsigned version) {
    return std::to_string(AV_VERSION_MAJOR(version)) + "." +
           std::to_string(AV_VERSION_MINOR(version)) + "." +
           std::to_string(AV_VERSION_MICRO(version));
}

std::uint32_t PackLibraryVersion(unsigned version) {
    return PackVersion(AV_VERSION_MAJOR(version), AV_VERSION_MINOR(version),
                       AV_VERSION_MICRO(version));
}

bool CanDecode(std::uint16_t tag, std::uint16_t bits) {
    if (tag == kWaveFormatExtensible)
        return CanDecode(kWaveFormatPcm, bits) || CanDecode(kWaveFormatIeeeFloat, bits);
    const AVCodecID id = DecoderFor(tag, bits);
    return id != AV_CODEC_ID_NONE && avcodec_find_decoder(id) != nullptr;
}

std::string ChannelText(std::uint16_t channels) {
    if (channels == 1)
        return "Mono";
    if (channels == 2)
        return "Stereo";
    return std::to_string(channels) + " channels";
}

std::string Describe(const WaveFormat& format, const std::string& detail = {}) {
    std::string text = std::to_string(format.SamplesPerSec) + " Hz, " +
                       std::to_string(format.BitsPerSample) + " Bit, " +
                       ChannelText(format.Channels);
    if (!detail.empty())
        text += ", " + detail;
    return Limited(text, kDescriptionLimit);
}

WaveFormat Uncompressed(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits) {
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    return WaveFormat{tag, channels, rate, rate * blockAlign, blockAlign, bits, 0};
}

// A block-coded format as a file describes it, with the bits per sample the
// reader derives from its byte rate.
WaveFormat Blocked(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                   std::uint16_t blockAlign, std::uint32_t samplesPerBlock) {
    const auto avgBytes =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * blockAlign / samplesPerBlock);
    return WaveFormat{tag,        channels,
                      rate,       avgBytes,
                      blockAlign, DeriveBitsPerSample(channels, rate, avgBytes, blockAlign),
                      0};
}

void AddUncompressed(TCodecDriver& driver, std::uint16_t tag,
                     std::initializer_list<std::uint16_t> bitsList) {
    for (const std::uint32_t rate : kRates)
        for (const std::uint16_t bits : bitsList) {
            if (!CanDecode(tag, bits))
                continue;
            for (std::uint16_t channels = 1; channels <= ConversionStream::kMostChannels;
                 ++channels) {
                const WaveFormat format = Uncompressed(tag, channels, rate, bits);
                driver.AddFormat(Describe(format), TWaveFormatOb(format));
            }
        }
}

void AddAdpcm(TCodecDriver& driver, std::uint16_t tag, std::uint16_t maxChannels) {
    if (!CanDecode(tag, 4))
        return;
    for (const std::uint32_t rate : kRates)
        for (const std::uint16_t perChannel : kAdpcmBlockBytes)
            for (std::uint16_t channels = 1; channels <= maxChannels; ++channels) {
                const auto blockAlign = static_cast<std::uint16_t>(perChannel * channels);
                // Samples per channel in one block: a header of 7 (MS) or 4
                // (IMA) bytes per channel holds the first one (MS: two).
                const std::uint32_t samples = tag == kWaveFormatMsAdpcm
                                                  ? (perChannel - 7u) * 2u + 2u
                                                  : (perChannel - 4u) * 2u + 1u;
                const WaveFormat format = Blocked(tag, channels, rate, blockAlign, samples);
                driver.AddFormat(Describe(format, std::to_string(blockAlign) + "-byte blocks"),
                                 TWaveFormatOb(format));
            }
}

void AddGsm(TCodecDriver& driver) {
    if (!CanDecode(kWaveFormatGsm610, 0))
        return;
    for (const std::uint32_t rate : kRates) {
        const WaveFormat format =
            Blocked(kWaveFormatGsm610, 1, rate, kGsmBlockAlign, kGsmSamplesPerBlock);
        driver.AddFormat(Describe(format), TWaveFormatOb(format));
    }
}

void AddMpeg(TCodecDriver& driver) {
    if (!CanDecode(kWaveFormatMpegLayer3, 0))
        return;
    // The bits a file's byte rate gives: round(bit rate / (channels * rate)).
    for (const std::uint32_t rate : kMpegRates)
        for (std::uint16_t channels = 1; channels <= 2; ++channels)
            for (const std::uint16_t blockAlign : kMpegBlockAligns) {
                const unsigned mostBits = std::min(24u, blockAlign * 8u / channels);
                for (std::uint16_t bits = 1; bits <= mostBits; ++bits) {
                    const std::uint32_t avgBytes = bits * channels * rate / 8;
                    const WaveFormat format{
                        kWaveFormatMpegLayer3, channels, rate, avgBytes, blockAlign, bits, 0};
                    driver.AddFormat(
                        Describe(format,
                                 "about " + std::to_string(avgBytes * 8 / 1000) + " kbit/s"),
                        TWaveFormatOb(format));
                }
            }
}

struct Family {
    std::uint32_t id;
    const char* shortName;
    const char* decoders;
    const char* features;
    bool sameTag;
    void (*addFormats)(TCodecDriver&);
};

const std::array<Family, 8>& Families() {
    static const std::array<Family, 8> families = {{
        {kPcmDriverId, "PCM Converter", "integer PCM decoders",
         "Converts 8, 16, 24 and 32-bit integer PCM", true,
         [](TCodecDriver& d) {
             AddUncompressed(d, kWaveFormatPcm, {8, 16, 24, 32});
         }},
        {kFloatDriverId, "IEEE Float Converter", "floating-point PCM decoders",
         "Converts 32 and 64-bit IEEE floating-point samples", false,
         [](TCodecDriver& d) {
             AddUncompressed(d, kWaveFormatIeeeFloat, {32, 64});
         }},
        {kG711DriverId, "CCITT G.711 Converter", "A-law and mu-law decoders",
         "Converts 8-bit G.711 A-law and mu-law samples", false,
         [](TCodecDriver& d) {
             AddUncompressed(d, kWaveFormatAlaw, {8});
             AddUncompressed(d, kWaveFormatMulaw, {8});
         }},
        {kMsAdpcmDriverId, "MS ADPCM Converter", "MS ADPCM decoder",
         "Converts 4-bit MS ADPCM in blocks of 256 to 2048 bytes per channel, 1 to 6 channels",
         false, [](TCodecDriver& d) { AddAdpcm(d, kWaveFormatMsAdpcm, 6); }},
        {kImaAdpcmDriverId, "IMA ADPCM Converter", "IMA ADPCM decoder",
         "Converts 4-bit IMA ADPCM in blocks of 256 to 2048 bytes per channel, 1 or 2 channels",
         false, [](TCodecDriver& d) { AddAdpcm(d, kWaveFormatImaAdpcm, 2); }},
        {kExtensibleDriverId, "Extensible Format Converter", "PCM decoders",
         "Converts extensible-format files whose sub-format is integer PCM (8 to 32 bits), "
         "IEEE float (32 or 64 bits), A-law or mu-law",
         false,
         [](TCodecDriver& d) {
             AddUncompressed(d, kWaveFormatExtensible, {8, 16, 24, 32, 64});
         }},
        {kGsmDriverId, "GSM 6.10 Converter", "GSM 6.10 decoder",
         "Converts GSM 6.10 in 65-byte blocks, mono", false, &AddGsm},
        {kMpegDriverId, "MPEG Layer-3 Converter", "MPEG audio layer 3 decoder",
         "Converts MPEG audio layer 3, mono or stereo, 8000 to 48000 Hz", false, &AddMpeg},
    }};
    return families;
}

std::unique_ptr<TCodecDriver> MakeDriver(const Family& family) {
    auto driver = std::make_unique<TCodecDriver>();
    driver->DriverId = family.id;
    driver->SupportsDifferentTags = !family.sameTag;
    driver->SupportsSameTag = family.sameTag;
    const std::string codecVersion = LibraryVersion(avcodec_version());
    const std::string resamplerVersion = LibraryVersion(swresample_version());
    driver->ShortName = Limited(family.shortName, kShortNameLimit);
    driver->LongName = Limited(std::string(family.decoders) + " of libavcodec " + codecVersion +
                                   " with libswresample " + resamplerVersion,
                               kLongNameLimit);
    driver->Copyright = Limited("Copyright (c) the FFmpeg developers", kCopyrightLimit);
    driver->Licensing = Limited(std::string("libavcodec: ") + avcodec_license() +
                                    "; libswresample: " + swresample_license(),
                                kLicensingLimit);
    driver->Features =
        Limited(std::string(family.features) +
                    " at 8000 to 192000 Hz to 16-bit mono PCM at 44100 Hz. All channels are "
                    "averaged into one; the rate is changed by band-limited resampling.",
                kFeaturesLimit);
    driver->AcmVersion =
        PackVersion(LIBAVCODEC_VERSION_MAJOR, LIBAVCODEC_VERSION_MINOR, LIBAVCODEC_VERSION_MICRO);
    driver->DriverVersion = PackLibraryVersion(avcodec_version());
    family.addFormats(*driver);
    if (driver->Formats.empty())
        return nullptr;
    if (!family.sameTag)
        driver->AddFormat(Describe(AnalysisFormat()), TWaveFormatOb(AnalysisFormat()));
    driver->FormatTagCount = static_cast<std::uint32_t>(driver->Tags.size());
    return driver;
}

// The decoders linked into the program cannot change while it runs, so the
// drivers are described once and copied for every enumeration.
const std::vector<TCodecDriver>& DriverTemplates() {
    static const std::vector<TCodecDriver> templates = [] {
        std::vector<TCodecDriver> drivers;
        for (const Family& family : Families())
            if (auto driver = MakeDriver(family))
                drivers.push_back(std::move(*driver));
        return drivers;
    }();
    return templates;
}

} // namespace

bool CodecList::EnumerateCodecs() {
    ClearDrivers();
    versionText_ = ConverterVersionText(PackLibraryVersion(avcodec_version()));
    for (const TCodecDriver& driver : DriverTemplates())
        drivers_.push_back(std::make_unique<TCodecDriver>(driver));
    countText_ = CodecCountText(static_cast<std::uint32_t>(drivers_.size()));
    return true;
}

void CodecList::ClearDrivers() {
    drivers_.clear();
}

std::uint32_t CodecList::FindConversionDriver(const WaveFormat& source, const WaveFormat& target) {
    EnumerateCodecs();
    return MatchConversionDriver(drivers_, source, target);
}

std::uint32_t
CodecList::MatchConversionDriver(const std::vector<std::unique_ptr<TCodecDriver>>& drivers,
                                 const WaveFormat& source, const WaveFormat& target) {
    if (drivers.empty())
        return 0;
    const std::string sourceTag = std::to_string(source.FormatTag);
    const std::string targetTag = std::to_string(target.FormatTag);
    const bool sameTag = sourceTag == targetTag;
    for (const auto& driver : drivers) {
        if (!driver->HasTag(sourceTag) || !driver->HasTag(targetTag))
            continue;
        bool listsSource = false;
        bool listsTarget = false;
        for (const auto& entry : driver->Formats) {
            const WaveFormat format = entry.second.Decode();
            listsSource = listsSource || SameConversionFormat(format, source);
            listsTarget = listsTarget || SameConversionFormat(format, target);
        }
        if (!listsSource || !listsTarget)
            continue;
        if (driver->SupportsDifferentTags != !sameTag || driver->SupportsSameTag != sameTag)
            continue;
        return driver->DriverId;
    }
    return 0;
}

} // namespace trx
