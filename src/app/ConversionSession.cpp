#include "app/ConversionSession.h"

#include "analysis/AmplitudeMap.h"
#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "audio/WavReader.h"
#include "beats/BeatGridMidi.h"
#include "common/Constants.h"
#include "common/Errors.h"
#include "midi/MidiSave.h"
#include "notes/NoteFilter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace trx {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Releases the sound file of a run without a window unless the run
// succeeded.
class FileRelease {
public:
    explicit FileRelease(ConversionSession& session)
        : session_(session) {}
    FileRelease(const FileRelease&) = delete;
    FileRelease& operator=(const FileRelease&) = delete;
    ~FileRelease() {
        if (keep_)
            return;
        int ignored = 0;
        (void)session_.CloseDataFile(ignored);
    }
    void Keep() { keep_ = true; }

private:
    ConversionSession& session_;
    bool keep_ = false;
};

} // namespace

std::string TooShortMessage() {
    return "The recording is shorter than one time slice (" + std::to_string(kSliceLength) +
           " samples); nothing to convert";
}

ConversionSession::ConversionSession()
    : AnalysedFirstNoteBin(State.NoteKernels.FirstNoteBin) {}

void ConversionSession::SetTuning(std::int32_t cents) {
    const std::int32_t limited = ClampToRange(cents, kTrackBarRanges[0]);
    State.NoteKernels.CreateFrequencyMap(CentsRatio()[static_cast<std::size_t>(limited + 50)]);
}

bool ConversionSession::CloseDataFile(int& systemError) {
    const bool closed = trx::CloseDataFile(State.Sound, systemError);
    WavFileName.clear();
    return closed;
}

void ConversionSession::ReleaseResult() {
    State.ReleaseMaps();
    State.LastAnalysedSlice = 0;
}

void ConversionSession::NameFiles(const std::string& wavPath) {
    WavFileName = wavPath;
    MidiFileName.clear();
    SettingsFileName.clear();
}

OpenResult ConversionSession::ReadFile(CodecList& codecs, OpenObserver& observer) {
    const OpenResult opened = ReadSoundFile(WavFileName, State.Sound, codecs, observer);
    if (opened.Ok())
        State.SizeMaps(State.SliceCount());
    return opened;
}

void ConversionSession::PrepareAnalysis() {
    PrepareMapsForAnalysis(WavFileName, State.AnalysedFileName, State.AmplitudeMap, State.NoteMap);
}

void ConversionSession::Analyse(ProgressReporter& progress, const AnalysisOptions& options) {
    State.LastAnalysedSlice = 0;
    AnalysedFirstNoteBin = State.NoteKernels.FirstNoteBin;
    AnalyseWave(State.Sound.Buffer, State.NoteKernels, State.AmplitudeMap, State.LastAnalysedSlice,
                progress, options);
}

void ConversionSession::Filter(const ConversionSettings& settings, ProgressReporter& progress,
                               AnalyserObserver* analyser) {
    FilterAnalysis(State.AmplitudeMap, State.LastAnalysedSlice, State.NoteKernels,
                   State.Sound.Buffer, settings, State.NoteMap, State.LoudestComponents,
                   State.NoteMapMaximum, progress, analyser);
    Saved = false;
}

bool ConversionSession::Transcribe(ProgressReporter& progress) {
    const bool finished = TranscribeAccurately(State.Sound.Buffer, InstalledNetworkModel(),
                                               State.NoteMap, State.NoteMapMaximum, progress);
    State.LoudestComponents.Resize(State.NoteMap.Rows(), kLoudestCount);
    Saved = false;
    return finished;
}

std::optional<BeatGrid> ConversionSession::FindBeatGrid(double fixedBpm) const {
    return trx::FindBeatGrid(State.AmplitudeMap, AnalysedFirstNoteBin,
                             std::min(State.AmplitudeMap.Rows(), State.LastAnalysedSlice + 1),
                             fixedBpm);
}

void ConversionSession::SaveMidiFile(const std::string& path, std::int32_t minimumComponent,
                                     const BeatGrid* grid, int quantise) {
    if (grid != nullptr) {
        SaveNoteMapOnBeatGrid(path, State.NoteMap, State.NoteMapMaximum, AnalysedFirstNoteBin,
                              minimumComponent, KeySelection.value_or(-1), *grid, quantise);
    } else {
        SaveNoteMapAsMidi(path, State.NoteMap, State.NoteMapMaximum, AnalysedFirstNoteBin,
                          minimumComponent, KeySelection.value_or(-1));
    }
    Saved = true;
    MidiFileName = path;
}

void ConversionSession::DeleteTempFiles() {
    while (!TempFiles.empty()) {
        (void)std::remove(TempFiles.front().c_str());
        TempFiles.erase(TempFiles.begin());
    }
}

std::string ConversionSession::ConvertFile(const std::string& wavPath,
                                           const ConversionSettings& settings,
                                           ProgressReporter& progress, std::int32_t analysisThreads,
                                           StageTimes* times) {
    StageTimes spent;
    const Clock::time_point openStart = Clock::now();
    FileRelease release(*this);
    OpenResult opened;
    std::string failure = ReportFailure("OpenSoundFile", [&] {
        // The kernels start at a tuning of 0 cents, where the factor is 1.
        if (settings.TuningCents != 0)
            SetTuning(settings.TuningCents);
        CodecList codecs;
        OpenObserver observer;
        ReleaseResult();
        NameFiles(wavPath);
        opened = ReadFile(codecs, observer);
    });
    if (failure.empty() && !opened.Ok())
        failure = opened.Message;
    if (failure.empty() && State.SliceCount() <= 0)
        failure = TooShortMessage();
    if (!failure.empty())
        return failure;
    spent.Open = SecondsSince(openStart);

    const Clock::time_point analyseStart = Clock::now();
    failure = ReportFailure("AnalyseWave", [&] {
        PrepareAnalysis();
        AnalysisOptions options;
        options.Threads = analysisThreads;
        Analyse(progress, options);
    });
    if (failure.empty() && State.LastAnalysedSlice != State.SliceCount() - 1)
        failure = "The conversion was aborted";
    spent.Analyse = SecondsSince(analyseStart);

    // As in the window, the filtering follows the analysis in every outcome.
    const Clock::time_point filterStart = Clock::now();
    std::string filtered;
    if (Engine == TranscriptionEngine::Accurate) {
        bool finished = true;
        filtered = ReportFailure("AccurateEngine", [&] { finished = Transcribe(progress); });
        if (filtered.empty() && !finished)
            filtered = "The conversion was aborted";
    } else {
        filtered = ReportFailure("FilterAnalysis", [&] { Filter(settings, progress, nullptr); });
    }
    if (failure.empty())
        failure = std::move(filtered);
    spent.Filter = SecondsSince(filterStart);
    if (times != nullptr)
        *times = spent;
    // The samples stay for work on the result, as in the window.
    if (failure.empty())
        release.Keep();
    return failure;
}

} // namespace trx
