#pragma once

#include "analysis/AlignedAllocator.h"
#include "common/Constants.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace trx {

// NoteRatio[i] = 2^(i/12), i = 0..106, rounded to single.
[[nodiscard]] const std::array<float, kNoteBins>& NoteRatio();
// CentsRatio[c + 50] = 2^(c/1200), c = -50..+50, rounded to single.
[[nodiscard]] const std::array<float, 101>& CentsRatio();

// The frequency of every note bin under the current tuning, the lowest bin
// the analysis computes, and the transform kernels. Allocated once; rebuilt
// in place by CreateFrequencyMap on every tuning change. The public tables
// are written only by CreateFrequencyMap.
class NoteKernels {
public:
    // Bins per block of the transform table: one vector of eight doubles,
    // two of four, four of two.
    static constexpr std::int32_t kBlockBins = 8;
    // Blocks needed when FirstNoteBin is at its lowest (1).
    static constexpr std::int32_t kMaxBlocks = (kNoteBins - 1 + kBlockBins - 1) / kBlockBins;

    // Builds the tables for a tuning factor of 1.0.
    NoteKernels();

    // Rebuilds everything for a tuning factor (CentsRatio[cents + 50]).
    // Throws TremolundrixError for a factor that is not finite and positive.
    // The cosines and sines are computed by up to threads threads (0: one
    // per hardware thread); the values do not depend on it.
    void CreateFrequencyMap(double factor, std::int32_t threads = 0);

    std::array<float, kNoteBins> NoteFrequencies{};
    // Lowest analysed bin, never below 1 (8 or 9 in practice).
    std::int32_t FirstNoteBin = 1;
    // 2048 rows x 107 bins, row-major: CosineTable[j * 107 + i] = cos of
    // the phase of sample j at the frequency of bin i.
    std::vector<float> CosineTable;
    std::vector<float> SineTable;

    [[nodiscard]] float Cosine(std::int32_t sample, std::int32_t bin) const {
        return CosineTable[static_cast<std::size_t>(sample) * kNoteBins +
                           static_cast<std::size_t>(bin)];
    }
    [[nodiscard]] float Sine(std::int32_t sample, std::int32_t bin) const {
        return SineTable[static_cast<std::size_t>(sample) * kNoteBins +
                         static_cast<std::size_t>(bin)];
    }

    // The kernels of bins FirstNoteBin..106 regrouped for the transform:
    // block v holds bins FirstNoteBin + 8v .. + 8v + 7; for each sample k it
    // stores their eight cosines, then their eight sines, widened to double
    // (exact), at TransformTable()[(v * 2048 + k) * 16]. Lanes past bin 106
    // hold 0. 64-byte aligned: two cache lines per block and sample.
    [[nodiscard]] std::span<const double> TransformTable() const { return transform_; }
    [[nodiscard]] std::int32_t TransformBlocks() const { return transformBlocks_; }
    // The bin of lane 0 of block 0 (FirstNoteBin when the table was built).
    [[nodiscard]] std::int32_t TransformFirstBin() const { return transformFirstBin_; }

private:
    // Fills samples [sampleBegin, sampleEnd) of the kernels and of the
    // transform table.
    void BuildSamples(std::int32_t sampleBegin, std::int32_t sampleEnd);

    std::vector<double, AlignedAllocator<double, 64>> transform_;
    std::int32_t transformBlocks_ = 0;
    std::int32_t transformFirstBin_ = 1;
};

} // namespace trx
