#pragma once

#include "audio/SampleBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trx {

inline constexpr const char* kBeatMemoryMessage = "Unable to allocate memory for beat analysis";

// The short-time energy of the recording as one polyline over the velocity
// strip: eight points per slice, each the square root of a 256-sample
// block's energy, 8 pixels per unit above the strip's bottom.
struct BeatEnvelope {
    struct Point {
        std::int32_t X = 0;
        std::int32_t Y = 0;
        bool operator==(const Point&) const = default;
    };

    // The line's start (0, strip height), then one point per block; empty
    // when Message is set.
    std::vector<Point> Points;
    // The fixed text to show when the working memory could not be had;
    // empty otherwise.
    std::string Message;

    [[nodiscard]] bool Ok() const { return Message.empty(); }
};

// The envelope of slices firstSlice..lastSlice (the editor's visible range)
// on a strip stripHeight pixels high (128 in the editor). The running energy
// starts at 0 at firstSlice and carries across blocks and slices; a block
// whose first squared sample falls below the previous block's energy starts
// from their mean, so silence after a loud passage halves the energy per
// block. Block i of slice s is drawn at x = round(((s - firstSlice) x 8 + i)
// x 1.25). Slices outside 0..SliceCount - 1 read as silence.
[[nodiscard]] BeatEnvelope ComputeBeatEnvelope(const SampleBuffer& samples, std::int32_t firstSlice,
                                               std::int32_t lastSlice, std::int32_t stripHeight);

} // namespace trx
