#include "tuning/SingleNotes.h"

#include "common/Constants.h"
#include "common/Errors.h"
#include "notes/Extended.h"

namespace trx {

void FindSingleNotes(const FloatMatrix& noteMap, float noteMapMaximum, ProgressReporter& progress,
                     std::vector<SingleNote>& singleNotes) {
    if (noteMap.Cols() != kNoteBins)
        throw TremolundrixError("Invalid note map");
    progress.SetStatusText("Finding single notes");
    const std::int32_t sliceCount = noteMap.Rows();
    const Extended threshold = 0.5L * static_cast<Extended>(noteMapMaximum);
    for (std::int32_t s = 0; s < sliceCount; ++s) {
        progress.SetProgress(static_cast<double>(s) / sliceCount);
        const auto row = noteMap.Row(s);
        std::int32_t count = 0;
        std::int32_t highest = 0;
        for (std::int32_t j = 0; j < kNoteBins; ++j) {
            if (row[static_cast<std::size_t>(j)] > 0.0f) {
                ++count;
                highest = j;
            }
        }
        if (count == 1 && static_cast<Extended>(row[static_cast<std::size_t>(highest)]) > threshold)
            singleNotes.push_back({s, highest});
    }
}

} // namespace trx
