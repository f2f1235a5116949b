#include "analysis/AmplitudeMap.h"

#include "analysis/AlignedAllocator.h"
#include "analysis/SliceSamples.h"
#include "analysis/SliceTransform.h"
#include "analysis/WorkerPool.h"
#include "common/Errors.h"

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

namespace trx {

namespace {

constexpr std::int32_t kCheckpointInterval = 10;
constexpr std::int32_t kMaxThreads = 64;
// Vectors of 4 bins whose kernels (128 KB each) one work item streams; four
// stay in a 1 MB second-level cache beside the windows while the item's
// neighbours reuse them.
constexpr std::int32_t kVectorsPerChunk = 4;

[[nodiscard]] bool IsCheckpoint(std::int32_t slice) {
    return slice % kCheckpointInterval == kCheckpointInterval - 1;
}

[[nodiscard]] std::int32_t NextCheckpointAfter(std::int32_t slice) {
    std::int32_t next = slice - slice % kCheckpointInterval + kCheckpointInterval - 1;
    return next > slice ? next : next + kCheckpointInterval;
}

[[nodiscard]] std::int32_t ThreadCount(const AnalysisOptions& options) {
    std::int32_t threads = options.Threads;
    if (threads <= 0)
        threads = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    return std::clamp(threads, 1, kMaxThreads);
}

} // namespace

void PrepareMapsForAnalysis(const std::string& wavFileName, std::string& analysedFileName,
                            FloatMatrix& amplitudeMap, FloatMatrix& noteMap) {
    if (wavFileName == analysedFileName)
        return;
    amplitudeMap.Fill(0.0f);
    noteMap.Fill(0.0f);
    analysedFileName = wavFileName;
}

void AnalyseWave(const SampleBuffer& samples, const NoteKernels& kernels, FloatMatrix& amplitudeMap,
                 std::int32_t& lastAnalysedSlice, ProgressReporter& progress) {
    AnalyseWave(samples, kernels, amplitudeMap, lastAnalysedSlice, progress, AnalysisOptions{});
}

void AnalyseWave(const SampleBuffer& samples, const NoteKernels& kernels, FloatMatrix& amplitudeMap,
                 std::int32_t& lastAnalysedSlice, ProgressReporter& progress,
                 const AnalysisOptions& options) {
    const std::int32_t sliceCount = samples.SliceCount;
    if (sliceCount > 0 && (amplitudeMap.Cols() != kNoteBins || amplitudeMap.Rows() < sliceCount))
        throw TremolundrixError("The amplitude map does not match the sample data");

    lastAnalysedSlice = 0;
    progress.SetStatusText("Analysing waveform");
    if (sliceCount <= 0)
        return;

    // Slices are computed a few checkpoint intervals at a time (a batch) so
    // that every kernel load serves several slices and all threads have
    // work. Rows reach the map only in slice order between the checkpoints,
    // so progress, abort and the map behave as if each slice were computed
    // just before it is stored: after an abort at slice s, rows s and later
    // are untouched.
    const TransformPath path = ResolveTransformPath(options.Path);
    WorkerPool pool(ThreadCount(options));
    const std::int32_t batchIntervals = std::max(3, (3 * pool.Threads() + 1) / 2);
    const std::int32_t batchSlots = (batchIntervals * kCheckpointInterval + kTransformSlices - 1) /
                                    kTransformSlices * kTransformSlices;

    constexpr auto kLength = static_cast<std::size_t>(kSliceLength);
    std::vector<float> sampleWindows(static_cast<std::size_t>(batchSlots) * kLength, 0.0f);
    std::vector<double, AlignedAllocator<double, 64>> windows(sampleWindows.size(), 0.0);
    std::vector<float> rows(static_cast<std::size_t>(batchSlots) * kNoteBins, 0.0f);

    const std::int32_t firstBin = kernels.TransformFirstBin();
    const std::int32_t vectors = kernels.TransformVectors();
    const std::int32_t chunks = (vectors + kVectorsPerChunk - 1) / kVectorsPerChunk;

    std::int32_t batchFirst = 0;
    std::int32_t groups = 0;
    auto readWindow = [&](std::int32_t slot) {
        const auto offset = static_cast<std::size_t>(slot) * kLength;
        const std::span<float, kSliceLength> window(sampleWindows.data() + offset, kLength);
        GetSliceSamples(samples, batchFirst + slot, window);
        std::copy(window.begin(), window.end(),
                  windows.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    // Items run chunk by chunk, so threads taking neighbouring items share
    // the kernels of one chunk while it is cached.
    auto transform = [&](std::int32_t item) {
        const std::int32_t chunk = item / groups;
        const std::int32_t group = item % groups;
        const std::int32_t vectorBegin = chunk * kVectorsPerChunk;
        const std::int32_t vectorEnd = std::min(vectors, vectorBegin + kVectorsPerChunk);
        std::array<const double*, kTransformSlices> groupWindows{};
        std::array<float*, kTransformSlices> groupRows{};
        for (std::int32_t s = 0; s < kTransformSlices; ++s) {
            const auto slot = static_cast<std::size_t>(group * kTransformSlices + s);
            groupWindows[static_cast<std::size_t>(s)] = windows.data() + slot * kLength;
            groupRows[static_cast<std::size_t>(s)] = rows.data() + slot * kNoteBins;
        }
        TransformSliceGroup(path, kernels, vectorBegin, vectorEnd, groupWindows, groupRows);
    };
    auto checkpoint = [&](std::int32_t slice) {
        progress.SetProgress(static_cast<double>(slice) / sliceCount);
        return progress.ContinueWork();
    };

    std::int32_t slice = 0;
    while (slice < sliceCount) {
        const std::int32_t end = std::min(
            sliceCount, NextCheckpointAfter(slice) + (batchIntervals - 1) * kCheckpointInterval);
        if (IsCheckpoint(slice) && !checkpoint(slice))
            return;

        batchFirst = slice;
        const std::int32_t count = end - slice;
        groups = (count + kTransformSlices - 1) / kTransformSlices;
        pool.Run(count, readWindow);
        pool.Run(groups * chunks, transform);

        for (std::int32_t s = slice; s < end; ++s) {
            if (s != slice && IsCheckpoint(s) && !checkpoint(s))
                return;
            lastAnalysedSlice = s;
            const float* computed = rows.data() + static_cast<std::size_t>(s - slice) * kNoteBins;
            std::copy(computed + firstBin, computed + kNoteBins,
                      amplitudeMap.Row(s).begin() + firstBin);
        }
        slice = end;
    }
}

} // namespace trx
