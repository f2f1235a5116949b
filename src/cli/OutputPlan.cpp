#include "cli/OutputPlan.h"

#include "app/FileNames.h"

#include <filesystem>
#include <system_error>

namespace trx {
namespace fs = std::filesystem;

namespace {

// The names of the files --export-maps writes into its folder.
constexpr const char* kExportFiles[] = {"amplitude_map.npy", "note_map.npy", "notes.csv",
                                        "key.json", "tuning.json"};

fs::path Resolved(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error)
        resolved = fs::absolute(path, error).lexically_normal();
    return resolved;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    if (Resolved(a) == Resolved(b))
        return true;
    // Hard links to one file.
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

} // namespace

std::vector<OutputPlan> PlanOutputs(const CliOptions& options) {
    std::vector<OutputPlan> plans;
    plans.reserve(options.Inputs.size());
    for (const std::string& input : options.Inputs) {
        OutputPlan plan;
        if (!options.OutputFile.empty())
            plan.MidiPath = options.OutputFile;
        else if (!options.OutputDirectory.empty())
            plan.MidiPath =
                (fs::path(options.OutputDirectory) / fs::path(DefaultMidiName(input)).filename())
                    .string();
        else if (!options.FindTuning)
            plan.MidiPath = DefaultMidiName(input);

        if (!options.ExportDirectory.empty()) {
            const fs::path named = plan.MidiPath.empty() ? DefaultMidiName(input) : plan.MidiPath;
            plan.ExportDirectory =
                options.Inputs.size() == 1
                    ? options.ExportDirectory
                    : (fs::path(options.ExportDirectory) / named.stem()).string();
        }

        std::vector<fs::path> written;
        if (!plan.MidiPath.empty())
            written.push_back(plan.MidiPath);
        if (!plan.ExportDirectory.empty())
            for (const char* file : kExportFiles)
                written.push_back(fs::path(plan.ExportDirectory) / file);

        for (const fs::path& output : written) {
            if (!plan.Refusal.empty())
                break;
            for (const std::string& other : options.Inputs) {
                if (SameFile(output, other)) {
                    plan.Refusal = "refusing to overwrite the input file " + other + " with " +
                                   output.string();
                    break;
                }
            }
        }
        for (std::size_t earlier = 0; earlier < plans.size() && plan.Refusal.empty(); ++earlier) {
            const OutputPlan& before = plans[earlier];
            if (!plan.MidiPath.empty() && SameFile(plan.MidiPath, before.MidiPath))
                plan.Refusal = "the output file " + plan.MidiPath + " is already the output of " +
                               options.Inputs[earlier];
            else if (!plan.ExportDirectory.empty() &&
                     SameFile(plan.ExportDirectory, before.ExportDirectory))
                plan.Refusal = "the map folder " + plan.ExportDirectory + " is already used for " +
                               options.Inputs[earlier];
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

} // namespace trx
