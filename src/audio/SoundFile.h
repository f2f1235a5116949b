#pragma once

#include "audio/MappedFile.h"
#include "audio/SampleBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace trx {

// The one open WAV file: its read-only mapping, where its samples are, and
// the converted block when it had to be converted. Safe to close in any
// state (CloseDataFile).
class SoundFile {
public:
    // The whole file, read-only; in-place samples point into it.
    MappedFile MappedView;
    // Byte offset of the first sample byte from the start of the file.
    std::uint64_t DataOffset = 0;
    // Sample bytes: the data chunk's size clamped to the bytes present, or
    // after a conversion the bytes the conversion produced.
    std::uint32_t DataSize = 0;
    // The converted samples (16-bit mono 44100 Hz); empty when the file is
    // used in place.
    std::unique_ptr<std::uint8_t[]> ConvertedBuffer;
    std::size_t ConvertedBufferSize = 0;
    // What the analysis reads.
    SampleBuffer Buffer;

    [[nodiscard]] bool IsOpen() const { return MappedView.IsOpen(); }
};

} // namespace trx
