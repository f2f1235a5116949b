#pragma once

#include <cstdint>

namespace trx {

// Every note picture lays the 107 bins out like a piano keyboard on a canvas
// 512 pixels high: rows 4 pixels apart, 8 between B and C and between E and
// F, an octave 56 pixels, bin 0 at y 507 and bin 106 at y 11.

// y of the row of a note bin (bin taken as 16-bit unsigned).
[[nodiscard]] int GetNoteY(std::uint16_t bin);

// The nearest row to y (taken as 16-bit unsigned): 0..108 for y 0..511;
// rows 107 and 108 lie above the highest bin.
[[nodiscard]] int GetNoteFromY(std::uint16_t y);

} // namespace trx
