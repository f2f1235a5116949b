#pragma once

#include "beats/BeatGrid.h"
#include "common/FloatMatrix.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trx {

// A note at its real times in the recording.
struct TimedNote {
    double Start = 0.0;
    double End = 0.0;
    std::int32_t Key = 0;
    std::uint8_t Velocity = 0;
};

// The notes of a note map as the plain MIDI file has them (the same starts,
// ends and velocities), at the times of their slices.
[[nodiscard]] std::vector<TimedNote> NotesOfNoteMap(const FloatMatrix& noteMap,
                                                    float noteMapMaximum, std::int32_t firstNoteBin,
                                                    std::int32_t minimumComponent);

// The MIDI file of notes on a beat grid: the conductor track in the grid's
// time (4/4, its tempo events), each note's start and end at the tick of
// its time. quantise 8, 16 or 32 snaps starts to that note value's grid and
// lengths to whole steps of it, at least one; a note that would land on or
// before the start of the previous note of its key goes one step after it,
// and the previous one ends there at the latest. 0 leaves the times alone.
[[nodiscard]] std::vector<std::uint8_t> BuildBeatGridMidi(const std::string& fileName,
                                                          const std::vector<TimedNote>& notes,
                                                          int keyIndex, const BeatGrid& grid,
                                                          int quantise);

// The beat grid of the first sliceCount slices of an amplitude map, at the
// tracked tempo or at fixedBpm when positive; none when no beat is found.
[[nodiscard]] std::optional<BeatGrid> FindBeatGrid(const FloatMatrix& amplitudeMap,
                                                   std::int32_t firstNoteBin,
                                                   std::int32_t sliceCount, double fixedBpm);

// The note map's MIDI file on the grid (see BuildBeatGridMidi), written to
// fileName through a temporary file. Throws SystemError.
void SaveNoteMapOnBeatGrid(const std::string& fileName, const FloatMatrix& noteMap,
                           float noteMapMaximum, std::int32_t firstNoteBin,
                           std::int32_t minimumComponent, int keyIndex, const BeatGrid& grid,
                           int quantise);

} // namespace trx
