#pragma once

#include "common/ConversionSettings.h"
#include "common/FloatMatrix.h"

#include <cstdint>

namespace trx {

// The passes over the whole note map (rows = slices, 107 bins) that follow
// the per-slice selection. Each changes the map in place in its own loop
// order, so a pass sees the cells it has already changed. Percent arguments
// are track-bar positions 0..100. firstNoteBin is at least 1.

// Clears a positive cell with two silent slices on each side, for bins
// firstNoteBin..106 and slices 2..SliceCount-4.
void RemoveSpikes(FloatMatrix& noteMap, std::int32_t firstNoteBin);

// Raises the silent slice before an onset to the value after it, for all
// bins and slices 2..SliceCount-4: a note gains at most one slice.
void FillOnsets(FloatMatrix& noteMap);

// Evens out held notes within the fluctuation band around a running mean of
// about five slices, fills a one-slice drop that the band spans, splits a
// note that swells into a new attack more than 10 slices after its onset,
// then bridges one-slice gaps before fragments of one or two slices.
void SmoothAmplitudeFluctuation(FloatMatrix& noteMap, std::int32_t firstNoteBin,
                                std::int32_t amplitudeFluctuation);

// Makes every cell of a run the largest of itself and the later cells of
// the run, so each note starts at its loudest.
void ApplyLoudStart(FloatMatrix& noteMap, std::int32_t firstNoteBin);

// Compresses cells above the mean of the positive cells so that the largest
// becomes 1.5 x the mean, sets noteMapMaximum to that, then clears cells of
// bins firstNoteBin..106 below minimumComponent percent of it.
// Throws TremolundrixError("Invalid floating point operation") when no cell
// is positive, with noteMapMaximum 0 and the map unchanged.
void ScaleNoteMap(FloatMatrix& noteMap, std::int32_t firstNoteBin, std::int32_t minimumComponent,
                  float& noteMapMaximum);

// The five passes in their order, spike removal and loud start as the
// settings say.
void RunMapPasses(FloatMatrix& noteMap, std::int32_t firstNoteBin,
                  const ConversionSettings& settings, float& noteMapMaximum);

} // namespace trx
