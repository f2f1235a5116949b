#pragma once

#include "notes/TMidiNote.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trx {

// The note list: (ID, note) entries in the order they were added, owning
// their notes. Its notes refer back to it, so it is neither copied nor
// moved.
class TMidiNotes {
public:
    // Selected after the selected note was deselected.
    static constexpr std::string_view kDeselected = "X";

    TMidiNotes() = default;
    TMidiNotes(const TMidiNotes&) = delete;
    TMidiNotes& operator=(const TMidiNotes&) = delete;
    ~TMidiNotes();

    // Appends an entry whose string is the note's ID and takes the note.
    TMidiNote& Add(std::unique_ptr<TMidiNote> note);
    // Frees every note, first entry first.
    void Clear();

    // The first note in list order in this bin that covers slice.
    [[nodiscard]] TMidiNote* FindNote(std::int16_t note, std::int32_t slice) const;
    // The note whose entry string is Selected; null when none has it.
    [[nodiscard]] TMidiNote* GetSelected() const;
    // Frees the first entry with this string; nothing when there is none.
    void DeleteNote(const std::string& id);
    // Marks as Visible each note whose slices overlap fromSlice..toSlice.
    void SetVisibleRange(std::int32_t fromSlice, std::int32_t toSlice);

    [[nodiscard]] std::size_t Count() const { return entries_.size(); }
    [[nodiscard]] bool Empty() const { return entries_.empty(); }
    [[nodiscard]] TMidiNote& operator[](std::size_t index) const { return *entries_[index].second; }
    // The string of an entry, the note's ID when it was added.
    [[nodiscard]] const std::string& EntryID(std::size_t index) const {
        return entries_[index].first;
    }

    // ID of the selected note; empty at first, "X" after a deselection.
    std::string Selected;

private:
    std::vector<std::pair<std::string, std::unique_ptr<TMidiNote>>> entries_;
};

} // namespace trx
