#pragma once

#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"

#include <cstdint>
#include <vector>

namespace trx {

// A slice in which note filtering kept exactly one strong note.
struct SingleNote {
    std::int32_t Slice = 0;
    // Note bin 0..106.
    std::int32_t Bin = 0;

    bool operator==(const SingleNote&) const = default;
};

// Appends to singleNotes, in ascending slice order, every slice of noteMap
// (rows = slices, 107 bins) with exactly one positive bin whose value is
// strictly above 0.5 x noteMapMaximum. Sets the status text "Finding single
// notes" and calls SetProgress(s / rows) before each slice s.
// Throws TremolundrixError when noteMap does not have 107 columns; entries
// appended before a failure stay.
void FindSingleNotes(const FloatMatrix& noteMap, float noteMapMaximum, ProgressReporter& progress,
                     std::vector<SingleNote>& singleNotes);

} // namespace trx
