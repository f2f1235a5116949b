#include "app/Conversion.h"

#include "analysis/AmplitudeMap.h"
#include "analysis/NoteKernels.h"
#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "audio/SoundFile.h"
#include "audio/WavReader.h"
#include "common/Constants.h"
#include "midi/MidiSave.h"
#include "notes/NoteFilter.h"

#include <chrono>
#include <exception>

namespace trx {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The window's report of an unexpected error in a routine.
std::string Occurred(const std::exception& error, const char* routine) {
    return std::string(error.what()) + " occured in " + routine;
}

// Releases the sound file whatever happens to the run.
class OpenSoundFile {
public:
    OpenSoundFile() = default;
    OpenSoundFile(const OpenSoundFile&) = delete;
    OpenSoundFile& operator=(const OpenSoundFile&) = delete;
    ~OpenSoundFile() {
        int ignored = 0;
        (void)CloseDataFile(file, ignored);
    }
    SoundFile file;
};

} // namespace

ConversionResult RunConversion(const std::string& wavPath, const ConversionSettings& settings,
                               ProgressReporter& progress, std::int32_t analysisThreads) {
    ConversionResult result;
    const Clock::time_point openStart = Clock::now();

    NoteKernels kernels;
    OpenSoundFile sound;
    try {
        // The kernels start at a tuning of 0 cents, where the factor is 1.
        if (settings.TuningCents != 0)
            kernels.CreateFrequencyMap(CentsRatio()[static_cast<std::size_t>(
                ClampToRange(settings.TuningCents, kTrackBarRanges[0]) + 50)]);
        result.FirstNoteBin = kernels.FirstNoteBin;

        CodecList codecs;
        OpenObserver observer;
        const OpenResult opened = ReadSoundFile(wavPath, sound.file, codecs, observer);
        if (!opened.Ok()) {
            result.FailureText = opened.Message;
            return result;
        }
    } catch (const std::exception& e) {
        result.FailureText = Occurred(e, "OpenSoundFile");
        return result;
    }

    const SampleBuffer& samples = sound.file.Buffer;
    result.SliceCount = samples.SliceCount;
    if (result.SliceCount <= 0) {
        result.FailureText = "The recording is shorter than one time slice (" +
                             std::to_string(kSliceLength) + " samples); nothing to convert";
        return result;
    }
    result.AmplitudeMap.Resize(result.SliceCount, kNoteBins);
    result.NoteMap.Resize(result.SliceCount, kNoteBins);
    result.LoudestComponents.Resize(result.SliceCount, kLoudestCount);
    result.OpenSeconds = SecondsSince(openStart);

    const Clock::time_point analyseStart = Clock::now();
    try {
        std::string analysedFileName;
        PrepareMapsForAnalysis(wavPath, analysedFileName, result.AmplitudeMap, result.NoteMap);
        AnalysisOptions options;
        options.Threads = analysisThreads;
        AnalyseWave(samples, kernels, result.AmplitudeMap, result.LastAnalysedSlice, progress,
                    options);
        if (result.LastAnalysedSlice != result.SliceCount - 1)
            result.FailureText = "The conversion was aborted";
    } catch (const std::exception& e) {
        result.FailureText = Occurred(e, "AnalyseWave");
    }
    result.AnalyseSeconds = SecondsSince(analyseStart);

    // As in the window, the filtering follows the analysis in every outcome.
    const Clock::time_point filterStart = Clock::now();
    try {
        FilterAnalysis(result.AmplitudeMap, result.LastAnalysedSlice, kernels, samples, settings,
                       result.NoteMap, result.LoudestComponents, result.NoteMapMaximum, progress,
                       nullptr);
    } catch (const std::exception& e) {
        if (result.FailureText.empty())
            result.FailureText = Occurred(e, "FilterAnalysis");
    }
    result.FilterSeconds = SecondsSince(filterStart);
    return result;
}

std::string SaveConversionAsMidi(const ConversionResult& result, const std::string& midiPath,
                                 const ConversionSettings& settings,
                                 std::optional<std::int32_t> keyIndex) {
    try {
        SaveNoteMapAsMidi(midiPath, result.NoteMap, result.NoteMapMaximum, result.FirstNoteBin,
                          settings.MinimumComponent, keyIndex.value_or(-1));
    } catch (const std::exception& e) {
        return Occurred(e, "SaveMidiFile");
    }
    return {};
}

} // namespace trx
