#pragma once

#include "analysis/NoteKernels.h"
#include "audio/SampleBuffer.h"
#include "common/ConversionSettings.h"
#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"
#include "notes/AnalyserObserver.h"

#include <cstdint>

namespace trx {

// Turns the amplitude map into the note map: sets the status text, runs the
// per-slice selection on rows 0..lastAnalysedSlice (SetProgress(b /
// lastAnalysedSlice) before each slice b with b % 10 == 9), then the five
// map passes over every row. Rows after lastAnalysedSlice keep what the note
// map held. noteMap and loudestComponents are resized (cells 0) only when
// their shape is not amplitudeMap.Rows() x 107 and x 10. analyser may be
// null; it sees every slice's raw and kept row.
// Throws TremolundrixError("Invalid floating point operation") when no cell
// is left positive; noteMapMaximum is then 0.
void FilterAnalysis(const FloatMatrix& amplitudeMap, std::int32_t lastAnalysedSlice,
                    const NoteKernels& kernels, const SampleBuffer& samples,
                    const ConversionSettings& settings, FloatMatrix& noteMap,
                    FloatMatrix& loudestComponents, float& noteMapMaximum,
                    ProgressReporter& progress, AnalyserObserver* analyser);

} // namespace trx
