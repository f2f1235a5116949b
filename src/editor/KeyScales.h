#pragma once

#include "midi/KeySignatures.h"

#include <array>

namespace trx {

// Pitch classes counted from C: C = 0 ... B = 11.
inline constexpr int kPitchClasses = 12;

using ScaleRow = std::array<bool, kPitchClasses>;

// Tonic pitch class of key index 0..29: 7 x sf mod 12 for a major key,
// (7 x sf - 3) mod 12 for a minor key, always in 0..11 (flat keys have a
// negative sf).
[[nodiscard]] int KeyTonic(int keyIndex);

// For each of the 30 keys the pitch classes of its scale: major, or harmonic
// minor with the raised seventh. Enharmonic entries (0 and 12, 1 and 13, 2
// and 14, 15 and 27, 16 and 28, 17 and 29) have identical rows.
[[nodiscard]] const std::array<ScaleRow, kKeySignatureCount>& KeyScales();

// Pitch class of a note bin: bin 0 is the A of MIDI key 9.
[[nodiscard]] int PitchClassOfBin(int bin);

} // namespace trx
