#pragma once

#include "common/ConversionSettings.h"
#include "engine/AccurateEngine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trx {

// Everything the command line asks for, after parsing and validation.
struct CliOptions {
    enum class Action { Convert, ShowHelp, ShowVersion };

    Action Request = Action::Convert;
    // DrawSpectrum is a window matter and is never read here.
    ConversionSettings Settings;
    // Index 0..29 into KeySignatureNames for the key signature event; none
    // writes the empty key signature, as the window does before its editor
    // has been opened.
    std::optional<std::int32_t> KeyIndex;
    // --key auto: the key EstimateKey selects for the converted notes.
    bool AutoKey = false;
    // --tempo: a MIDI file on a beat grid; 0 for the tracked tempo, else
    // that tempo in beats per minute. None writes the plain file.
    std::optional<double> Tempo;
    // --quantise: the note value (8, 16, 32) the grid snaps notes to; 0 none.
    std::int32_t Quantise = 0;
    std::vector<std::string> Inputs;
    // -o: the MIDI file for the one input.
    std::string OutputFile;
    // -d: the folder that receives every MIDI file.
    std::string OutputDirectory;
    // --export-maps: where the maps and the note list go; empty for none.
    std::string ExportDirectory;
    // --find-tuning: the tuning search on each converted recording; no MIDI
    // file unless -o or -d asks for one.
    bool FindTuning = false;
    // --engine: what makes the note map.
    TranscriptionEngine Engine = TranscriptionEngine::Classic;
    // Files converted at the same time.
    std::int32_t Jobs = 1;
    bool Quiet = false;
};

} // namespace trx
