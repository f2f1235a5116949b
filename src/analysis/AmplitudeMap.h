#pragma once

#include "analysis/AnalysisOptions.h"
#include "analysis/NoteKernels.h"
#include "audio/SampleBuffer.h"
#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"

#include <cstdint>
#include <string>

namespace trx {

// Clears the amplitude and note maps when the file to analyse is not the
// one the maps hold (exact comparison), then records it as analysed.
void PrepareMapsForAnalysis(const std::string& wavFileName, std::string& analysedFileName,
                            FloatMatrix& amplitudeMap, FloatMatrix& noteMap);

// Fills amplitudeMap rows 0..SliceCount-1 (bins FirstNoteBin..106) with the
// transform magnitudes of each slice. Sets the status text; before every
// slice s with s % 10 == 9 calls SetProgress(s / SliceCount) and
// ContinueWork(); false leaves slice s and later unanalysed: their rows keep
// their contents. lastAnalysedSlice ends at the last slice analysed (0 when
// none). Precondition: amplitudeMap has SliceCount rows of 107 cells
// (otherwise throws TremolundrixError before writing anything).
// The progress calls come from the calling thread; the transform may run on
// further threads (options), which never touch the reporter.
void AnalyseWave(const SampleBuffer& samples, const NoteKernels& kernels, FloatMatrix& amplitudeMap,
                 std::int32_t& lastAnalysedSlice, ProgressReporter& progress,
                 const AnalysisOptions& options);
void AnalyseWave(const SampleBuffer& samples, const NoteKernels& kernels, FloatMatrix& amplitudeMap,
                 std::int32_t& lastAnalysedSlice, ProgressReporter& progress);

// The threads AnalyseWave runs the transform on under options (unless the
// system refuses some).
[[nodiscard]] std::int32_t AnalysisThreads(const AnalysisOptions& options);

} // namespace trx
