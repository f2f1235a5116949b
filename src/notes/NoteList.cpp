#include "notes/NoteList.h"

#include "common/Constants.h"
#include "common/Rounding.h"
#include "notes/Extended.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace trx {
namespace {

constexpr std::int32_t kTopBin = kNoteBins - 1;
constexpr Extended kLoudStartDecay = 0.99L;

[[nodiscard]] std::string NoteID(std::int32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%8.8d", number);
    return text;
}

} // namespace

void CreateNoteList(const FloatMatrix& noteMap, float noteMapMaximum, std::int32_t firstNoteBin,
                    TMidiNotes& notes) {
    notes.Clear();
    // IDs restart at 00000001: a selection kept from the last list would
    // name another note.
    notes.Selected.clear();
    std::int32_t number = 0;
    if (firstNoteBin > kTopBin || !(noteMapMaximum > 0.0f))
        return;

    const std::int32_t sliceCount = noteMap.Rows();
    for (std::int32_t bin = std::max(firstNoteBin, 0); bin <= kTopBin; ++bin) {
        std::unique_ptr<TMidiNote> open;
        for (std::int32_t s = 0; s < sliceCount; ++s) {
            const float v = noteMap(s, bin);
            const auto velocity =
                static_cast<std::uint16_t>(RoundHalfEven(127 * Extended{v} / noteMapMaximum));
            if (velocity > 0 && !open) {
                open = std::make_unique<TMidiNote>();
                open->ID = NoteID(++number);
                open->Note = static_cast<std::int16_t>(bin);
                open->Start = s;
                open->Velocity = velocity;
            }
            if (open && velocity > open->Velocity)
                open->Velocity = velocity;
            if (open && v == 0.0f) {
                open->Length = s - open->Start - 1;
                notes.Add(std::move(open));
            }
        }
        if (open) {
            open->Length = sliceCount - 1 - open->Start;
            notes.Add(std::move(open));
        }
    }
}

void WriteNotesToMap(const TMidiNotes& notes, bool loudStart, std::int32_t firstNoteBin,
                     FloatMatrix& noteMap, float& noteMapMaximum) {
    const std::int32_t sliceCount = noteMap.Rows();
    for (std::int32_t s = 0; s < sliceCount; ++s)
        for (std::int32_t bin = std::max(firstNoteBin, 0); bin <= kTopBin; ++bin)
            noteMap(s, bin) = 0.0f;

    noteMapMaximum = 0.0f;
    for (std::size_t index = 0; index < notes.Count(); ++index) {
        const TMidiNote& note = notes[index];
        float x = note.Velocity;
        if (x > noteMapMaximum)
            noteMapMaximum = x;
        // The editor can drag a note past either end of the map or above
        // bin 106; only its cells inside the map are written.
        if (note.Note < 0 || note.Note > kTopBin)
            continue;
        const std::int64_t last = std::min<std::int64_t>(std::int64_t{note.Start} + note.Length,
                                                         std::int64_t{sliceCount} - 1);
        for (std::int64_t s = note.Start; s <= last; ++s) {
            if (s >= 0)
                noteMap(static_cast<std::int32_t>(s), note.Note) = x;
            if (loudStart)
                x = static_cast<float>(x * kLoudStartDecay);
        }
    }
}

} // namespace trx
