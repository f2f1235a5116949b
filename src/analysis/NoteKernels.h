#pragma once

#include "common/Constants.h"

#include <array>
#include <cstdint>
#include <vector>

namespace trx {

// NoteRatio[i] = 2^(i/12), i = 0..106, rounded to single.
[[nodiscard]] const std::array<float, kNoteBins>& NoteRatio();
// CentsRatio[c + 50] = 2^(c/1200), c = -50..+50, rounded to single.
[[nodiscard]] const std::array<float, 101>& CentsRatio();

// The frequency of every note bin under the current tuning, the lowest bin
// the analysis computes, and the transform kernels. Allocated once; rebuilt
// in place by CreateFrequencyMap on every tuning change.
class NoteKernels {
public:
    // Builds the tables for a tuning factor of 1.0.
    NoteKernels();

    // Rebuilds everything for a tuning factor (CentsRatio[cents + 50]).
    void CreateFrequencyMap(double factor);

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
};

} // namespace trx
