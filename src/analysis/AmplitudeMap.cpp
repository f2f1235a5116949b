#include "analysis/AmplitudeMap.h"

#include "analysis/AlignedAllocator.h"
#include "analysis/SliceSamples.h"
#include "analysis/SliceTransform.h"
#include "analysis/WorkerPool.h"
#include "common/Errors.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <thread>
#include <vector>

namespace trx {

namespace {

constexpr std::int32_t kCheckpointInterval = 10;
constexpr std::int32_t kMaxThreads = 64;
// Vectors of 4 bins (128 KB of kernels each) that a thread runs through for
// all its slices before moving on: four fit a 1 MB second-level cache beside
// the windows.
constexpr std::int32_t kVectorsPerChunk = 4;

[[nodiscard]] bool IsCheckpoint(std::int32_t slice) {
    return slice % kCheckpointInterval == kCheckpointInterval - 1;
}

[[nodiscard]] std::int32_t NextCheckpointAfter(std::int32_t slice) {
    std::int32_t next = slice - slice % kCheckpointInterval + kCheckpointInterval - 1;
    return next > slice ? next : next + kCheckpointInterval;
}

// Checkpoint intervals per batch: at least three, and a whole number of
// three-slice groups for every thread.
[[nodiscard]] std::int32_t BatchIntervals(std::int32_t threads) {
    const std::int32_t groupSlices = kTransformSlices * threads;
    return std::max(3, groupSlices / std::gcd(kCheckpointInterval, groupSlices));
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

    // Slices are computed a few checkpoint intervals at a time (a batch):
    // every kernel load serves several slices and all threads have work.
    // Rows reach the map only in slice order between the checkpoints, so
    // progress, abort and the map behave as if each slice were computed
    // just before it is stored: after an abort at slice s, rows s and later
    // are untouched.
    const TransformPath path = ResolveTransformPath(options.Path);
    WorkerPool pool(ThreadCount(options));
    const std::int32_t threads = pool.Threads();
    const std::int32_t batchIntervals = BatchIntervals(threads);
    const std::int32_t batchGroups =
        (batchIntervals * kCheckpointInterval + kTransformSlices - 1) / kTransformSlices;

    constexpr auto kLength = static_cast<std::size_t>(kSliceLength);
    const auto slots = static_cast<std::size_t>(batchGroups * kTransformSlices);
    std::vector<double, AlignedAllocator<double, 64>> windows(slots * kLength, 0.0);
    std::vector<float> rows(slots * kNoteBins, 0.0f);

    const std::int32_t firstBin = kernels.TransformFirstBin();
    const std::int32_t vectors = kernels.TransformVectors();

    std::int32_t batchFirst = 0;
    std::int32_t batchCount = 0;
    // Thread t takes the three-slice groups t, t + threads, ... of the batch:
    // it reads their samples and transforms them, so the windows never leave
    // its core (sharing them across cores cost a tenth of the speed on two
    // cores). It goes through the kernels chunk by chunk, each chunk serving
    // all its groups while cached.
    auto job = [&](std::int32_t thread) {
        const std::int32_t groups = (batchCount + kTransformSlices - 1) / kTransformSlices;
        for (std::int32_t slot = thread * kTransformSlices; slot < batchCount;
             slot += threads * kTransformSlices) {
            for (std::int32_t s = slot; s < std::min(batchCount, slot + kTransformSlices); ++s) {
                std::array<float, kSliceLength> window;
                GetSliceSamples(samples, batchFirst + s, window);
                std::copy(window.begin(), window.end(),
                          windows.data() + static_cast<std::size_t>(s) * kLength);
            }
        }
        for (std::int32_t chunk = 0; chunk < vectors; chunk += kVectorsPerChunk) {
            for (std::int32_t group = thread; group < groups; group += threads) {
                std::array<const double*, kTransformSlices> groupWindows{};
                std::array<float*, kTransformSlices> groupRows{};
                for (std::int32_t s = 0; s < kTransformSlices; ++s) {
                    const auto slot = static_cast<std::size_t>(group * kTransformSlices + s);
                    groupWindows[static_cast<std::size_t>(s)] = windows.data() + slot * kLength;
                    groupRows[static_cast<std::size_t>(s)] = rows.data() + slot * kNoteBins;
                }
                TransformSliceGroup(path, kernels, chunk,
                                    std::min(vectors, chunk + kVectorsPerChunk), groupWindows,
                                    groupRows);
            }
        }
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
