#include "analysis/PhaseBinning.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

namespace {

using Row = std::array<float, trx::kNoteBins>;
using Window = std::array<float, trx::kSliceLength>;

Window SineAt(double frequency, double amplitude = 0.5) {
    Window window{};
    for (int k = 0; k < trx::kSliceLength; ++k)
        window[k] = static_cast<float>(amplitude *
                                       std::sin(2.0 * std::numbers::pi * frequency * k / 44100.0));
    return window;
}

class PhaseBinning : public ::testing::Test {
protected:
    Row Binned(const Window& window, Row row, int threshold) const {
        trx::PerformPhaseBinning(window, row, kernels, threshold);
        return row;
    }

    trx::NoteKernels kernels;
    Window note48 = SineAt(kernels.NoteFrequencies[48]);
};

TEST_F(PhaseBinning, IsolatedComponentsAreLeftAlone) {
    std::mt19937 random(4);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    Window window{};
    for (auto& sample : window)
        sample = noise(random);
    Row row{};
    row[3] = 2.0f;
    row[4] = 9.0f; // below the first analysed bin: not a pair
    row[20] = 5.0f;
    row[22] = 1.0f;
    row[48] = 40.0f;
    row[105] = 3.0f;
    EXPECT_EQ(Binned(window, row, 100), row);
}

TEST_F(PhaseBinning, SilentSliceClearsNothing) {
    Row row{};
    row[47] = 1.0f;
    row[48] = 10.0f;
    row[49] = 2.0f;
    EXPECT_EQ(Binned(Window{}, row, 100), row);
}

TEST_F(PhaseBinning, WeakerNeighboursOfAFoldingNoteAreCleared) {
    Row row{};
    row[47] = 5.0f;
    row[48] = 10.0f;
    row[49] = 5.0f;
    row[60] = 3.0f;
    Row expected = row;
    expected[47] = 0.0f;
    expected[49] = 0.0f;
    EXPECT_EQ(Binned(note48, row, 100), expected);
}

TEST_F(PhaseBinning, EqualNeighboursNeverClearEachOther) {
    Row row{};
    row[48] = 10.0f;
    row[49] = 10.0f;
    EXPECT_EQ(Binned(note48, row, 100), row);
}

TEST_F(PhaseBinning, ZeroThresholdClearsNothing) {
    Row row{};
    row[47] = 0.5f;
    row[48] = 10.0f;
    row[49] = 0.5f;
    EXPECT_EQ(Binned(note48, row, 0), row);
}

TEST_F(PhaseBinning, DecisionsUseTheRowAsItCame) {
    // 48 clears 49 although 47 clears 48 in the same pass.
    Window chord{};
    const Window a = SineAt(kernels.NoteFrequencies[47], 0.6);
    const Window b = SineAt(kernels.NoteFrequencies[48], 0.3);
    for (int k = 0; k < trx::kSliceLength; ++k)
        chord[k] = a[k] + b[k];
    Row row{};
    row[47] = 10.0f;
    row[48] = 6.0f;
    row[49] = 2.0f;
    Row expected = row;
    expected[48] = 0.0f;
    expected[49] = 0.0f;
    EXPECT_EQ(Binned(chord, row, 100), expected);
}

TEST_F(PhaseBinning, TopBinIsNeverChanged) {
    const Window top = SineAt(kernels.NoteFrequencies[105]);
    Row row{};
    row[105] = 10.0f;
    row[106] = 1.0f;
    EXPECT_EQ(Binned(top, row, 100), row);
}

TEST_F(PhaseBinning, BinBelowTheFirstAnalysedOneIsNeverChanged) {
    const Window low = SineAt(kernels.NoteFrequencies[8]);
    Row row{};
    row[7] = 1.0f;
    row[8] = 10.0f;
    row[9] = 10.0f;
    EXPECT_EQ(Binned(low, row, 100), row);
}

} // namespace
