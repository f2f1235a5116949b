#pragma once

#include "cli/CliOptions.h"
#include "common/ConversionSettings.h"

#include <functional>
#include <span>
#include <string>

namespace trx {

// Loads a settings file into settings; returns empty on success, otherwise
// the text to show. Values read before a failure stay applied.
using SettingsLoader =
    std::function<std::string(const std::string& path, ConversionSettings& settings)>;

// The parsed command line, or the reason it is bad usage.
struct ParsedCommandLine {
    CliOptions Options;
    // Empty when the command line is usable.
    std::string UsageError;
};

// Parses the arguments after the program name, in order: an option given
// after --settings overrides the loaded value and vice versa. Out-of-range
// numbers, unknown options, missing values, no inputs and -o with several
// inputs are usage errors. --help and --version end the parse at once.
[[nodiscard]] ParsedCommandLine ParseCommandLine(std::span<const std::string> args,
                                                 const SettingsLoader& loadSettings);

// The settings loader of the program: the 40-byte settings file format.
[[nodiscard]] std::string LoadSettingsFile(const std::string& path, ConversionSettings& settings);

// Finds a key signature by its full name ("G major (1 sharp)") or by the
// part before the bracket ("G major"), ignoring case, or by its index
// "0".."29". Empty when nothing matches.
[[nodiscard]] std::optional<std::int32_t> FindKeySignature(const std::string& text);

// The --help text.
[[nodiscard]] std::string HelpText();

} // namespace trx
