#pragma once

#include "common/Constants.h"

#include <span>

namespace trx {

// Which row of a slice the live analyser is shown: as read from the
// amplitude map, or as kept by the per-slice selection.
enum class AnalyserPass { Raw, Kept };

// Receives each slice's rows while note filtering runs, for the live
// spectrum drawing.
class AnalyserObserver {
public:
    virtual ~AnalyserObserver() = default;
    virtual void DrawAnalyser(std::span<const float, kNoteBins> row, AnalyserPass pass) = 0;
};

} // namespace trx
