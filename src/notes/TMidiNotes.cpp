#include "notes/TMidiNotes.h"

#include <algorithm>

namespace trx {

TMidiNotes::~TMidiNotes() {
    Clear();
}

TMidiNote& TMidiNotes::Add(std::unique_ptr<TMidiNote> note) {
    note->owner_ = this;
    std::string id = note->ID;
    entries_.emplace_back(std::move(id), std::move(note));
    return *entries_.back().second;
}

void TMidiNotes::Clear() {
    entries_.clear();
}

TMidiNote* TMidiNotes::FindNote(std::int16_t note, std::int32_t slice) const {
    for (const auto& entry : entries_) {
        const TMidiNote& candidate = *entry.second;
        if (candidate.Note == note && candidate.Start <= slice &&
            std::int64_t{slice} <= std::int64_t{candidate.Start} + candidate.Length)
            return entry.second.get();
    }
    return nullptr;
}

TMidiNote* TMidiNotes::GetSelected() const {
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [this](const auto& e) { return e.first == Selected; });
    return entry == entries_.end() ? nullptr : entry->second.get();
}

void TMidiNotes::DeleteNote(const std::string& id) {
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [&id](const auto& e) { return e.first == id; });
    if (entry != entries_.end())
        entries_.erase(entry);
}

void TMidiNotes::SetVisibleRange(std::int32_t fromSlice, std::int32_t toSlice) {
    for (auto& entry : entries_) {
        TMidiNote& note = *entry.second;
        note.Visible = std::int64_t{note.Start} >= std::int64_t{fromSlice} - note.Length &&
                       note.Start <= toSlice;
    }
}

} // namespace trx
