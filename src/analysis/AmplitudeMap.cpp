#include "analysis/AmplitudeMap.h"

#include "analysis/SliceSamples.h"
#include "analysis/SliceTransform.h"
#include "analysis/WorkerPool.h"
#include "common/Errors.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <numeric>
#include <thread>
#include <vector>

namespace trx {

namespace {

constexpr std::int32_t kCheckpointInterval = 10;
constexpr std::int32_t kMaxThreads = 64;
// Slices each thread transforms per batch: one pass over the kernel table
// serves them all, so more slices read less table each.
constexpr std::int32_t kSlicesPerThread = kTransformSlicesPerPass;

struct AlignedDelete {
    void operator()(double* p) const { ::operator delete[](p, std::align_val_t{64}); }
};

[[nodiscard]] bool IsCheckpoint(std::int32_t slice) {
    return slice % kCheckpointInterval == kCheckpointInterval - 1;
}

[[nodiscard]] std::int32_t NextCheckpointAfter(std::int32_t slice) {
    std::int32_t next = slice - slice % kCheckpointInterval + kCheckpointInterval - 1;
    return next > slice ? next : next + kCheckpointInterval;
}

// Checkpoint intervals per batch: a whole number of three-slice groups for
// every thread, about kSlicesPerThread slices each.
[[nodiscard]] std::int32_t BatchIntervals(std::int32_t threads) {
    const std::int32_t groupSlices = kTransformSlices * threads;
    const std::int32_t step = groupSlices / std::gcd(kCheckpointInterval, groupSlices);
    const std::int32_t wanted =
        (kSlicesPerThread * threads + kCheckpointInterval - 1) / kCheckpointInterval;
    return std::max(step, wanted / step * step);
}

} // namespace

std::int32_t AnalysisThreads(const AnalysisOptions& options) {
    std::int32_t threads = options.Threads;
    if (threads <= 0)
        threads = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    return std::clamp(threads, 1, kMaxThreads);
}

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

    // Slices are computed a few checkpoint intervals at a time (a batch):
    // every kernel load serves several slices and all threads have work.
    // Rows reach the map only in slice order between the checkpoints, so
    // progress, abort and the map behave as if each slice were computed
    // just before it is stored: after an abort at slice s, rows s and later
    // are untouched.
    WorkerPool pool(AnalysisThreads(options));
    const std::int32_t threads = pool.Threads();
    const std::int32_t batchIntervals = BatchIntervals(threads);
    const std::int32_t batchGroups =
        (batchIntervals * kCheckpointInterval + kTransformSlices - 1) / kTransformSlices;

    constexpr auto kLength = static_cast<std::size_t>(kSliceLength);
    const auto slots = static_cast<std::size_t>(batchGroups * kTransformSlices);
    // Not cleared: every window is written before it is read, by the thread
    // that reads it.
    const std::unique_ptr<double[], AlignedDelete> windows(
        new (std::align_val_t{64}) double[slots * kLength]);
    std::vector<float> rows(slots * kNoteBins, 0.0f);

    const std::int32_t firstBin = kernels.TransformFirstBin();

    std::int32_t batchFirst = 0;
    std::int32_t batchCount = 0;
    // Thread t takes a run of whole groups of the batch: it reads their
    // samples and transforms them, so the windows never leave its core
    // (sharing them across cores cost a tenth of the speed on two cores).
    auto job = [&](std::int32_t thread) {
        const std::int32_t groups = (batchCount + kTransformSlices - 1) / kTransformSlices;
        const std::int32_t begin = groups * thread / threads * kTransformSlices;
        const std::int32_t end =
            std::min(batchCount, groups * (thread + 1) / threads * kTransformSlices);
        if (begin >= end)
            return;
        for (std::int32_t s = begin; s < end; ++s)
            GetSliceWindow(samples, batchFirst + s,
                           std::span<double, kSliceLength>(
                               windows.get() + static_cast<std::size_t>(s) * kLength, kLength));
        TransformSlices(kernels, windows.get() + static_cast<std::size_t>(begin) * kLength,
                        end - begin, rows.data() + static_cast<std::size_t>(begin) * kNoteBins);
    };
    const auto checkpoint = [&](std::int32_t slice) {
        progress.SetProgress(static_cast<double>(slice) / sliceCount);
        return progress.ContinueWork();
    };

    for (std::int32_t slice = 0; slice < sliceCount; slice += batchCount) {
        if (IsCheckpoint(slice) && !checkpoint(slice))
            return;
        batchFirst = slice;
        batchCount = std::min(sliceCount, NextCheckpointAfter(slice) +
                                              (batchIntervals - 1) * kCheckpointInterval) -
                     slice;
        pool.Run(job);

        for (std::int32_t s = slice; s < slice + batchCount; ++s) {
            if (s != slice && IsCheckpoint(s) && !checkpoint(s))
                return;
            lastAnalysedSlice = s;
            const float* computed = rows.data() + static_cast<std::size_t>(s - slice) * kNoteBins;
            std::copy(computed + firstBin, computed + kNoteBins,
                      amplitudeMap.Row(s).begin() + firstBin);
        }
    }
}

} // namespace trx
