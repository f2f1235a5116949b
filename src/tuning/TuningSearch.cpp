#include "tuning/TuningSearch.h"

#include "analysis/SliceSamples.h"
#include "analysis/WorkerPool.h"
#include "common/Constants.h"
#include "common/Rounding.h"
#include "notes/Extended.h"
#include "tuning/PhaseFoldTable.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <numeric>
#include <thread>

namespace trx {

namespace {

constexpr std::size_t kOffsets = kTuningOffsets;
// A search has at most one fold per offset to share out.
constexpr std::int32_t kMaxThreads = 16;

void MinMax(std::span<const float, kTuningOffsets> scores, float& lo, float& hi) {
    lo = hi = scores[0];
    for (std::size_t c = 1; c < kOffsets; ++c) {
        if (scores[c] < lo)
            lo = scores[c];
        if (scores[c] > hi)
            hi = scores[c];
    }
}

// Precondition: lo < hi.
TuningCurve CurvePoints(std::span<const float, kTuningOffsets> scores, float lo, float hi) {
    TuningCurve curve;
    const Extended range = static_cast<Extended>(hi) - lo;
    for (std::size_t i = 0; i < kOffsets; ++i) {
        const auto c = static_cast<std::int32_t>(i) - 50;
        const Extended y = (static_cast<Extended>(scores[i]) - lo) * 200 / range;
        curve[i] = {252 + 5 * c, static_cast<std::int32_t>(RoundHalfEven(y))};
    }
    return curve;
}

// The swings of every note. Notes are folded bin by bin, kFoldLanes slices
// of one bin at a time, so that each bin's table is built once and the
// slices share its loads; each thread takes a share of the offsets of every
// note. SetProgress(n / count) comes from the calling thread before each
// note.
std::vector<NoteScores> FoldNotes(const std::vector<SingleNote>& notes, const SampleBuffer& samples,
                                  ProgressReporter& progress, std::int32_t threads) {
    std::vector<std::size_t> order(notes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&notes](std::size_t a, std::size_t b) {
        return notes[a].Bin < notes[b].Bin;
    });
    // Runs of order holding up to kFoldLanes notes of one bin.
    std::vector<std::size_t> groupStarts;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (groupStarts.empty() || i - groupStarts.back() == kFoldLanes ||
            notes[order[i]].Bin != notes[order[i - 1]].Bin)
            groupStarts.push_back(i);
    }
    groupStarts.push_back(order.size());

    std::vector<NoteScores> noteScores(notes.size());
    if (threads <= 0)
        threads = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    WorkerPool pool(std::clamp(threads, 1, kMaxThreads));
    const auto shares = static_cast<std::size_t>(pool.Threads());
    const auto fold = [&](std::int32_t index) {
        const auto share = static_cast<std::size_t>(index);
        const std::size_t first = kOffsets * share / shares;
        const std::size_t end = kOffsets * (share + 1) / shares;
        const auto table = std::make_unique<PhaseFoldTable>();
        std::vector<std::array<float, kSliceLength>> windows(kFoldLanes);
        const std::vector<std::span<const float, kSliceLength>> views(windows.begin(),
                                                                      windows.end());
        std::vector<NoteScores> groupScores(kFoldLanes);
        for (std::size_t g = 0; g + 1 < groupStarts.size(); ++g) {
            const std::size_t begin = groupStarts[g];
            const std::size_t lanes = groupStarts[g + 1] - begin;
            const std::int32_t bin = notes[order[begin]].Bin;
            if (table->Bin() != bin)
                table->Build(bin, first, end);
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                if (index == 0)
                    progress.SetProgress(static_cast<double>(begin + lane) /
                                         static_cast<double>(notes.size()));
                GetSliceSamples(samples, notes[order[begin + lane]].Slice, windows[lane]);
            }
            FoldSlices(*table, std::span(views).first(lanes), groupScores);
            for (std::size_t lane = 0; lane < lanes; ++lane)
                std::copy(groupScores[lane].begin() + static_cast<std::ptrdiff_t>(first),
                          groupScores[lane].begin() + static_cast<std::ptrdiff_t>(end),
                          noteScores[order[begin + lane]].begin() +
                              static_cast<std::ptrdiff_t>(first));
        }
    };
    pool.Run(fold);
    return noteScores;
}

} // namespace

std::int32_t ChooseTuningOffset(std::span<const float, kTuningOffsets> scores) {
    float lo = 0.0f;
    float hi = 0.0f;
    MinMax(scores, lo, hi);
    std::int32_t chosen = 0;
    for (std::int32_t d = 50; d >= 0; --d) {
        if (scores[static_cast<std::size_t>(50 + d)] == hi)
            chosen = d;
        if (scores[static_cast<std::size_t>(50 - d)] == hi)
            chosen = -d;
    }
    return chosen;
}

TuningSearchResult FindOptimalTuning(const FloatMatrix& noteMap, float noteMapMaximum,
                                     const SampleBuffer& samples, ProgressReporter& progress,
                                     std::int32_t threads) {
    TuningSearchResult result;
    try {
        FindSingleNotes(noteMap, noteMapMaximum, progress, result.SingleNotes);
    } catch (const std::exception& error) {
        result.SingleNotesFailure = error.what();
    }
    const std::vector<SingleNote>& notes = result.SingleNotes;
    if (notes.empty()) {
        result.Message = kNoCandidateMessage;
        return result;
    }
    progress.SetStatusText("Analysing notes");

    const std::vector<NoteScores> noteScores = FoldNotes(notes, samples, progress, threads);

    for (std::size_t n = 0; n < notes.size(); ++n) {
        float lo = 0.0f;
        float hi = 0.0f;
        MinMax(noteScores[n], lo, hi);
        // All swings equal (a silent slice, for one): nothing to learn.
        if (lo == hi)
            continue;
        for (std::size_t c = 0; c < kOffsets; ++c)
            result.TuningScores[c] += noteScores[n][c];
        result.NoteCurves.push_back({notes[n], CurvePoints(noteScores[n], lo, hi)});
    }
    MinMax(result.TuningScores, result.ScoreMinimum, result.ScoreMaximum);
    if (result.NoteCurves.empty() || result.ScoreMinimum == result.ScoreMaximum) {
        result.Message = kNoCandidateMessage;
        return result;
    }
    result.TotalCurve = CurvePoints(result.TuningScores, result.ScoreMinimum, result.ScoreMaximum);
    result.ProposedOffset = ChooseTuningOffset(result.TuningScores);
    return result;
}

} // namespace trx
