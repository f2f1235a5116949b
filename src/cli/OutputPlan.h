#pragma once

#include "cli/CliOptions.h"

#include <string>
#include <vector>

namespace trx {

// Where one input's results go, or why it must not be converted.
struct OutputPlan {
    // Empty when no MIDI file is written (--find-tuning without -o or -d).
    std::string MidiPath;
    // Folder for the exported maps and note list; empty when not asked for.
    std::string ExportDirectory;
    // Non-empty when writing the outputs would overwrite an input or an
    // earlier input's outputs; the input is then not converted.
    std::string Refusal;
};

// One plan per input of options, in input order. With several inputs and
// --export-maps, each input's files go to a subfolder named after its MIDI
// file. Paths are compared after resolving links and "..", so another
// spelling of an input is still that input.
[[nodiscard]] std::vector<OutputPlan> PlanOutputs(const CliOptions& options);

} // namespace trx
