#pragma once

#include "notes/TMidiNotes.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace trx {

// What an edit can change of a note list: each note's ID, bin, slices and
// velocity, in list order, and the selection.
struct NoteListSnapshot {
    struct Note {
        std::string ID;
        std::int16_t Bin = 0;
        std::int32_t Start = 0;
        std::int32_t Length = 0;
        std::uint16_t Velocity = 0;
        bool operator==(const Note&) const = default;
    };
    std::vector<Note> Notes;
    std::string Selected;
    bool operator==(const NoteListSnapshot&) const = default;
};

[[nodiscard]] NoteListSnapshot TakeSnapshot(const TMidiNotes& notes);

// Replaces every note of the list by the snapshot's, selection included.
// The new notes are not Visible and have not been drawn: the caller sets
// the visible range again.
void RestoreSnapshot(const NoteListSnapshot& snapshot, TMidiNotes& notes);

// Undo and redo of the edits of one editing session, as snapshots of the
// whole list taken before each edit. Notes restored are new objects, so
// anything still pointing at a note of the list is stale afterwards.
class NoteListHistory {
public:
    static constexpr std::size_t kDefaultLimit = 100;

    // Keeps at most limit (at least 1) steps to undo; the oldest goes first.
    explicit NoteListHistory(std::size_t limit = kDefaultLimit);

    // To be called right before notes change: their state now is what the
    // next Undo returns to. Steps undone before can no longer be redone.
    void BeforeEdit(const TMidiNotes& notes);
    // Puts back the list as it was before the latest edit not undone; false,
    // with the list untouched, when there is none.
    bool Undo(TMidiNotes& notes);
    // Repeats the latest edit undone; false, with the list untouched, when
    // there is none.
    bool Redo(TMidiNotes& notes);
    void Clear();

    [[nodiscard]] bool CanUndo() const { return !undo_.empty(); }
    [[nodiscard]] bool CanRedo() const { return !redo_.empty(); }

private:
    void PushUndo(NoteListSnapshot snapshot);

    std::size_t limit_;
    std::deque<NoteListSnapshot> undo_;
    std::vector<NoteListSnapshot> redo_;
};

} // namespace trx
