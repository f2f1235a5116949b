#include "editor/NoteRows.h"

#include <array>
#include <cstdlib>

namespace trx {
namespace {

// Pixels above the octave's A, by bin mod 12 (A, A#, B, C, ... G#).
constexpr std::array<int, 12> kNoteRowOffsets{0, 4, 8, 16, 20, 24, 28, 32, 40, 44, 48, 52};

} // namespace

int GetNoteY(std::uint16_t bin) {
    return 507 - (bin / 12 * 56 + kNoteRowOffsets[bin % 12]);
}

namespace {

// Distance from y to the row of a bin, with the row's y held as a 16-bit
// unsigned value: rows below the canvas (negative y) wrap far away, so the
// top pixel rows never pick the rows beyond 108.
int RowDistance(std::uint16_t y, int bin) {
    return std::abs(static_cast<int>(y) - static_cast<int>(static_cast<std::uint16_t>(
                                              GetNoteY(static_cast<std::uint16_t>(bin)))));
}

} // namespace

int GetNoteFromY(std::uint16_t y) {
    // 512 / 109 pixels per row on average.
    const long double rowHeight = 512.0L / 109.0L;
    const int g = static_cast<int>((512 - static_cast<int>(y)) / rowHeight);
    const int dA = RowDistance(y, g - 1);
    const int dB = RowDistance(y, g);
    const int dC = RowDistance(y, g + 1);
    if (dA < dB && dA < dC)
        return g - 1;
    if (dC < dA && dC < dB)
        return g + 1;
    return g;
}

} // namespace trx
