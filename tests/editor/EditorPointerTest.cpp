#include "editor/EditConfinement.h"
#include "editor/HoverTarget.h"
#include "editor/NoteRows.h"
#include "editor/TimeAxis.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using trx::NoteZone;

trx::TMidiNote& AddNote(trx::TMidiNotes& notes, int bin, int start, int length) {
    auto note = std::make_unique<trx::TMidiNote>();
    note->ID = "0000000" + std::to_string(notes.Count() + 1);
    note->Note = static_cast<std::int16_t>(bin);
    note->Start = start;
    note->Length = length;
    return notes.Add(std::move(note));
}

TEST(EditorPointer, PointerSnapsToSlicesAndRows) {
    const trx::PointerPosition p = trx::DerivePointer(57, 450, 20);
    EXPECT_EQ(p.Slice, 25);
    EXPECT_EQ(p.SnappedX, 53);
    EXPECT_EQ(p.Row, 12);
    EXPECT_EQ(p.RowY, trx::GetNoteY(12));
    // Half way between slices the scroll position is part of the rounded sum.
    EXPECT_EQ(trx::SliceFromX(8, 0), 0);
    EXPECT_EQ(trx::SliceFromX(8, 1), 2);
    EXPECT_EQ(trx::LastVisibleSlice(20, 652), 84);
    EXPECT_EQ(trx::MarkerLeft(13), 28); // A#
    EXPECT_EQ(trx::MarkerLeft(14), 48); // B
}

TEST(EditorPointer, ThirtyPixelBarHasThreeZones) {
    for (int d = -1; d <= 31; ++d) {
        const NoteZone expected = d < 0 || d > 30 ? NoteZone::None
                                  : d < 10        ? NoteZone::TimeMove
                                  : d < 20        ? NoteZone::PitchMove
                                                  : NoteZone::LengthChange;
        EXPECT_EQ(trx::ZoneOfBar(d, 30), expected) << d;
    }
}

TEST(EditorPointer, OneSliceNoteOnlyLengthensAndLongBarsKeepTheirWidth) {
    trx::TMidiNotes notes;
    trx::TMidiNote& shortNote = AddNote(notes, 30, 5, 0);
    const int y = trx::GetNoteY(30);
    for (int x = 49; x <= 57; ++x) {
        const trx::HoverTarget target = trx::FindHover(notes, trx::DerivePointer(x, y, 0), 0);
        EXPECT_EQ(target.Note, &shortNote) << x;
        EXPECT_EQ(target.Zone, NoteZone::LengthChange) << x;
    }
    EXPECT_EQ(trx::FindHover(notes, trx::DerivePointer(59, y, 0), 0).Note, nullptr);

    // 7000 slices: 70000 pixels, past what 16 bits hold.
    AddNote(notes, 40, 0, 7000);
    const auto end = trx::FindHover(notes, trx::DerivePointer(3, trx::GetNoteY(40), 6990), 6990);
    EXPECT_EQ(end.Zone, NoteZone::LengthChange);
    EXPECT_EQ(trx::BarWidth(7000), 70000);
}

TEST(EditConfinement, EditsStayInsideTheMap) {
    constexpr std::int32_t kSlices = 20;
    EXPECT_EQ(trx::ConfineStart(-3, 4, kSlices), 0);
    EXPECT_EQ(trx::ConfineStart(18, 4, kSlices), 15);

    EXPECT_EQ(trx::LengthAfterDrag(10, 2, 12, 16, kSlices), 6);
    EXPECT_EQ(trx::LengthAfterDrag(10, 2, 12, 40, kSlices), 9) << "ends on the last slice";
    EXPECT_EQ(trx::LengthAfterDrag(10, 2, 12, 10, kSlices), std::nullopt) << "0 is ignored";

    EXPECT_EQ(trx::ConfineNote(108, 8), 106);
    EXPECT_EQ(trx::ConfineNote(7, 8), 8);
    EXPECT_EQ(trx::ConfineNote(8, 8), 8);
    EXPECT_EQ(trx::ConfineNote(8, 9), 9);
}

} // namespace
