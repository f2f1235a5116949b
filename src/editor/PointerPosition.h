#pragma once

#include <cstdint>

namespace trx {

// What the editor reads from a pointer position on the piano roll.
struct PointerPosition {
    // The nearest note row, 0..108 on the 512-pixel canvas (107 and 108 lie
    // above the highest bin).
    int Row = 0;
    // The slice under the pointer.
    std::int32_t Slice = 0;
    // x of that slice's left end.
    std::int32_t SnappedX = 0;
    // y of the row.
    int RowY = 0;
};

// Pixels from the marker's top to its row.
inline constexpr int kMarkerAboveRow = 3;

// The pointer at (x, y) of the piano roll scrolled to scrollPosition; y is
// taken as 16-bit unsigned, so a caller tracking the pointer outside the
// roll clamps it into the roll first.
[[nodiscard]] PointerPosition DerivePointer(std::int32_t x, std::int32_t y,
                                            std::int32_t scrollPosition);

// Left of the row marker beside the keyboard: 28 beside a black key (rows
// A#, C#, D#, F#, G#: row mod 12 of 1, 4, 6, 9, 11), 48 beside a white key.
// Its top is the row's y minus kMarkerAboveRow.
[[nodiscard]] int MarkerLeft(int row);

} // namespace trx
