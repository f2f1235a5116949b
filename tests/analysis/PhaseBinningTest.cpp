#include "analysis/PhaseBinning.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <random>

namespace {

using Row = std::array<float, trx::kNoteBins>;
using Window = std::array<float, trx::kSliceLength>;

class PhaseBinning : public ::testing::Test {
protected:
    // Sum of sines at the bins' frequencies, amplitude per bin.
    Window Tones(const std::map<int, double>& amplitudes) const {
        Window window{};
        for (auto [bin, amplitude] : amplitudes)
            for (int k = 0; k < trx::kSliceLength; ++k)
                window[k] += static_cast<float>(
                    amplitude *
                    std::sin(2.0 * std::numbers::pi * kernels.NoteFrequencies[bin] * k / 44100.0));
        return window;
    }
    static Row MakeRow(const std::map<int, float>& cells) {
        Row row{};
        for (auto [bin, value] : cells)
            row[bin] = value;
        return row;
    }
    // Bins the row and expects exactly the cleared bins to have become 0.
    void Check(const Window& window, const std::map<int, float>& cells, int threshold,
               std::initializer_list<int> cleared) const {
        Row row = MakeRow(cells);
        Row expected = row;
        for (int bin : cleared)
            expected[bin] = 0.0f;
        trx::PerformPhaseBinning(window, row, kernels, threshold);
        EXPECT_EQ(row, expected);
    }
    trx::NoteKernels kernels;
};

TEST_F(PhaseBinning, RowsWithoutAdjacentComponentsAreLeftAlone) {
    std::mt19937 random(4);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    Window window{};
    for (auto& sample : window)
        sample = noise(random);
    // 3 and 4 lie below the first analysed bin: not a pair.
    Check(window, {{3, 2}, {4, 9}, {20, 5}, {22, 1}, {48, 40}, {105, 3}}, 100, {});
    Check(Window{}, {{47, 1}, {48, 10}, {49, 2}}, 100, {}); // silence folds to nothing
}

TEST_F(PhaseBinning, WeakerNeighboursOfASoundingNoteAreCleared) {
    const Window note = Tones({{48, 0.5}});
    Check(note, {{47, 5}, {48, 10}, {49, 5}, {60, 3}}, 100, {47, 49});
    Check(note, {{47, 0.5f}, {48, 10}, {49, 0.5f}}, 0, {}); // threshold 0 clears nothing
    Check(note, {{48, 10}, {49, 10}}, 100, {});             // equals never clear each other
}

TEST_F(PhaseBinning, DecisionsUseTheRowAsItCame) {
    // 48 clears 49 although 47 clears 48 in the same pass.
    Check(Tones({{47, 0.6}, {48, 0.3}}), {{47, 10}, {48, 6}, {49, 2}}, 100, {48, 49});
}

TEST_F(PhaseBinning, EdgeBinsAreNeverChanged) {
    Check(Tones({{105, 0.5}}), {{105, 10}, {106, 1}}, 100, {});
    Check(Tones({{8, 0.5}}), {{7, 1}, {8, 10}, {9, 10}}, 100, {});
}

} // namespace
