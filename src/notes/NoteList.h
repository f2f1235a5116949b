#pragma once

#include "common/FloatMatrix.h"
#include "notes/TMidiNotes.h"

#include <cstdint>

namespace trx {

// Rebuilds notes from the note map: each run of non-zero cells in a bin
// (firstNoteBin..106) becomes one note, bins ascending then slices, with IDs
// 00000001, 00000002, ... A note starts at the run's first cell whose
// velocity 127 x cell / noteMapMaximum rounds to at least 1 and takes the
// largest velocity of its cells. With noteMapMaximum not positive the list
// stays empty. No note is selected afterwards.
void CreateNoteList(const FloatMatrix& noteMap, float noteMapMaximum, std::int32_t firstNoteBin,
                    TMidiNotes& notes);

// Rewrites bins firstNoteBin..106 of the note map from the list, each note's
// cells holding its velocity (falling by 1 % a slice with loudStart), later
// notes winning where they overlap; noteMapMaximum becomes the largest
// velocity. Cells outside the map are skipped.
void WriteNotesToMap(const TMidiNotes& notes, bool loudStart, std::int32_t firstNoteBin,
                     FloatMatrix& noteMap, float& noteMapMaximum);

} // namespace trx
