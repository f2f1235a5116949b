#pragma once

#include "audio/SampleBuffer.h"
#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"
#include "engine/NetworkModel.h"

namespace trx {

// Which engine makes a recording's note map.
enum class TranscriptionEngine { Classic, Accurate };

// Transcribes the whole slices of buffer (44100 Hz mono) with the network
// into noteMap (slices x 107 bins, notes as runs of equal cells) and sets
// noteMapMaximum. Reports progress and asks to go on every 10 slices;
// false when progress said stop (the map then holds the notes found so
// far). Memory beyond the map stays a few frames whatever the length.
// Throws TremolundrixError when the model does not fit the slice grid.
[[nodiscard]] bool TranscribeAccurately(const SampleBuffer& buffer, const NetworkModel& model,
                                        FloatMatrix& noteMap, float& noteMapMaximum,
                                        ProgressReporter& progress);

// The model of FindNetworkModelFile, read once per process; throws
// TremolundrixError when there is none or it does not load.
[[nodiscard]] const NetworkModel& InstalledNetworkModel();

} // namespace trx
