#include "editor/PointerPosition.h"

#include "editor/NoteRows.h"
#include "editor/TimeAxis.h"

namespace trx {

PointerPosition DerivePointer(std::int32_t x, std::int32_t y, std::int32_t scrollPosition) {
    PointerPosition pointer;
    pointer.Row = GetNoteFromY(static_cast<std::uint16_t>(y));
    pointer.Slice = SliceFromX(x, scrollPosition);
    pointer.SnappedX = SliceX(pointer.Slice, scrollPosition);
    pointer.RowY = GetNoteY(static_cast<std::uint16_t>(pointer.Row));
    return pointer;
}

int MarkerLeft(int row) {
    switch (row % 12) {
    case 1:
    case 4:
    case 6:
    case 9:
    case 11:
        return 28;
    default:
        return 48;
    }
}

} // namespace trx
