#include "editor/NoteListHistory.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace trx {

NoteListSnapshot TakeSnapshot(const TMidiNotes& notes) {
    NoteListSnapshot snapshot;
    snapshot.Notes.reserve(notes.Count());
    for (std::size_t i = 0; i < notes.Count(); ++i) {
        const TMidiNote& note = notes[i];
        snapshot.Notes.push_back({note.ID, note.Note, note.Start, note.Length, note.Velocity});
    }
    snapshot.Selected = notes.Selected;
    return snapshot;
}

void RestoreSnapshot(const NoteListSnapshot& snapshot, TMidiNotes& notes) {
    notes.Clear();
    for (const NoteListSnapshot::Note& values : snapshot.Notes) {
        auto note = std::make_unique<TMidiNote>();
        note->ID = values.ID;
        note->Note = values.Bin;
        note->Start = values.Start;
        note->Length = values.Length;
        note->Velocity = values.Velocity;
        notes.Add(std::move(note));
    }
    notes.Selected = snapshot.Selected;
}

NoteListHistory::NoteListHistory(std::size_t limit)
    : limit_(std::max<std::size_t>(limit, 1)) {}

void NoteListHistory::PushUndo(NoteListSnapshot snapshot) {
    undo_.push_back(std::move(snapshot));
    while (undo_.size() > limit_)
        undo_.pop_front();
}

void NoteListHistory::BeforeEdit(const TMidiNotes& notes) {
    PushUndo(TakeSnapshot(notes));
    redo_.clear();
}

bool NoteListHistory::Undo(TMidiNotes& notes) {
    if (undo_.empty())
        return false;
    redo_.push_back(TakeSnapshot(notes));
    RestoreSnapshot(undo_.back(), notes);
    undo_.pop_back();
    return true;
}

bool NoteListHistory::Redo(TMidiNotes& notes) {
    if (redo_.empty())
        return false;
    PushUndo(TakeSnapshot(notes));
    RestoreSnapshot(redo_.back(), notes);
    redo_.pop_back();
    return true;
}

void NoteListHistory::Clear() {
    undo_.clear();
    redo_.clear();
}

} // namespace trx
