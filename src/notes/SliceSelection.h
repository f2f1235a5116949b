#pragma once

#include "common/Constants.h"

#include <cstdint>
#include <span>

namespace trx {

// The per-slice steps of note filtering, each on the working row of 107
// magnitudes (one slice), changed in place. Bin ranges differ from step to
// step and are part of the result. Percent arguments are track-bar
// positions 0..100. firstNoteBin is at least 1.

using NoteRow = std::span<float, kNoteBins>;
using ConstNoteRow = std::span<const float, kNoteBins>;
using LoudestRow = std::span<float, kLoudestCount>;

// Largest value of bins firstNoteBin..106, starting from 0.
[[nodiscard]] float SliceMaximum(ConstNoteRow row, std::int32_t firstNoteBin);

// Clears both flanks of a narrow symmetric peak at bins firstNoteBin..50
// (only peaks with two bins on each side are tested): each flank is cleared
// outward as long as it does not rise again, never reaching bins 0 or 106.
void RemoveSpread(NoteRow row, std::int32_t firstNoteBin, std::int32_t amplitudeFluctuation);

// Clears a bin below neighbourThreshold percent of a still non-zero
// neighbour, sweeping k = firstNoteBin..105 upward.
void SuppressNeighbours(NoteRow row, std::int32_t firstNoteBin, std::int32_t neighbourThreshold);

// Clears bins firstNoteBin..105 (not 106) below chordThreshold percent of
// sliceMaximum, the raw row's maximum.
void ApplyChordThreshold(NoteRow row, std::int32_t firstNoteBin, std::int32_t chordThreshold,
                         float sliceMaximum);

// The ten largest values of bins firstNoteBin..106 in descending order; a
// value equal to an entry goes after it, zeros never enter (entries stay 0).
void RankLoudest(ConstNoteRow row, std::int32_t firstNoteBin, LoudestRow loudest);

// Clears a bin that starts a group of adjacent non-zero bins (its lower
// neighbour is 0) and lies below the polyphony-th loudest value. Nothing is
// cleared when fewer bins than polyphony are positive.
void LimitPolyphony(NoteRow row, std::span<const float, kLoudestCount> loudest,
                    std::int32_t polyphony);

} // namespace trx
