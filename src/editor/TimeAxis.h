#pragma once

#include <cstdint>

namespace trx {

// The piano roll and the velocity strip share one time axis: 10 pixels per
// slice after a left margin of 3 pixels. Every result is computed in 64 bits
// and held in 32 (a 16-bit width wraps for notes of 6554 slices or more).

inline constexpr std::int32_t kSlicePixels = 10;
inline constexpr std::int32_t kTimeAxisMargin = 3;

// x of the left end of slice in a view whose left edge shows
// firstVisibleSlice: (slice - firstVisibleSlice) x 10 + 3. Also a note
// bar's left end and the snapped x of a pointer.
[[nodiscard]] std::int32_t SliceX(std::int32_t slice, std::int32_t firstVisibleSlice);

// Pixels of a note bar of this Length (last slice minus Start): Length x 10,
// so a one-slice note has a bar of width 0.
[[nodiscard]] std::int32_t BarWidth(std::int32_t length);

// The slice under x with the view scrolled to scrollPosition:
// (x - 3) / 10 + scrollPosition rounded to the nearest integer, halves to
// even.
[[nodiscard]] std::int32_t SliceFromX(std::int32_t x, std::int32_t scrollPosition);

// The last slice that fits in a view viewWidth pixels wide:
// firstVisibleSlice + (viewWidth - 3) div 10.
[[nodiscard]] std::int32_t LastVisibleSlice(std::int32_t firstVisibleSlice, std::int32_t viewWidth);

} // namespace trx
