#include "cli/CommandLineTool.h"

#include "app/ConversionSession.h"
#include "beats/BeatGrid.h"
#include "cli/CommandLineParser.h"
#include "cli/ConsoleReport.h"
#include "cli/FileProgress.h"
#include "cli/JobRunner.h"
#include "cli/NotesCsv.h"
#include "cli/NpyWriter.h"
#include "cli/OutputPlan.h"
#include "common/AtomicFile.h"
#include "common/Errors.h"
#include "common/Version.h"
#include "editor/KeyEstimate.h"
#include "notes/NoteList.h"
#include "tuning/TuningSearch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

namespace trx {
namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramName = "tremolundrix-cli";

// The key fit of the notes: the 30 percentages (none for no notes), the
// best key and the key the MIDI file was written with (null for none).
std::string FormatKeyJson(const std::optional<KeyEstimate>& estimate,
                          std::optional<std::int32_t> written) {
    std::string json = "{\"percentages\": ";
    if (estimate) {
        json += '[';
        for (std::size_t i = 0; i < estimate->Percentages.size(); ++i) {
            char number[32];
            std::snprintf(number, sizeof number, "%s%.9g", i == 0 ? "" : ", ",
                          static_cast<double>(estimate->Percentages[i]));
            json += number;
        }
        json += ']';
    } else {
        json += "null";
    }
    const auto index = [](std::optional<std::int32_t> value) {
        return value && *value >= 0 ? std::to_string(*value) : std::string("null");
    };
    json += ", \"best_index\": " +
            index(estimate ? std::optional<std::int32_t>(estimate->BestIndex) : std::nullopt);
    json += ", \"midi_key_index\": " + index(written) + "}\n";
    return json;
}

// The key EstimateKey selects for the session's notes; none for no notes.
std::optional<std::int32_t> EstimatedKey(const ConversionSession& session) {
    TMidiNotes notes;
    const WorkingState& state = session.State;
    CreateNoteList(state.NoteMap, state.NoteMapMaximum, session.AnalysedFirstNoteBin, notes);
    const std::optional<KeyEstimate> estimate = EstimateKey(notes);
    if (!estimate || estimate->BestIndex < 0)
        return std::nullopt;
    return estimate->BestIndex;
}

// One line per beat: its number, its time in seconds, its tempo.
std::string FormatBeatsCsv(const std::optional<BeatGrid>& grid) {
    std::string csv = "beat,time_s,bpm\n";
    if (!grid)
        return csv;
    std::size_t number = 0;
    for (const BeatGrid::Beat& beat : grid->Beats()) {
        char line[64];
        std::snprintf(line, sizeof line, "%zu,%.4f,%.3f\n", ++number, beat.Seconds, beat.Bpm);
        csv += line;
    }
    return csv;
}

// The search's answer for one input: "IN.wav: -27 cents from 40 single
// notes", or its message.
std::string TuningLine(const std::string& input, const TuningSearchResult& search) {
    if (!search.Succeeded())
        return input + ": " + search.Message;
    const std::int32_t cents = search.ProposedOffset;
    return input + ": " + (cents > 0 ? "+" : "") + std::to_string(cents) + " cents from " +
           std::to_string(search.UsedNotes()) + " single notes";
}

// The 101 totals of offsets -50..+50 and the proposal; both null, with the
// message, when the search found nothing.
std::string FormatTuningJson(const TuningSearchResult& search) {
    if (!search.Succeeded())
        return "{\"tuning_scores\": null, \"proposed_cents\": null, \"used_notes\": 0, "
               "\"message\": \"" +
               search.Message + "\"}\n";
    std::string json = "{\"tuning_scores\": [";
    for (std::size_t i = 0; i < search.TuningScores.size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%.9g", i == 0 ? "" : ", ",
                      static_cast<double>(search.TuningScores[i]));
        json += number;
    }
    json += "], \"proposed_cents\": " + std::to_string(search.ProposedOffset) +
            ", \"used_notes\": " + std::to_string(search.UsedNotes()) + "}\n";
    return json;
}

