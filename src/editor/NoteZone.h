#pragma once

#include <cstdint>

namespace trx {

// The third of a note bar under the pointer, which is also the drag a left
// press there starts.
enum class NoteZone : std::uint8_t {
    None = 0,
    // First third: moves the note in time.
    TimeMove = 1,
    // Middle third: moves the note in pitch.
    PitchMove = 2,
    // Last third: changes the note's length.
    LengthChange = 3,
};

// The zone d pixels right of the left end of a bar width pixels wide: none
// outside 0..width, else the first third below width div 3, the middle
// third below 2 x (width div 3), the last third up to width itself. A bar of
// width 0 has only its left end, in the last third.
[[nodiscard]] NoteZone ZoneOfBar(std::int32_t d, std::int32_t width);

} // namespace trx
