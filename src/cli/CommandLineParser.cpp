#include "cli/CommandLineParser.h"

#include "common/Errors.h"

#include "app/SettingsFile.h"
#include "midi/KeySignatures.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <exception>
#include <optional>
#include <string_view>

namespace trx {
namespace {

constexpr std::int32_t kMaximumJobs = 64;

// One of the six track-bar parameters: its option and its field.
struct NumberOption {
    std::string_view Name;
    std::size_t RangeIndex;
    std::int32_t ConversionSettings::*Field;
};

const NumberOption* FindNumberOption(std::string_view name) {
    static const NumberOption options[] = {
        {"--tuning", 0, &ConversionSettings::TuningCents},
        {"--polyphony", 1, &ConversionSettings::Polyphony},
        {"--chord", 2, &ConversionSettings::ChordThreshold},
        {"--neighbour", 3, &ConversionSettings::NeighbourThreshold},
        {"--minimum", 4, &ConversionSettings::MinimumComponent},
        {"--fluctuation", 5, &ConversionSettings::AmplitudeFluctuation},
    };
    for (const NumberOption& option : options)
        if (option.Name == name)
            return &option;
    return nullptr;
}

// A check box: --name switches it on, --no-name off.
struct SwitchOption {
    std::string_view Name;
    bool ConversionSettings::*Field;
};

const SwitchOption* FindSwitchOption(std::string_view name) {
    static const SwitchOption options[] = {
        {"phase", &ConversionSettings::PhaseAnalysis},
        {"spike", &ConversionSettings::SpikeRemoval},
        {"loud-start", &ConversionSettings::LoudStart},
    };
    for (const SwitchOption& option : options)
        if (option.Name == name)
            return &option;
    return nullptr;
}

// A whole decimal number with an optional sign and nothing else.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        // "+-5": one sign only.
        if (text.starts_with('-'))
            return std::nullopt;
    }
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::string RangeError(std::string_view option, std::int32_t minimum, std::int32_t maximum,
                       const std::string& value) {
    return std::string(option) + " must be a whole number from " + std::to_string(minimum) +
           " to " + std::to_string(maximum) + ", not \"" + value + "\"";
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

} // namespace

namespace {

bool IsAuto(std::string_view text) {
    constexpr std::string_view kAuto = "auto";
    return text.size() == kAuto.size() &&
           std::equal(text.begin(), text.end(), kAuto.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

// auto as 0, or beats per minute in 40..240.
std::optional<double> ParseTempo(const std::string& text) {
    if (IsAuto(text))
        return 0.0;
    double bpm = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, bpm);
    if (text.empty() || error != std::errc() || stop != end || !(bpm >= 40.0 && bpm <= 240.0))
        return std::nullopt;
    return bpm;
}

// 1/8, 1/16 or 1/32 as 8, 16, 32; 0 for anything else.
std::int32_t ParseQuantise(std::string_view text) {
    for (const std::int32_t value : {8, 16, 32})
        if (text == "1/" + std::to_string(value))
            return value;
    return 0;
}

} // namespace

std::optional<std::int32_t> FindKeySignature(const std::string& text) {
    const auto& names = KeySignatureNames();
    const auto count = static_cast<std::int32_t>(std::size(names));
    if (const auto index = ParseInteger(text))
        return *index >= 0 && *index < count ? index : std::nullopt;
    const std::string wanted = Lowered(text);
    for (std::int32_t k = 0; k < count; ++k) {
        const std::string name = Lowered(names[static_cast<std::size_t>(k)]);
        if (name == wanted || name.substr(0, name.find(" (")) == wanted)
            return k;
    }
    return std::nullopt;
}

std::string LoadSettingsFile(const std::string& path, ConversionSettings& settings) {
    return ReportFailure("LoadSettingClick", [&] { ReadSettingsFile(path, settings); });
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args,
                                   const SettingsLoader& loadSettings) {
    ParsedCommandLine parsed;
    CliOptions& options = parsed.Options;
    bool onlyInputs = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyInputs || arg.size() < 2 || arg.front() != '-') {
            options.Inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyInputs = true;
            continue;
        }

