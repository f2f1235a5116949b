#pragma once

#include "common/ConversionSettings.h"
#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"

#include <cstdint>
#include <optional>
#include <string>

namespace trx {

// Everything a finished conversion run leaves for saving and exporting.
struct ConversionResult {
    // SliceCount rows of 107 bins each.
    FloatMatrix AmplitudeMap;
    FloatMatrix NoteMap;
    // SliceCount rows of the ten loudest filtered values.
    FloatMatrix LoudestComponents;
    float NoteMapMaximum = 0.0f;
    std::int32_t SliceCount = 0;
    std::int32_t LastAnalysedSlice = 0;
    std::int32_t FirstNoteBin = 0;
    // Wall-clock seconds of each stage, for the benchmark; opening includes
    // building the kernels for the tuning.
    double OpenSeconds = 0.0;
    double AnalyseSeconds = 0.0;
    double FilterSeconds = 0.0;
    // Empty when the run succeeded; otherwise the text the window would
    // show, e.g. "Invalid WAV file - RIFF header not found" or
    // "Invalid floating point operation occured in FilterAnalysis".
    std::string FailureText;

    [[nodiscard]] bool Succeeded() const { return FailureText.empty(); }
};

// Runs the Convert command of the window on one file without a window:
// builds the kernels for settings.TuningCents, reads the WAV file, sizes
// the maps (every cell 0), analyses every slice and filters the result;
// the filtering always follows the analysis. progress sees the status texts
// and fractions of both stages; ContinueWork returning false ends the
// analysis early, which then counts as a failure. A recording shorter than
// one slice is refused. Nothing is thrown for a failure with a known cause.
// analysisThreads: threads for the transform (0: one per hardware thread);
// the result does not depend on it.
[[nodiscard]] ConversionResult RunConversion(const std::string& wavPath,
                                             const ConversionSettings& settings,
                                             ProgressReporter& progress,
                                             std::int32_t analysisThreads = 0);

// Saves a successful run as a MIDI file, atomically, with the key
// signature keyIndex (0..29, or none). Returns empty on success, otherwise
// the failure text ("... occured in SaveMidiFile").
[[nodiscard]] std::string SaveConversionAsMidi(const ConversionResult& result,
                                               const std::string& midiPath,
                                               const ConversionSettings& settings,
                                               std::optional<std::int32_t> keyIndex);

} // namespace trx
