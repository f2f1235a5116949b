#include "editor/NoteZone.h"

namespace trx {

NoteZone ZoneOfBar(std::int32_t d, std::int32_t width) {
    if (d < 0 || d > width)
        return NoteZone::None;
    const std::int32_t third = width / 3;
    if (d < third)
        return NoteZone::TimeMove;
    if (d < 2 * third)
        return NoteZone::PitchMove;
    return NoteZone::LengthChange;
}

} // namespace trx
