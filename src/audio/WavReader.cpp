#include "audio/WavReader.h"

#include "audio/LittleEndian.h"
#include "audio/MappingFault.h"
#include "audio/OpenMessages.h"
#include "audio/WaveConversion.h"
#include "audio/WaveFormat.h"
#include "common/Constants.h"
#include "common/Errors.h"
#include "common/FileKind.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

namespace trx {

namespace {

// File offsets of the header fields.
constexpr std::uint64_t kWaveTagOffset = 8;
constexpr std::uint64_t kFmtTagOffset = 12;
constexpr std::uint64_t kFmtSizeOffset = 16;
constexpr std::uint64_t kFormatOffset = 20;
// Where the format chunk's bytes beyond the plain record begin.
constexpr std::uint64_t kFormatExtraOffset = 36;
// The data search starts at fmt chunk size div 8 plus this; past its first
// position it stops this many bytes before the end of the file.
constexpr std::uint64_t kSearchStart = 34;
constexpr std::uint64_t kSearchTail = 37;

bool HasTag(std::span<const std::uint8_t> bytes, std::uint64_t offset, const char (&tag)[5]) {
    return offset + 4 <= bytes.size() && std::memcmp(bytes.data() + offset, tag, 4) == 0;
}

OpenResult Failure(const char* message) {
    return OpenResult{OpenResult::Status::Failed, message, 0};
}

OpenResult SystemFailure(int error) {
    return OpenResult{OpenResult::Status::SystemError, std::strerror(error), error};
}

// The position of the data chunk's tag. The first position is tested
// whenever its four bytes are in the file; later ones only up to and
// including file size - 37.
std::optional<std::uint64_t> FindDataChunk(std::span<const std::uint8_t> bytes,
                                           std::uint32_t fmtChunkSize) {
    const std::uint64_t size = bytes.size();
    const std::uint64_t first = fmtChunkSize / 8u + kSearchStart;
    if (HasTag(bytes, first, "data"))
        return first;
    if (size < kSearchTail || first + 1 > size - kSearchTail)
        return std::nullopt;
    const std::uint64_t last = size - kSearchTail;
    const std::string_view window(reinterpret_cast<const char*>(bytes.data() + first + 1),
                                  static_cast<std::size_t>(last - first + 3));
    const std::size_t found = window.find("data");
    if (found == std::string_view::npos)
        return std::nullopt;
    return first + 1 + found;
}

} // namespace

OpenResult ReadSoundFile(const std::string& path, SoundFile& file, CodecList& codecs,
                         OpenObserver& observer) {
    if (file.IsOpen()) {
        int ignored = 0;
        (void)CloseDataFile(file, ignored);
    }
    (void)MappedFile::SizeOfFile(path);
    const std::string name = std::filesystem::path(path).filename().string();
    observer.FileSizeKnown(name);

    if (const int error = file.MappedView.Open(path); error != 0)
        return SystemFailure(error);
    if (const int error = file.MappedView.Map(); error != 0) {
        const char* kind = NonRegularFileKind(file.MappedView.Mode());
        if (kind != nullptr && (error == EISDIR || error == ENODEV))
            return OpenResult{OpenResult::Status::Failed, name + " is " + kind + ", not a WAV file",
                              0};
        return SystemFailure(error);
    }
    const std::span<const std::uint8_t> bytes = file.MappedView.Bytes();

    // Everything the open needs from the header, read in one guarded pass:
    // the file may be shortened under the mapping by another program.
    const char* headerFailure = nullptr;
    std::uint32_t fmtChunkSize = 0;
    WaveFormat format;
    std::optional<std::uint64_t> data;
    std::uint32_t declaredSize = 0;
    // The converters read no more of the format chunk's extra bytes than the
    // sub-format identifier of an extensible format.
    std::array<std::uint8_t, 64> extra{};
    std::size_t extraSize = 0;
    const bool readable = ReadMapping([&] {
        if (!HasTag(bytes, 0, "RIFF"))
            headerFailure = kNoRiffHeaderMessage;
        else if (!HasTag(bytes, kWaveTagOffset, "WAVE"))
            headerFailure = kNoWaveHeaderMessage;
        else if (!HasTag(bytes, kFmtTagOffset, "fmt "))
            headerFailure = kNoFormatHeaderMessage;
        if (headerFailure != nullptr)
            return;
        // Offsets 20..33; the header's own bits per sample are not trusted.
        fmtChunkSize = ReadU32(bytes, kFmtSizeOffset);
        format = DecodeWaveFormat(bytes.subspan(
            static_cast<std::size_t>(std::min<std::uint64_t>(kFormatOffset, bytes.size()))));
        // The format chunk's bytes past the plain record, as far as both the
        // chunk and the file reach.
        const std::uint64_t chunkEnd =
            std::min<std::uint64_t>(kFormatOffset + fmtChunkSize, bytes.size());
        if (chunkEnd > kFormatExtraOffset) {
            extraSize = static_cast<std::size_t>(
                std::min<std::uint64_t>(chunkEnd - kFormatExtraOffset, extra.size()));
            std::memcpy(extra.data(), bytes.data() + kFormatExtraOffset, extraSize);
        }
        data = FindDataChunk(bytes, fmtChunkSize);
        if (data)
            declaredSize = ReadU32(bytes, *data + 4);
    });
    if (!readable)
        throw TremolundrixError(kMappingFaultMessage, path);
    if (headerFailure != nullptr)
        return Failure(headerFailure);

    format.ExtraSize = 0;
    if (format.Channels == 0 || format.SamplesPerSec == 0)
        throw TremolundrixError(kZeroChannelsOrRateMessage, path);
    format.BitsPerSample = DeriveBitsPerSample(format.Channels, format.SamplesPerSec,
                                               format.AvgBytesPerSec, format.BlockAlign);
    const auto sampleWidth = static_cast<std::uint16_t>(format.BlockAlign / format.Channels);

    if (!data)
        return Failure(kNoDataBlockMessage);
    file.DataOffset = *data + 8;
    const std::uint64_t present =
        file.DataOffset < bytes.size() ? bytes.size() - file.DataOffset : 0;
    file.DataSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(declaredSize, present));

