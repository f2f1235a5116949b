#pragma once

#include "common/Constants.h"
#include "tuning/TuningSearch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace trx {

// Swings of one note at the 101 offsets, entry c + 50.
using NoteScores = std::array<float, kTuningOffsets>;

// Slices of one note bin folded together, one per vector lane.
inline constexpr std::size_t kFoldLanes = 16;

// Where each sample of a slice falls when the slice is folded at the
// frequency of one note bin under a range of offsets: sample k at offset c
// lands in phase bin round(36 x f x k / 44100) mod 36, f = 13.75 x
// NoteRatio[bin] x CentsRatio[c + 50] rounded to single. Shared by every
// note of the bin.
class PhaseFoldTable {
public:
    // Fills the offsets (entries c + 50) first..end-1. Preconditions: bin in
    // 0..106, first < end <= 101.
    void Build(std::int32_t bin, std::size_t first, std::size_t end);

    [[nodiscard]] std::int32_t Bin() const { return bin_; }
    [[nodiscard]] std::size_t First() const { return first_; }
    [[nodiscard]] std::size_t End() const { return end_; }
    [[nodiscard]] std::uint8_t Phase(std::size_t sample, std::size_t offset) const {
        return phase_[sample * kTuningOffsets + offset];
    }
    // Samples that the offset puts into the phase bin, as a single.
    [[nodiscard]] float Count(std::size_t offset, std::size_t phase) const {
        return count_[offset * kCycleBins + phase];
    }

private:
    std::int32_t bin_ = -1;
    std::size_t first_ = 0;
    std::size_t end_ = 0;
    // One sample's 101 phase bins side by side.
    std::array<std::uint8_t, static_cast<std::size_t>(kSliceLength) * kTuningOffsets> phase_{};
    std::array<float, static_cast<std::size_t>(kTuningOffsets) * kCycleBins> count_{};
};

// The swing of each slice at the table's offsets: each phase bin sums its
// samples in ascending order in single precision, each sum is divided by the
// bin's sample count, and the swing is the largest minus the smallest mean
// over the bins that received a sample. windows: 1 to kFoldLanes slices of
// the table's note bin; scores: one per window, entries outside the table's
// offsets untouched.
void FoldSlices(const PhaseFoldTable& table,
                std::span<const std::span<const float, kSliceLength>> windows,
                std::span<NoteScores> scores);

} // namespace trx
