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

    // Two sets of windows: the next batch's samples are read while the
    // current batch is transformed, in the same job.
    constexpr auto kLength = static_cast<std::size_t>(kSliceLength);
    const std::size_t windowSet = static_cast<std::size_t>(batchSlots) * kLength;
    std::vector<double, AlignedAllocator<double, 64>> windows(2 * windowSet, 0.0);
    std::vector<float> rows(static_cast<std::size_t>(batchSlots) * kNoteBins, 0.0f);

    const std::int32_t firstBin = kernels.TransformFirstBin();
    const std::int32_t vectors = kernels.TransformVectors();
    const std::int32_t chunks = (vectors + kVectorsPerChunk - 1) / kVectorsPerChunk;

    struct Batch {
        std::int32_t First = 0;
        std::int32_t Count = 0;
        std::int32_t Groups = 0;
        double* Windows = nullptr;
    };
    const auto batchFrom = [&](std::int32_t first, double* set) {
        const std::int32_t end = std::min(
            sliceCount, NextCheckpointAfter(first) + (batchIntervals - 1) * kCheckpointInterval);
        const std::int32_t count = end - first;
        return Batch{first, count, (count + kTransformSlices - 1) / kTransformSlices, set};
    };
    const auto readWindow = [&](const Batch& batch, std::int32_t slot) {
        std::array<float, kSliceLength> window;
        GetSliceSamples(samples, batch.First + slot, window);
        std::copy(window.begin(), window.end(),
                  batch.Windows + static_cast<std::size_t>(slot) * kLength);
    };
    // Items run chunk by chunk, so threads taking neighbouring items share
    // the kernels of one chunk while it is cached.
    const auto transform = [&](const Batch& batch, std::int32_t item) {
        const std::int32_t chunk = item / batch.Groups;
        const std::int32_t group = item % batch.Groups;
        const std::int32_t vectorBegin = chunk * kVectorsPerChunk;
        const std::int32_t vectorEnd = std::min(vectors, vectorBegin + kVectorsPerChunk);
        std::array<const double*, kTransformSlices> groupWindows{};
        std::array<float*, kTransformSlices> groupRows{};
        for (std::int32_t s = 0; s < kTransformSlices; ++s) {
            const auto slot = static_cast<std::size_t>(group * kTransformSlices + s);
            groupWindows[static_cast<std::size_t>(s)] = batch.Windows + slot * kLength;
            groupRows[static_cast<std::size_t>(s)] = rows.data() + slot * kNoteBins;
        }
        TransformSliceGroup(path, kernels, vectorBegin, vectorEnd, groupWindows, groupRows);
    };
    const auto checkpoint = [&](std::int32_t slice) {
        progress.SetProgress(static_cast<double>(slice) / sliceCount);
        return progress.ContinueWork();
    };

    Batch batch = batchFrom(0, windows.data());
    auto readFirst = [&](std::int32_t slot) { readWindow(batch, slot); };
    pool.Run(batch.Count, readFirst);
    for (;;) {
        if (IsCheckpoint(batch.First) && !checkpoint(batch.First))
            return;
        const std::int32_t end = batch.First + batch.Count;
        const Batch next = end < sliceCount ? batchFrom(end, batch.Windows == windows.data()
                                                                 ? windows.data() + windowSet
                                                                 : windows.data())
                                            : Batch{};
        const std::int32_t transformItems = batch.Groups * chunks;
        auto job = [&](std::int32_t item) {
            if (item < transformItems)
                transform(batch, item);
            else
                readWindow(next, item - transformItems);
        };
        pool.Run(transformItems + next.Count, job);

        for (std::int32_t s = batch.First; s < end; ++s) {
            if (s != batch.First && IsCheckpoint(s) && !checkpoint(s))
                return;
            lastAnalysedSlice = s;
            const float* computed =
                rows.data() + static_cast<std::size_t>(s - batch.First) * kNoteBins;
            std::copy(computed + firstBin, computed + kNoteBins,
                      amplitudeMap.Row(s).begin() + firstBin);
        }
        if (next.Count == 0)
            return;
        batch = next;
    }
}

} // namespace trx
