#pragma once

#include "analysis/NoteKernels.h"
#include "common/Constants.h"

#include <cstdint>
#include <span>

namespace trx {

// Folds the slice's samples at each present bin's period into 20 phase bins
// and clears a weaker neighbour whose swing-weighted strength is below
// NeighbourThreshold percent of the stronger bin's. window: the slice's
// samples as GetSliceSamples gives them; row: the working row of 107
// magnitudes, changed in place (bins below FirstNoteBin and bin 106 never).
void PerformPhaseBinning(std::span<const float, kSliceLength> window,
                         std::span<float, kNoteBins> row, const NoteKernels& kernels,
                         std::int32_t neighbourThreshold);

} // namespace trx
