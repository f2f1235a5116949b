#include "cli/NotesCsv.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(NotesCsv, OneLinePerNoteWithItsMidiKey) {
    trx::TMidiNotes notes;
    auto note = std::make_unique<trx::TMidiNote>();
    note->ID = "00000001";
    note->Note = 48;
    note->Start = 3;
    note->Length = 20;
    note->Velocity = 127;
    notes.Add(std::move(note));
    EXPECT_EQ(trx::FormatNotesCsv(notes), "id,note_bin,midi_key,start_slice,length,velocity\n"
                                          "00000001,48,57,3,20,127\n");
}

} // namespace
