#pragma once

#include <string>

namespace trx {

// The MIDI name proposed for a recording: the file name up to and including
// the dot where its extension's text first occurs in it, then "mid"
// ("song.wav" gives "song.mid"); a name without extension gets ".mid". The
// rule looks at the file name only, so a folder whose name holds the
// extension's text is kept as it is.
[[nodiscard]] std::string DefaultMidiName(const std::string& wavPath);

// The settings file proposed after a MIDI file was saved: the MIDI file name
// with its extension's text taken out where it first occurs in it, then
// ".trs" ("song.mid" gives "song.trs"), in the same folder.
[[nodiscard]] std::string ProposedSettingsName(const std::string& midiPath);

} // namespace trx
