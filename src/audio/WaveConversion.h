#pragma once

#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "audio/SoundFile.h"
#include "audio/WaveFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace trx {

// Bytes of the block that receives dataSize source bytes converted to the
// analysis format: source samples (all channels) = dataSize * 8 div bits,
// output samples = Round(44100 / rate * source samples), twice that in
// bytes, times 1.33 for margin; halves to even. 0 for a format without bits
// or rate.
[[nodiscard]] std::uint64_t ConversionBufferSize(const WaveFormat& source, std::uint32_t dataSize);

// Converts the open file's data (DataOffset, DataSize) to 16-bit mono 44100 Hz
// samples in a newly allocated ConvertedBuffer and points file.Buffer at
// them; DataSize becomes the bytes produced. The block has
// ConversionBufferSize bytes, or more where a bit stream's frames decode to
// more. Returns the fixed message of a failure, nothing on success.
// formatExtra: the format chunk's bytes from file offset 36 on. A buffer left
// behind by a failure is released by CloseDataFile. Throws TremolundrixError
// (kMappingFaultMessage) when the mapped file loses its data meanwhile.
[[nodiscard]] std::optional<std::string>
ConvertToAnalysisFormat(SoundFile& file, const WaveFormat& source,
                        std::span<const std::uint8_t> formatExtra, CodecList& codecs,
                        OpenObserver& observer);

} // namespace trx
