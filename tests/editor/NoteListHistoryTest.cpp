#include "editor/NoteListHistory.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

void AddNote(trx::TMidiNotes& notes, const char* id, int bin, int start, int length) {
    auto note = std::make_unique<trx::TMidiNote>();
    note->ID = id;
    note->Note = static_cast<std::int16_t>(bin);
    note->Start = start;
    note->Length = length;
    note->Velocity = 90;
    notes.Add(std::move(note));
}

TEST(NoteListHistory, UndoAndRedoAMoveAndADeleteInTheirOrder) {
    trx::TMidiNotes notes;
    AddNote(notes, "00000001", 40, 2, 3);
    AddNote(notes, "00000002", 44, 8, 1);
    notes.Selected = "00000001";
    const trx::NoteListSnapshot original = trx::TakeSnapshot(notes);

    trx::NoteListHistory history;
    EXPECT_FALSE(history.Undo(notes));
    history.BeforeEdit(notes);
    notes[0].Start = 6;
    const trx::NoteListSnapshot moved = trx::TakeSnapshot(notes);
    history.BeforeEdit(notes);
    notes.Selected = "00000002";
    notes.DeleteNote("00000002");

    ASSERT_TRUE(history.Undo(notes));
    EXPECT_EQ(trx::TakeSnapshot(notes), moved);
    ASSERT_NE(notes.GetSelected(), nullptr) << "the selection follows the restored list";
    EXPECT_EQ(notes.GetSelected()->ID, "00000001");
    ASSERT_TRUE(history.Undo(notes));
    EXPECT_EQ(trx::TakeSnapshot(notes), original);
    EXPECT_FALSE(history.Undo(notes));
    EXPECT_EQ(notes[1].ID, "00000002") << "the list keeps its order";

    ASSERT_TRUE(history.Redo(notes));
    EXPECT_EQ(trx::TakeSnapshot(notes), moved);
    ASSERT_TRUE(history.Redo(notes));
    EXPECT_EQ(notes.Count(), 1u);
    EXPECT_EQ(notes.FindNote(44, 8), nullptr);
    EXPECT_FALSE(history.Redo(notes));

    // A new edit after an undo drops what could have been redone.
    ASSERT_TRUE(history.Undo(notes));
    history.BeforeEdit(notes);
    notes[0].Length = 9;
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.Redo(notes));
    EXPECT_EQ(notes[0].Length, 9);
}

TEST(NoteListHistory, KeepsOnlyTheNewestSteps) {
    trx::TMidiNotes notes;
    AddNote(notes, "00000001", 40, 0, 0);
    trx::NoteListHistory history(3);
    for (int start = 1; start <= 5; ++start) {
        history.BeforeEdit(notes);
        notes[0].Start = start;
    }
    int undone = 0;
    while (history.Undo(notes))
        ++undone;
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(notes[0].Start, 2);
}

} // namespace
