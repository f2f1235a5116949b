#pragma once

#include <cstdint>
#include <optional>

namespace trx {

// Edits keep a note inside what the note map can hold, so that writing the
// list back loses nothing: slices 0..sliceCount - 1 and the analysed bins
// firstNoteBin..106 (rows outside are never listed, cleared or saved).

// The Start of a note of this Length dropped at slice: at least 0 and at
// most sliceCount - 1 - length.
[[nodiscard]] std::int32_t ConfineStart(std::int32_t slice, std::int32_t length,
                                        std::int32_t sliceCount);

// The Length of a note after its end was dragged from pressSlice to slice:
// Length - pressSlice + slice, at most sliceCount - 1 - start. Nothing when
// the drag would leave a length of 0 or less (the note keeps its length).
[[nodiscard]] std::optional<std::int32_t> LengthAfterDrag(std::int32_t start, std::int32_t length,
                                                          std::int32_t pressSlice,
                                                          std::int32_t slice,
                                                          std::int32_t sliceCount);

// The note bin of a note dropped on row: within firstNoteBin..106.
[[nodiscard]] std::int16_t ConfineNote(int row, std::int32_t firstNoteBin);

} // namespace trx
