#pragma once

#include "common/FloatMatrix.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trx {

// The MIDI file of a note map (rows = slices, 107 bins): one tick per
// slice, every event a note-on on channel 1 with running status, key =
// bin + 9. Per slice, notes end first (a sounding bin whose cell is 0, as
// velocity 0), then start (a silent bin whose cell exceeds minimumComponent
// percent of noteMapMaximum, velocity trunc(cell x 126 / noteMapMaximum)),
// bins firstNoteBin..106 ascending each time. Notes still sounding after
// the last slice end at slice SliceCount. With noteMapMaximum not positive
// no note starts. fileName is the conductor track's name; keyIndex as for
// TMidiFile.
[[nodiscard]] std::vector<std::uint8_t>
BuildMidiFromNoteMap(const std::string& fileName, const FloatMatrix& noteMap, float noteMapMaximum,
                     std::int32_t firstNoteBin, std::int32_t minimumComponent, int keyIndex);

// Writes that file to fileName through a temporary file in the same
// folder; a failure leaves an existing file whole. Throws SystemError.
void SaveNoteMapAsMidi(const std::string& fileName, const FloatMatrix& noteMap,
                       float noteMapMaximum, std::int32_t firstNoteBin,
                       std::int32_t minimumComponent, int keyIndex);

} // namespace trx
