#include "editor/TimeAxis.h"

#include "common/Rounding.h"
#include "notes/Extended.h"

#include <algorithm>
#include <limits>

namespace trx {
namespace {

[[nodiscard]] std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

std::int32_t SliceX(std::int32_t slice, std::int32_t firstVisibleSlice) {
    return Saturate((std::int64_t{slice} - firstVisibleSlice) * kSlicePixels + kTimeAxisMargin);
}

std::int32_t BarWidth(std::int32_t length) {
    return Saturate(std::int64_t{length} * kSlicePixels);
}

std::int32_t SliceFromX(std::int32_t x, std::int32_t scrollPosition) {
    // The scroll position joins the sum before rounding: a pointer half way
    // between two slices snaps to the even one.
    return Saturate(RoundHalfEven(
        static_cast<Extended>(std::int64_t{x} - kTimeAxisMargin) / kSlicePixels + scrollPosition));
}

std::int32_t LastVisibleSlice(std::int32_t firstVisibleSlice, std::int32_t viewWidth) {
    return Saturate(std::int64_t{firstVisibleSlice} +
                    (std::int64_t{viewWidth} - kTimeAxisMargin) / kSlicePixels);
}

} // namespace trx
