#pragma once

#include "analysis/NoteKernels.h"
#include "audio/SoundFile.h"
#include "common/Constants.h"
#include "common/FloatMatrix.h"
#include "notes/TMidiNotes.h"

#include <cstdint>
#include <string>

namespace trx {

// What the main window works on: the open WAV file, the maps of its
// analysis, the note list and the note kernels of the current tuning. One
// instance, owned by the window; the stages take its members as arguments.
struct WorkingState {
    // The open file and its analysis samples (Sound.Buffer).
    SoundFile Sound;
    // SliceCount rows of 107 bins: transform magnitudes.
    FloatMatrix AmplitudeMap;
    // SliceCount rows of 107 bins: the filtered result.
    FloatMatrix NoteMap;
    // The note map value that stands for the loudest note.
    float NoteMapMaximum = 0.0f;
    // SliceCount rows of the ten largest filtered values.
    FloatMatrix LoudestComponents;
    // Rows 0..LastAnalysedSlice of the amplitude map hold this file's slices.
    std::int32_t LastAnalysedSlice = 0;
    // The file whose slices the maps hold; the maps are cleared before a
    // different file is analysed.
    std::string AnalysedFileName;
    TMidiNotes MidiNotes;
    // Built for a tuning factor of 1.0; rebuilt in place on every tuning
    // change.
    trx::NoteKernels NoteKernels;

    [[nodiscard]] std::int32_t SliceCount() const { return Sound.Buffer.SliceCount; }

    // Sizes the three maps to rows slices, every cell 0.
    void SizeMaps(std::int32_t rows) {
        AmplitudeMap.Resize(rows, kNoteBins);
        NoteMap.Resize(rows, kNoteBins);
        LoudestComponents.Resize(rows, kLoudestCount);
    }

    // Frees the three maps (no slices).
    void ReleaseMaps() {
        AmplitudeMap.Release();
        NoteMap.Release();
        LoudestComponents.Release();
    }
};

} // namespace trx
