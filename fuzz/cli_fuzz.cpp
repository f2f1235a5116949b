// Feeds arbitrary command lines to the parser: the input is split at NUL
// bytes into arguments. A parse that is not bad usage must hold only values
// the converter accepts.

#include "cli/CommandLineParser.h"
#include "common/ConversionSettings.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMostArguments = 64;

// Stands for a settings file without touching the disk: "bad" fails, any
// other name applies a few values, as a loaded file would.
std::string FakeSettings(const std::string& path, trx::ConversionSettings& settings) {
    if (path == "bad")
        return "Read beyond end of file occured in LoadSettingClick";
    settings.TuningCents = 50;
    settings.Polyphony = 10;
    settings.PhaseAnalysis = !settings.PhaseAnalysis;
    return {};
}

bool InRange(std::int32_t value, std::size_t range) {
    return value >= trx::kTrackBarRanges[range].Minimum &&
           value <= trx::kTrackBarRanges[range].Maximum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(size > 0 ? 1 : 0);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (args.size() == kMostArguments)
                break;
            args.emplace_back();
        } else {
            args.back().push_back(static_cast<char>(data[i]));
        }
    }
    const trx::ParsedCommandLine parsed = trx::ParseCommandLine(args, FakeSettings);
    const trx::CliOptions& options = parsed.Options;
    if (!parsed.UsageError.empty() || options.Request != trx::CliOptions::Action::Convert)
        return 0;
    const trx::ConversionSettings& s = options.Settings;
    const bool usable = !options.Inputs.empty() && options.Jobs >= 1 && options.Jobs <= 64 &&
                        InRange(s.TuningCents, 0) && InRange(s.Polyphony, 1) &&
                        InRange(s.ChordThreshold, 2) && InRange(s.NeighbourThreshold, 3) &&
                        InRange(s.MinimumComponent, 4) && InRange(s.AmplitudeFluctuation, 5) &&
                        (!options.KeyIndex || (*options.KeyIndex >= 0 && *options.KeyIndex < 30)) &&
                        !(options.AutoKey && options.KeyIndex) &&
                        (options.OutputFile.empty() || options.OutputDirectory.empty()) &&
                        (options.OutputFile.empty() || options.Inputs.size() == 1);
    if (!usable)
        std::abort();
    return 0;
}