        std::string name = arg;
        std::optional<std::string> attached;
        if (arg.starts_with("--")) {
            if (const auto equals = arg.find('='); equals != std::string::npos) {
                name = arg.substr(0, equals);
                attached = arg.substr(equals + 1);
            }
        }
        // The option's value: attached with '=' or the next argument, which
        // may start with '-' (a negative tuning).
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (attached)
                return attached;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        const auto fail = [&](std::string message) {
            parsed.UsageError = std::move(message);
            return parsed;
        };

        if (name == "-h" || name == "--help") {
            options.Request = CliOptions::Action::ShowHelp;
            return parsed;
        }
        if (name == "--version") {
            options.Request = CliOptions::Action::ShowVersion;
            return parsed;
        }

        const std::string_view view(name);
        const SwitchOption* switchOn =
            view.starts_with("--") ? FindSwitchOption(view.substr(2)) : nullptr;
        const SwitchOption* switchOff =
            view.starts_with("--no-") ? FindSwitchOption(view.substr(5)) : nullptr;
        const bool quiet = name == "-q" || name == "--quiet";
        const bool findTuning = name == "--find-tuning";
        if ((switchOn != nullptr || switchOff != nullptr || quiet || findTuning) && attached)
            return fail(name + " takes no value");

        if (quiet) {
            options.Quiet = true;
        } else if (findTuning) {
            options.FindTuning = true;
        } else if (switchOn != nullptr) {
            options.Settings.*(switchOn->Field) = true;
        } else if (switchOff != nullptr) {
            options.Settings.*(switchOff->Field) = false;
        } else if (const NumberOption* number = FindNumberOption(name)) {
            const auto value = takeValue();
            if (!value)
                return fail(name + " needs a value");
            const SettingRange& range = kTrackBarRanges[number->RangeIndex];
            const auto parsedValue = ParseInteger(*value);
            if (!parsedValue || *parsedValue < range.Minimum || *parsedValue > range.Maximum)
                return fail(RangeError(name, range.Minimum, range.Maximum, *value));
            options.Settings.*(number->Field) = *parsedValue;
        } else if (name == "--settings") {
            const auto value = takeValue();
            if (!value)
                return fail(name + " needs a value");
            if (std::string failure = loadSettings(*value, options.Settings); !failure.empty())
                return fail(*value + ": " + failure);
        } else if (name == "--key") {
            const auto value = takeValue();
            if (!value)
                return fail(name + " needs a value");
            options.AutoKey = IsAuto(*value);
            options.KeyIndex = options.AutoKey ? std::nullopt : FindKeySignature(*value);
            if (!options.AutoKey && !options.KeyIndex)
                return fail("--key must be a key signature name such as \"G major\", an "
                            "index from 0 to 29 or auto, not \"" +
                            *value + "\"");
        } else if (name == "--tempo" || name == "--quantise") {
            const auto value = takeValue();
            if (!value)
                return fail(name + " needs a value");
            if (name == "--quantise") {
                options.Quantise = ParseQuantise(*value);
                if (options.Quantise == 0)
                    return fail("--quantise must be 1/8, 1/16 or 1/32, not \"" + *value + "\"");
                options.Tempo = options.Tempo.value_or(0.0);
            } else {
                options.Tempo = ParseTempo(*value);
                if (!options.Tempo)
                    return fail("--tempo must be auto or beats per minute from 40 to 240, not \"" +
                                *value + "\"");
            }
        } else if (name == "--engine") {
            const auto value = takeValue();
            if (!value)
                return fail(name + " needs a value");
            if (*value != "classic" && *value != "accurate")
                return fail("--engine must be classic or accurate, not \"" + *value + "\"");
            options.Engine =
                *value == "accurate" ? TranscriptionEngine::Accurate : TranscriptionEngine::Classic;
        } else if (name == "-j" || name == "--jobs") {
            const auto value = takeValue();
            if (!value)
                return fail(name + " needs a value");
            const auto jobs = ParseInteger(*value);
            if (!jobs || *jobs < 1 || *jobs > kMaximumJobs)
                return fail(RangeError(name, 1, kMaximumJobs, *value));
            options.Jobs = *jobs;
        } else if (name == "-o" || name == "--output" || name == "-d" || name == "--output-dir" ||
                   name == "--export-maps") {
            const auto value = takeValue();
            if (!value || value->empty())
                return fail(name + " needs a value");
            std::string& target = (name == "-o" || name == "--output") ? options.OutputFile
                                  : name == "--export-maps"            ? options.ExportDirectory
                                                                       : options.OutputDirectory;
            target = *value;
        } else {
            return fail("unknown option " + name);
        }
    }

