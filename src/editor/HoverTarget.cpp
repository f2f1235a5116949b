#include "editor/HoverTarget.h"

#include "editor/TimeAxis.h"

#include <limits>

namespace trx {

HoverTarget FindHover(const TMidiNotes& notes, const PointerPosition& pointer,
                      std::int32_t firstVisibleSlice) {
    HoverTarget target;
    target.Note = notes.FindNote(static_cast<std::int16_t>(pointer.Row), pointer.Slice);
    if (target.Note == nullptr)
        return target;
    const std::int64_t d =
        std::int64_t{pointer.SnappedX} - SliceX(target.Note->Start, firstVisibleSlice);
    target.Zone =
        d < std::numeric_limits<std::int32_t>::min() || d > std::numeric_limits<std::int32_t>::max()
            ? NoteZone::None
            : ZoneOfBar(static_cast<std::int32_t>(d), BarWidth(target.Note->Length));
    return target;
}

} // namespace trx
