#pragma once

#include "audio/SampleBuffer.h"
#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"
#include "tuning/SingleNotes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace trx {

// Offsets tried, in whole cents: c = -50..+50, entry c + 50.
inline constexpr std::int32_t kTuningOffsets = 101;
// Phases per period into which a slice is folded.
inline constexpr std::int32_t kCycleBins = 36;
// The result of the search's dialog when nothing was chosen.
inline constexpr std::int32_t kNoTuning = -99;
inline constexpr char kNoCandidateMessage[] =
    "Unable to find suitable candidate for pitch detection.";

// A point of a curve in the 505 x 201 pixels of the tuning graph: offset c
// at x = 252 + 5c; the smallest score at y = 0 (top), the largest at y = 200,
// so the best offset shows as the lowest point.
struct TuningPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;

    bool operator==(const TuningPoint&) const = default;
};
using TuningCurve = std::array<TuningPoint, kTuningOffsets>;

// The curve of one single note that took part in the totals.
struct NoteCurve {
    SingleNote Note;
    TuningCurve Points{};
};

struct TuningSearchResult {
    // Empty when the search found a tuning; otherwise kNoCandidateMessage,
    // and only SingleNotes and SingleNotesFailure are meaningful.
    std::string Message;
    // The message of a failure that ended the single-note scan early (to be
    // reported under "FindSingleNotes"); the search went on with the
    // entries found before it.
    std::string SingleNotesFailure;
    std::vector<SingleNote> SingleNotes;
    // Per offset the sum over the used notes of their swing at that offset.
    std::array<float, kTuningOffsets> TuningScores{};
    float ScoreMinimum = 0.0f;
    float ScoreMaximum = 0.0f;
    // One per single note whose swings are not all equal, in SingleNotes
    // order; notes without information are passed over.
    std::vector<NoteCurve> NoteCurves;
    TuningCurve TotalCurve{};
    // Cents, -50..+50: among the offsets of maximal total the one nearest
    // to 0, the negative one of two equally near.
    std::int32_t ProposedOffset = 0;

    [[nodiscard]] bool Succeeded() const { return Message.empty(); }
    [[nodiscard]] std::int32_t UsedNotes() const {
        return static_cast<std::int32_t>(NoteCurves.size());
    }
};

// Finds the tuning offset, absolute to A = 440 Hz, at which the single notes
// of a conversion fit best: for each single note and offset the note's slice
// is folded into 36 phase bins at the candidate frequency, each bin's sum
// divided by its sample count, and the swing (largest minus smallest mean)
// is added to the offset's total. Needs noteMap (rows = slices, 107 bins)
// and noteMapMaximum of the last filtering and the recording's samples; the
// note frequencies of the current tuning are not used. Status texts "Finding
// single notes", then "Analysing notes" with SetProgress(n / count) before
// each note n. Returns kNoCandidateMessage when no single note is found, no
// note carries information or all totals are equal. Throws for unexpected
// failures (to be reported under "FindOptimalTuning").
// threads: threads folding the notes, the calling one included (0: one per
// hardware thread); the result does not depend on it, and the progress
// calls come from the calling thread only.
[[nodiscard]] TuningSearchResult FindOptimalTuning(const FloatMatrix& noteMap, float noteMapMaximum,
                                                   const SampleBuffer& samples,
                                                   ProgressReporter& progress,
                                                   std::int32_t threads = 0);

// The offset in cents proposed for these totals: for d = 50 down to 0, +d
// and then -d are taken when their total equals the maximum, so the last
// taken is nearest to 0 and negative between equals.
[[nodiscard]] std::int32_t ChooseTuningOffset(std::span<const float, kTuningOffsets> scores);

} // namespace trx
