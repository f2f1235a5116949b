// Feeds arbitrary bytes to the WAV reader as a file, then reads every sample
// of every slice the way the analysis does, and every byte the buffer claims.

#include "FuzzFile.h"

#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "audio/SoundFile.h"
#include "audio/WavReader.h"
#include "common/Constants.h"
#include "common/Errors.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Sums the samples of every slice as the analysis reads them, checking each
// element against the buffer's byte count first.
unsigned ReadEverySlice(const trx::SampleBuffer& buffer) {
    unsigned sum = 0;
    const std::size_t width = buffer.SampleWidth;
    for (std::int32_t slice = 0; slice < buffer.SliceCount; ++slice)
        for (std::int32_t i = 0; i < trx::kSliceLength; ++i) {
            const std::size_t element = static_cast<std::size_t>(slice) * trx::kSliceLength +
                                        static_cast<std::size_t>(i) * buffer.ChannelStride;
            const std::size_t offset = element * width;
            if (offset + width > buffer.ByteCount)
                std::abort();
            std::uint32_t value = 0;
            std::memcpy(&value, buffer.Samples + offset, width < 4 ? width : 4);
            sum += value;
        }
    for (std::size_t i = 0; i < buffer.ByteCount; ++i)
        sum += buffer.Samples[i];
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const trx::fuzz::MemoryFile input(data, size);
    trx::SoundFile file;
    trx::CodecList codecs;
    trx::OpenObserver observer;
    try {
        const trx::OpenResult result = trx::ReadSoundFile(input.Path(), file, codecs, observer);
        if (result.Ok()) {
            volatile unsigned sum = ReadEverySlice(file.Buffer);
            (void)sum;
        } else if (result.Message.empty()) {
            std::abort();
        }
    } catch (const trx::TremolundrixError&) {
        // Zero channels, rate or block align: reported, not a crash.
    }
    int error = 0;
    if (!trx::CloseDataFile(file, error))
        std::abort();
    return 0;
}
