#include "notes/NoteFilter.h"

#include "analysis/PhaseBinning.h"
#include "analysis/SliceSamples.h"
#include "notes/MapPasses.h"
#include "notes/SliceSelection.h"

#include <algorithm>
#include <array>

namespace trx {
namespace {

void SelectSliceNotes(const FloatMatrix& amplitudeMap, std::int32_t b,
                      std::int32_t lastAnalysedSlice, const NoteKernels& kernels,
                      const SampleBuffer& samples, const ConversionSettings& settings,
                      FloatMatrix& noteMap, FloatMatrix& loudestComponents,
                      ProgressReporter& progress, AnalyserObserver* analyser,
                      std::array<float, kSliceLength>& window) {
    if (b % 10 == 9)
        progress.SetProgress(static_cast<double>(b) / lastAnalysedSlice);

    std::array<float, kNoteBins> row;
    const auto source = amplitudeMap.Row(b);
    std::copy(source.begin(), source.end(), row.begin());
    const std::int32_t first = kernels.FirstNoteBin;
    const float maximum = SliceMaximum(row, first);
    if (analyser != nullptr)
        analyser->DrawAnalyser(row, AnalyserPass::Raw);

    RemoveSpread(row, first, settings.AmplitudeFluctuation);
    SuppressNeighbours(row, first, settings.NeighbourThreshold);
    ApplyChordThreshold(row, first, settings.ChordThreshold, maximum);
    if (settings.PhaseAnalysis) {
        GetSliceSamples(samples, b, window);
        PerformPhaseBinning(window, row, kernels, settings.NeighbourThreshold);
    }
    const LoudestRow loudest(loudestComponents.Row(b).data(), kLoudestCount);
    RankLoudest(row, first, loudest);
    LimitPolyphony(row, loudest, settings.Polyphony);

    std::copy(row.begin(), row.end(), noteMap.Row(b).begin());
    if (analyser != nullptr)
        analyser->DrawAnalyser(row, AnalyserPass::Kept);
}

} // namespace

void FilterAnalysis(const FloatMatrix& amplitudeMap, std::int32_t lastAnalysedSlice,
                    const NoteKernels& kernels, const SampleBuffer& samples,
                    const ConversionSettings& settings, FloatMatrix& noteMap,
                    FloatMatrix& loudestComponents, float& noteMapMaximum,
                    ProgressReporter& progress, AnalyserObserver* analyser) {
    const std::int32_t sliceCount = amplitudeMap.Rows();
    if (noteMap.Rows() != sliceCount || noteMap.Cols() != kNoteBins)
        noteMap.Resize(sliceCount, kNoteBins);
    if (loudestComponents.Rows() != sliceCount || loudestComponents.Cols() != kLoudestCount)
        loudestComponents.Resize(sliceCount, kLoudestCount);

    progress.SetStatusText("Filtering midi sections");
    // Phase binning reads the samples; never past the slices they hold.
    std::int32_t lastSlice = std::min(lastAnalysedSlice, sliceCount - 1);
    if (settings.PhaseAnalysis)
        lastSlice = std::min(lastSlice, samples.SliceCount - 1);
    std::array<float, kSliceLength> window{};
    for (std::int32_t b = 0; b <= lastSlice; ++b)
        SelectSliceNotes(amplitudeMap, b, lastAnalysedSlice, kernels, samples, settings, noteMap,
                         loudestComponents, progress, analyser, window);

    RunMapPasses(noteMap, kernels.FirstNoteBin, settings, noteMapMaximum);
}

} // namespace trx
