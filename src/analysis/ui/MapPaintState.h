#pragma once

#include <cstdint>

namespace trx {

// What the map paint box reads from the working state each time it paints.
struct MapPaintState {
    std::int32_t SliceCount = 0;
    std::int32_t LastAnalysedSlice = 0;
    // No finished analysis picture to show (from Open until AnalyseWave ends).
    bool AnalysisBusy = true;
};

} // namespace trx