    // Mono 44100 Hz PCM the analysis can read as it is (1, 2 or 4 bytes per
    // sample) stays in the mapped file; everything else, 24-bit samples
    // included, is converted. Such a file without a sample width has no
    // slices to count.
    const bool analysisLayout =
        format.FormatTag == kWaveFormatPcm && format.SamplesPerSec == 44100 && format.Channels == 1;
    if (analysisLayout && sampleWidth == 0)
        throw TremolundrixError(kZeroBlockAlignMessage, path);
    const bool inPlace =
        analysisLayout && (sampleWidth == 1 || sampleWidth == 2 || sampleWidth == 4);
    if (inPlace) {
        file.Buffer.Samples = bytes.data() + std::min<std::uint64_t>(file.DataOffset, bytes.size());
        file.Buffer.ByteCount = file.DataSize;
        file.Buffer.SampleWidth = sampleWidth;
        file.Buffer.ChannelStride = format.Channels;
    } else {
        if (auto message = ConvertToAnalysisFormat(file, format, std::span(extra).first(extraSize),
                                                   codecs, observer))
            return OpenResult{OpenResult::Status::Failed, std::move(*message), 0};
    }

    const std::uint64_t sliceBytes = static_cast<std::uint64_t>(file.Buffer.SampleWidth) *
                                     kSliceLength * file.Buffer.ChannelStride;
    file.Buffer.SliceCount = static_cast<std::int32_t>(file.DataSize / sliceBytes);
    return OpenResult{};
}

bool CloseDataFile(SoundFile& file, int& systemError) {
    systemError = file.MappedView.Close();
    file.ConvertedBuffer.reset();
    file.ConvertedBufferSize = 0;
    file.DataOffset = 0;
    file.DataSize = 0;
    file.Buffer = SampleBuffer{};
    return systemError == 0;
}

} // namespace trx
