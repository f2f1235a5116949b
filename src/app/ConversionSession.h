#pragma once

#include "analysis/AnalysisOptions.h"
#include "app/WorkingState.h"
#include "audio/OpenResult.h"
#include "beats/BeatGrid.h"
#include "common/ConversionSettings.h"
#include "common/ProgressReporter.h"
#include "engine/AccurateEngine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trx {

class AnalyserObserver;
class CodecList;
class OpenObserver;

// Seconds spent in each stage of ConvertFile, for the benchmark; opening
// includes building the kernels for the tuning.
struct StageTimes {
    double Open = 0.0;
    double Analyse = 0.0;
    double Filter = 0.0;
};

// One recording on its way from WAV file to MIDI file: the working state,
// the file names and what the commands need to know of the result. The
// stages stay free functions; the session runs them, in order, on its own
// state. The main window owns one; the command-line converter one per file.
// Paths are in the file system's encoding.
class ConversionSession {
public:
    ConversionSession();

    WorkingState State;
    std::string WavFileName;
    // Empty until the result was saved under a name.
    std::string MidiFileName;
    std::string SettingsFileName;
    // The result is saved, or there is none.
    bool Saved = true;
    // Temporary MIDI files written for playback; DeleteTempFiles removes them.
    std::vector<std::string> TempFiles;
    // The key signature chosen in the note editor (0..29); none until the
    // editor first selects one. Every save writes it.
    std::optional<std::int32_t> KeySelection;
    // The lowest note bin of the last analysis. The kernels follow the
    // tuning control, the maps follow the last analysis: saving and the note
    // list read this.
    std::int32_t AnalysedFirstNoteBin = 0;
    // What makes the note map from the analysed recording: the filtering
    // under the ten parameters, or the network.
    TranscriptionEngine Engine = TranscriptionEngine::Classic;

    // Rebuilds the note frequency table and kernels for a tuning offset
    // (cents, limited to -50..50; 0 is a factor of exactly 1.0).
    void SetTuning(std::int32_t cents);

    // Releases the open file; false with systemError set when the system
    // reported an error. WavFileName becomes empty either way.
    [[nodiscard]] bool CloseDataFile(int& systemError);
    // Frees the maps of the previous result: no slices, nothing analysed.
    void ReleaseResult();
    // The names of a newly chosen WAV file: no MIDI or settings file yet.
    void NameFiles(const std::string& wavPath);
    // Reads WavFileName into the working state; when it opened, the maps
    // are sized to its slices, every cell 0.
    [[nodiscard]] OpenResult ReadFile(CodecList& codecs, OpenObserver& observer);

    // Keeps the maps of WavFileName when it was analysed last (an aborted
    // second analysis leaves the first one's later slices), clears them
    // otherwise.
    void PrepareAnalysis();
    // Fills the amplitude map from slice 0 on until the end or until
    // progress says stop.
    void Analyse(ProgressReporter& progress, const AnalysisOptions& options = {});
    // Turns the analysed slices into the note map under settings. The result
    // then counts as unsaved.
    void Filter(const ConversionSettings& settings, ProgressReporter& progress,
                AnalyserObserver* analyser);
    // Makes the note map with the network from the samples; the result then
    // counts as unsaved. False when progress said stop. Throws when the
    // weights file is missing or damaged.
    [[nodiscard]] bool Transcribe(ProgressReporter& progress);
    // The beat grid of the analysed slices at the tracked tempo, or at
    // fixedBpm when positive; none when no beat was found.
    [[nodiscard]] std::optional<BeatGrid> FindBeatGrid(double fixedBpm = 0.0) const;
    // Writes the note map to path (atomically) with the key selection, on
    // grid when one is given (quantise 0, 8, 16 or 32); then the result is
    // saved under that name. Throws on failure.
    void SaveMidiFile(const std::string& path, std::int32_t minimumComponent,
                      const BeatGrid* grid = nullptr, int quantise = 0);

    // Deletes every temporary file from the disk; one already gone or not
    // deletable is left alone.
    void DeleteTempFiles();

    // The Convert command without a window: sets the tuning, opens wavPath,
    // analyses every slice and filters (or transcribes, by Engine); the
    // second stage follows the analysis in every outcome. Returns empty on
    // success, otherwise the text the window would show ("Invalid WAV file -
    // RIFF header not found", "... occured in FilterAnalysis"). An analysis stopped by progress and
    // a recording shorter than one slice are failures. On success the file
    // stays open, its samples in State.Sound, until CloseDataFile, the next
    // ConvertFile or the session's end; after a failure it is released.
    // analysisThreads: 0 for one per hardware thread; the result does not
    // depend on it.
    [[nodiscard]] std::string ConvertFile(const std::string& wavPath,
                                          const ConversionSettings& settings,
                                          ProgressReporter& progress,
                                          std::int32_t analysisThreads = 0,
                                          StageTimes* times = nullptr);
};

// Why a recording cannot be converted when it holds no whole slice.
[[nodiscard]] std::string TooShortMessage();

} // namespace trx
