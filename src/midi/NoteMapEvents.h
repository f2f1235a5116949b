#pragma once

#include "common/Constants.h"
#include "common/FloatMatrix.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace trx {

// Walks a note map (rows = slices, 107 bins) as the MIDI file reads it and
// calls event(slice, bin, velocity) for every note start and end, in file
// order. Per slice, notes end first (a sounding bin whose cell is 0, as
// velocity 0), then start (a silent bin whose cell exceeds minimumComponent
// percent of noteMapMaximum, velocity trunc(cell x 126 / noteMapMaximum)),
// bins firstNoteBin..106 ascending each time. Notes still sounding after
// the last slice end at slice SliceCount. With noteMapMaximum not positive
// no note starts.
template <typename Event>
void WalkNoteMap(const FloatMatrix& noteMap, float noteMapMaximum, std::int32_t firstNoteBin,
                 std::int32_t minimumComponent, Event&& event) {
    constexpr std::int32_t kTopBin = kNoteBins - 1;
    // The loudest cell, at noteMapMaximum, gets this velocity.
    constexpr long double kTopVelocity = 126;
    // Four cells or flags side by side, for passing over bins with nothing
    // to do four at a time: most bins of a slice neither start nor end.
    using Floats4 = float __attribute__((vector_size(16)));
    using Ints4 = std::int32_t __attribute__((vector_size(16)));
    const auto floats4 = [](const float* values) {
        Floats4 v;
        std::memcpy(&v, values, sizeof v);
        return v;
    };
    const auto ints4 = [](const std::int32_t* values) {
        Ints4 v;
        std::memcpy(&v, values, sizeof v);
        return v;
    };
    const auto any = [](Ints4 mask) { return (mask[0] | mask[1] | mask[2] | mask[3]) != 0; };

    const float threshold =
        static_cast<float>(minimumComponent * static_cast<long double>(noteMapMaximum) / 100);
    const bool canStart = noteMapMaximum > 0.0f;
    const std::int32_t firstBin = std::max(firstNoteBin, 0);
    const std::int32_t sliceCount = noteMap.Rows();
    // -1 while a note sounds in the bin, else 0.
    std::array<std::int32_t, kNoteBins> sounding{};
    const Floats4 silence{};
    const Floats4 thresholds{threshold, threshold, threshold, threshold};

    for (std::int32_t s = 0; s < sliceCount; ++s) {
        const float* const cells = noteMap.Row(s).data();
        const auto endNote = [&](std::int32_t b) {
            if (sounding[b] != 0 && cells[b] == 0.0f) {
                sounding[b] = 0;
                event(s, b, std::uint8_t{0});
            }
        };
        const auto startNote = [&](std::int32_t b) {
            const float x = cells[b];
            if (sounding[b] == 0 && x > threshold) {
                sounding[b] = -1;
                // A cell above the maximum would give a status byte.
                const long double velocity =
                    std::min<long double>(x * kTopVelocity / noteMapMaximum, kTopVelocity);
                event(s, b, static_cast<std::uint8_t>(velocity));
            }
        };

        std::int32_t b = firstBin;
        for (; b + 4 <= kNoteBins; b += 4)
            if (any(ints4(sounding.data() + b) & (floats4(cells + b) == silence)))
                for (std::int32_t k = b; k < b + 4; ++k)
                    endNote(k);
        for (; b <= kTopBin; ++b)
            endNote(b);
        if (!canStart)
            continue;
        b = firstBin;
        for (; b + 4 <= kNoteBins; b += 4)
            if (any(~ints4(sounding.data() + b) & (floats4(cells + b) > thresholds)))
                for (std::int32_t k = b; k < b + 4; ++k)
                    startNote(k);
        for (; b <= kTopBin; ++b)
            startNote(b);
    }
    // Close what still sounds at the end of the last slice, so no note hangs.
    for (std::int32_t b = firstBin; b <= kTopBin; ++b)
        if (sounding[b] != 0)
            event(sliceCount, b, std::uint8_t{0});
}

} // namespace trx
