#include "audio/WaveConversion.h"

#include "audio/OpenMessages.h"
#include "audio/ffmpeg/ConversionStream.h"
#include "common/Constants.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace trx {

namespace {

// The block's length and the bytes produced must fit the 32-bit DataSize.
constexpr std::uint64_t kLargestBuffer = std::numeric_limits<std::uint32_t>::max();

} // namespace

std::uint64_t ConversionBufferSize(const WaveFormat& source, std::uint32_t dataSize) {
    if (source.BitsPerSample == 0 || source.SamplesPerSec == 0)
        return 0;
    const std::uint64_t sourceSamples =
        static_cast<std::uint64_t>(dataSize) * 8u / source.BitsPerSample;
    const long double outputSamples =
        std::llrint(static_cast<long double>(kSampleRate) / source.SamplesPerSec *
                    static_cast<long double>(sourceSamples));
    const long double outputBytes = outputSamples * 2.0L;
    return static_cast<std::uint64_t>(std::llrint(outputBytes * 1.33L));
}

std::optional<std::string> ConvertToAnalysisFormat(SoundFile& file, const WaveFormat& source,
                                                   std::span<const std::uint8_t> formatExtra,
                                                   CodecList& codecs, OpenObserver& observer) {
    const WaveFormat target = AnalysisFormat();
    if (codecs.FindConversionDriver(source, target) == 0)
        return kNoConverterMessage;
    observer.ConversionStarted();

    const std::unique_ptr<ConversionStream> stream =
        ConversionStream::Open(source, target, formatExtra);
    if (!stream)
        return kStreamOpenMessage;

    const std::span<const std::uint8_t> bytes = file.MappedView.Bytes();
    const auto offset =
        static_cast<std::size_t>(std::min<std::uint64_t>(file.DataOffset, bytes.size()));
    const std::span<const std::uint8_t> data =
        bytes.subspan(offset, std::min<std::size_t>(file.DataSize, bytes.size() - offset));

    // The size rule counts samples from the bits per sample, which a
    // low-rate bit stream rounds up (a 32 kbit/s mono MP3 at 44100 Hz holds
    // 0.73 bits per sample, counted as 1): such a block is made as large as
    // the stream's frames decode to, so the end of the recording is kept.
    const std::uint64_t size =
        std::max(ConversionBufferSize(source, file.DataSize), stream->CountOutputBytes(data));
    if (size > kLargestBuffer)
        return kBufferAllocationMessage;
    try {
        file.ConvertedBuffer =
            std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return kBufferAllocationMessage;
    }
    file.ConvertedBufferSize = static_cast<std::size_t>(size);

    ConversionHeader header;
    header.Source = data;
    header.Destination = {file.ConvertedBuffer.get(), file.ConvertedBufferSize};
    if (!stream->Convert(header))
        return kConversionFailedMessage;

    file.DataSize = static_cast<std::uint32_t>(header.DestinationUsed);
    file.Buffer.Samples = file.ConvertedBuffer.get();
    file.Buffer.ByteCount = file.DataSize;
    file.Buffer.SampleWidth = 2;
    file.Buffer.ChannelStride = 1;
    return std::nullopt;
}

} // namespace trx