void WriteText(const fs::path& path, const std::string& text) {
    WriteFileAtomically(path.string(),
                        {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The maps and the note list of one run, next to its MIDI file, and the
// tuning search's totals when it ran. Returns empty or the failure text.
std::string ExportMaps(const ConversionSession& session, const std::string& folder,
                       const std::optional<BeatGrid>& grid,
                       const std::optional<TuningSearchResult>& tuning) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return "cannot create " + folder + ": " + error.message();
    const fs::path base(folder);
    try {
        const WorkingState& state = session.State;
        WriteNpyFile((base / "amplitude_map.npy").string(), state.AmplitudeMap);
        WriteNpyFile((base / "note_map.npy").string(), state.NoteMap);
        TMidiNotes notes;
        CreateNoteList(state.NoteMap, state.NoteMapMaximum, session.AnalysedFirstNoteBin, notes);
        WriteText(base / "notes.csv", FormatNotesCsv(notes));
        WriteText(base / "key.json", FormatKeyJson(EstimateKey(notes), session.KeySelection));
        WriteText(base / "beats.csv", FormatBeatsCsv(grid));
        if (tuning)
            WriteText(base / "tuning.json", FormatTuningJson(*tuning));
    } catch (const TremolundrixError& e) {
        return "cannot write " + e.FileName() + ": " + e.what();
    }
    return {};
}

// Threads for each file's transform: all hardware threads for one file at a
// time, a fair share of them when several files run at once.
std::int32_t AnalysisThreads(const CliOptions& options) {
    const auto jobs = static_cast<std::int32_t>(
        std::min<std::size_t>(static_cast<std::size_t>(options.Jobs), options.Inputs.size()));
    if (jobs <= 1)
        return 0;
    const auto hardware = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    return std::max<std::int32_t>(1, hardware / jobs);
}

// Converts one input as its plan says; with --find-tuning, tuningLine gets
// the search's answer. Returns empty or the failure text; notice gets what
// the user should know of a success.
std::string ConvertFile(const std::string& input, const OutputPlan& plan, const CliOptions& options,
                        ProgressReporter& progress, std::string& tuningLine, std::string& notice) {
    if (!plan.Refusal.empty())
        return plan.Refusal;
    ConversionSession session;
    session.Engine = options.Engine;
    if (std::string failure =
            session.ConvertFile(input, options.Settings, progress, AnalysisThreads(options));
        !failure.empty())
        return failure;
    std::optional<TuningSearchResult> tuning;
    if (options.FindTuning) {
        if (std::string failure =
                ReportFailure("FindOptimalTuning",
                              [&] {
                                  const WorkingState& state = session.State;
                                  tuning = FindOptimalTuning(state.NoteMap, state.NoteMapMaximum,
                                                             state.Sound.Buffer, progress,
                                                             AnalysisThreads(options));
                              });
            !failure.empty())
            return failure;
        if (!tuning->SingleNotesFailure.empty())
            return OccurredIn(tuning->SingleNotesFailure, "FindSingleNotes");
        tuningLine = TuningLine(input, *tuning);
    }
    session.KeySelection = options.AutoKey ? EstimatedKey(session) : options.KeyIndex;
    std::optional<BeatGrid> grid;
    if (options.Tempo || !plan.ExportDirectory.empty())
        grid = session.FindBeatGrid(options.Tempo.value_or(0.0));
    if (options.Tempo && !grid)
        notice = "no beat found, written without beat grid";
    if (!plan.MidiPath.empty()) {
        if (std::string failure = ReportFailure(
                "SaveMidiFile",
                [&] {
                    const bool onGrid = options.Tempo && grid;
                    session.SaveMidiFile(plan.MidiPath, options.Settings.MinimumComponent,
                                         onGrid ? &*grid : nullptr, options.Quantise);
                });
            !failure.empty())
            return failure;
    }
    if (!plan.ExportDirectory.empty())
        return ExportMaps(session, plan.ExportDirectory, grid, tuning);
    return {};
}

} // namespace

int RunCommandLine(std::span<const std::string> args, const ConsoleStreams& console) {
    const ParsedCommandLine parsed = ParseCommandLine(args, LoadSettingsFile);
    if (!parsed.UsageError.empty()) {
        console.Err << kProgramName << ": " << parsed.UsageError << "\nTry '" << kProgramName
                    << " --help' for more information.\n";
        return kExitUsage;
    }
    const CliOptions& options = parsed.Options;
    if (options.Request == CliOptions::Action::ShowHelp) {
        console.Out << HelpText();
        return kExitSuccess;
    }
    if (options.Request == CliOptions::Action::ShowVersion) {
        console.Out << kProgramName << ' ' << ProgramVersion() << '\n';
        return kExitSuccess;
    }

    if (!options.OutputDirectory.empty()) {
        std::error_code error;
        fs::create_directories(options.OutputDirectory, error);
        if (error) {
            console.Err << kProgramName << ": cannot create " << options.OutputDirectory << ": "
                        << error.message() << '\n';
            // Nothing was converted: bad usage, as a missing input is.
            return kExitUsage;
        }
    }

    const std::vector<OutputPlan> plans = PlanOutputs(options);
    ConsoleReport report(console.Err, console.ErrIsTerminal && !options.Quiet,
                         options.Inputs.size(), console.Columns);
    std::atomic<bool> anyFailed{false};
    RunJobs(options.Inputs.size(), options.Jobs, [&](std::size_t i) {
        const std::string& input = options.Inputs[i];
        FileProgress progress(report, i, fs::path(input).filename().string());
        std::string failure;
        std::string tuningLine;
        std::string notice;
        try {
            failure = ConvertFile(input, plans[i], options, progress, tuningLine, notice);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        if (!tuningLine.empty())
            report.Print(console.Out, tuningLine);
        if (!failure.empty()) {
            anyFailed = true;
            report.Finish(i, input + ": " + failure);
        } else {
            const bool written = !plans[i].MidiPath.empty();
            report.Finish(i, options.Quiet || !written
                                 ? std::string()
                                 : input + " -> " + plans[i].MidiPath +
                                       (notice.empty() ? "" : " (" + notice + ")"));
        }
    });
    report.Close();
    return anyFailed ? kExitFileFailed : kExitSuccess;
}

} // namespace trx