    if (options.Inputs.empty())
        parsed.UsageError = "no input files";
    else if (!options.OutputFile.empty() && !options.OutputDirectory.empty())
        parsed.UsageError = "-o and -d cannot be used together";
    else if (!options.OutputFile.empty() && options.Inputs.size() > 1)
        parsed.UsageError =
            "-o needs exactly one input file, not " + std::to_string(options.Inputs.size());
    return parsed;
}

std::string HelpText() {
    return R"(Usage: tremolundrix-cli [options] IN.wav...

Converts WAV recordings to Standard MIDI Files. Each IN.wav is written as
IN.mid in the same folder unless -o or -d says otherwise.

Output:
  -o, --output FILE      MIDI file for the one input
  -d, --output-dir DIR   folder for the MIDI files of all inputs
      --export-maps DIR  also write amplitude_map.npy, note_map.npy,
                         notes.csv, key.json and beats.csv (one
                         subfolder per input when several), and
                         tuning.json with --find-tuning
      --tempo auto|BPM   put the beats on quarter notes: 480 ticks a quarter,
                         the tracked tempo (auto) or BPM (40..240) as
                         set-tempo events, one tempo or a tempo map
      --quantise 1/8|1/16|1/32  also snap note starts and lengths to that
                         grid (implies --tempo auto unless given)
      --key NAME|INDEX|auto  key signature, e.g. "G major", "A minor" or
                         0..29; auto: the key that fits the notes best
                         (default: none)

Engine:
      --engine classic|accurate  what makes the notes: the filtering under
                         the parameters below (classic, the default) or the
                         trained network (accurate), which ignores them

Conversion parameters (range, default):
      --tuning CENTS     tuning offset, -50..50 (0)
      --polyphony N      notes per time slice, 1..10 (5; 10 means any)
      --chord PCT        minimum chord component, 0..100 (30)
      --neighbour PCT    neighbouring notes threshold, 0..100 (80)
      --minimum PCT      overall minimum component, 0..100 (15)
      --fluctuation PCT  amplitude fluctuation, 0..100 (30)
      --phase, --no-phase            phase analysis (off)
      --spike, --no-spike            single sample noise removal (on)
      --loud-start, --no-loud-start  notes start loudest (on)
      --settings FILE.trs  load the parameters from a settings file; options
                           after it override it, options before it are
                           overridden

Tuning:
      --find-tuning      find the tuning that fits the converted notes best
                         and print it on standard output, also with -q:
                         "IN.wav: -27 cents from 40 single notes"; writes no
                         MIDI file unless -o or -d is given

Other:
  -j, --jobs N           convert N files at the same time, 1..64 (1)
  -q, --quiet            print nothing but errors
  -h, --help             show this help
      --version          show the version

Exit status: 0 when every file was converted, 1 when any file failed (the
others are still converted), 2 for bad usage or a -d folder that cannot be
created (nothing is converted then).
)";
}

} // namespace trx
