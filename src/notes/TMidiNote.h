#pragma once

#include <cstdint>
#include <string>

namespace trx {

class TMidiNotes;

// One note of the note list: a run of slices in one note bin. Time is in
// slices, pitch in note bins; the note covers Start..Start + Length.
class TMidiNote {
public:
    TMidiNote() = default;
    TMidiNote(const TMidiNote&) = delete;
    TMidiNote& operator=(const TMidiNote&) = delete;

    // Whether the owning list's Selected is this note's ID; false for a note
    // in no list.
    [[nodiscard]] bool IsSelected() const;
    // true selects this note; false deselects it (Selected becomes "X") only
    // when it is the selected one.
    void SetSelected(bool value);

    // Pixels of the last drawing, read by the editor's pointer handling.
    // The bar's left end and width are held in 32 bits: a note starting left
    // of the view has a negative x, and 16 bits wrap at 6554 slices.
    std::int32_t DrawX = 0;
    std::int32_t DrawWidth = 0;
    std::uint16_t DrawY = 0;
    std::uint16_t StemTop = 0;
    // Eight decimal digits, zero-padded; the note's key in the list.
    std::string ID;
    std::int16_t Note = 0;
    std::int32_t Start = 0;
    // Last slice minus Start; 0 for a note of one slice.
    std::int32_t Length = 0;
    std::uint16_t Velocity = 0;
    // The note overlaps the editor's visible slices.
    bool Visible = false;

private:
    friend class TMidiNotes;
    TMidiNotes* owner_ = nullptr;
};

} // namespace trx
