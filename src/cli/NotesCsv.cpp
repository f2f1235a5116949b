#include "cli/NotesCsv.h"

#include "common/Constants.h"

namespace trx {

std::string FormatNotesCsv(const TMidiNotes& notes) {
    std::string csv = "id,note_bin,midi_key,start_slice,length,velocity\n";
    for (std::size_t i = 0; i < notes.Count(); ++i) {
        const TMidiNote& note = notes[i];
        csv += note.ID;
        for (const std::int32_t value :
             {static_cast<std::int32_t>(note.Note), note.Note + kFirstMidiKey, note.Start,
              note.Length, static_cast<std::int32_t>(note.Velocity)}) {
            csv += ',';
            csv += std::to_string(value);
        }
        csv += '\n';
    }
    return csv;
}

} // namespace trx
