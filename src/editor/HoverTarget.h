#pragma once

#include "editor/NoteZone.h"
#include "editor/PointerPosition.h"
#include "notes/TMidiNotes.h"

#include <cstdint>

namespace trx {

// The note under the pointer and the zone of its bar.
struct HoverTarget {
    // Null when no note covers the pointer's row and slice.
    TMidiNote* Note = nullptr;
    NoteZone Zone = NoteZone::None;
};

// The first note in list order on the pointer's row that covers its slice,
// with the zone of the snapped x on that note's bar as drawn from
// firstVisibleSlice.
[[nodiscard]] HoverTarget FindHover(const TMidiNotes& notes, const PointerPosition& pointer,
                                    std::int32_t firstVisibleSlice);

} // namespace trx
