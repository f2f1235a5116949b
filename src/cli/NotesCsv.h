#pragma once

#include "notes/TMidiNotes.h"

#include <string>

namespace trx {

// The note list as CSV: the header line
// "id,note_bin,midi_key,start_slice,length,velocity", then one line per note
// in list order. length counts the slices after the first, as the list
// does (0 for a note of one slice); the MIDI key is the bin + 9.
[[nodiscard]] std::string FormatNotesCsv(const TMidiNotes& notes);

} // namespace trx
