// The quick forms of the per-slice steps and of the map passes against the
// plain loops they replace, on seeded random rows and maps: every cell must
// come out bit for bit the same.

#include "common/Errors.h"
#include "notes/Extended.h"
#include "notes/MapPasses.h"
#include "notes/SliceSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using trx::Extended;
using trx::FloatMatrix;
using trx::kNoteBins;

constexpr std::int32_t kTop = kNoteBins - 1;

// The plain loops, one step after another as the description of each pass
// reads.
namespace plain {

void SuppressNeighbours(std::span<float, kNoteBins> row, std::int32_t firstNoteBin,
                        std::int32_t neighbourThreshold) {
    const Extended n = neighbourThreshold / Extended{100};
    for (std::int32_t k = std::max(firstNoteBin, 1); k <= kTop - 1; ++k) {
        const Extended scaled = row[k] * n;
        if (scaled > row[k + 1])
            row[k + 1] = 0.0f;
        if (scaled > row[k - 1])
            row[k - 1] = 0.0f;
    }
}

float SliceMaximum(std::span<const float, kNoteBins> row, std::int32_t first) {
    float maximum = 0.0f;
    for (std::int32_t i = std::max(first, 0); i <= kTop; ++i)
        if (row[i] > maximum)
            maximum = row[i];
    return maximum;
}

// A falling flank, read from the peak outwards from bin `from`, ends at the
// first bin that stands above its inner neighbour, or at the edge bin; every
// bin before that end is cleared, the edge bin never.
void ClearFlank(std::span<float, kNoteBins> row, std::int32_t from, std::int32_t step,
                std::int32_t edge) {
    std::int32_t end = from + step;
    while (end != edge && !(row[end] > row[end - step]))
        end += step;
    for (std::int32_t i = from; i != end; i += step)
        row[i] = 0.0f;
}

void RemoveSpread(std::span<float, kNoteBins> row, std::int32_t first, std::int32_t fluctuation) {
    const Extended f = fluctuation / Extended{100};
    for (std::int32_t j = std::max(first, 2); j <= 50; ++j) {
        if (!(row[j] > row[j + 1] && row[j] > row[j - 1] && row[j + 1] > row[j + 2] &&
              row[j - 1] > row[j - 2]))
            continue;
        if (!(std::fabs((Extended{row[j + 1]} - row[j - 1]) / row[j]) < f &&
              std::fabs((Extended{row[j + 2]} - row[j - 2]) / row[j]) < f))
            continue;
        ClearFlank(row, j + 1, +1, kTop);
        ClearFlank(row, j - 1, -1, 0);
    }
}

void ApplyChordThreshold(std::span<float, kNoteBins> row, std::int32_t first,
                         std::int32_t threshold, float maximum) {
    const float h = static_cast<float>(threshold * Extended{maximum} / 100);
    for (std::int32_t bin = std::max(first, 0); bin <= kTop - 1; ++bin)
        if (row[bin] < h)
            row[bin] = 0.0f;
}

void RankLoudest(std::span<const float, kNoteBins> row, std::int32_t first,
                 std::span<float, trx::kLoudestCount> loudest) {
    std::fill(loudest.begin(), loudest.end(), 0.0f);
    for (std::int32_t i = std::max(first, 0); i <= kTop; ++i)
        for (std::size_t k = 0; k < loudest.size(); ++k)
            if (row[i] > loudest[k]) {
                std::move_backward(loudest.begin() + static_cast<std::ptrdiff_t>(k),
                                   loudest.end() - 1, loudest.end());
                loudest[k] = row[i];
                break;
            }
}

void LimitPolyphony(std::span<float, kNoteBins> row,
                    std::span<const float, trx::kLoudestCount> loudest, std::int32_t polyphony) {
    const float t = loudest[static_cast<std::size_t>(polyphony - 1)];
    if (t > 0.0f)
        for (std::int32_t bin = 1; bin <= kTop; ++bin)
            if (row[bin] > 0.0f && row[bin - 1] == 0.0f && row[bin] < t)
                row[bin] = 0.0f;
}

float Single(Extended value) {
    return static_cast<float>(value);
}

void MapPasses(FloatMatrix& map, std::int32_t first, const trx::ConversionSettings& settings,
               float& maximum) {
    const std::int32_t slices = map.Rows();
    first = std::max(first, 0);
    if (settings.SpikeRemoval)
        for (std::int32_t i = first; i <= kTop; ++i)
            for (std::int32_t s = 2; s <= slices - 4; ++s)
                if (map(s, i) > 0.0f && map(s - 2, i) == 0.0f && map(s - 1, i) == 0.0f &&
                    map(s + 1, i) == 0.0f && map(s + 2, i) == 0.0f)
                    map(s, i) = 0.0f;
    for (std::int32_t i = 0; i <= kTop; ++i)
        for (std::int32_t s = 2; s <= slices - 4; ++s)
            if (map(s, i) < map(s + 1, i) && map(s - 1, i) == 0.0f)
                map(s, i) = map(s + 1, i);

    const Extended f = settings.AmplitudeFluctuation / Extended{100};
    for (std::int32_t i = first; i <= kTop; ++i) {
        float sum = 0.0f;
        std::int32_t count = 0;
        float onset = 0.0f;
        std::int32_t onsetSlice = 0;
        for (std::int32_t j = 0; j <= 4 && j < slices; ++j) {
            const float v = map(j, i);
            if (v > 0.0f) {
                ++count;
                if (onset == 0.0f) {
                    onset = v;
                    onsetSlice = j;
                }
            }
            sum = Single(Extended{sum} + v);
        }
        for (std::int32_t j = 5; j <= slices - 2; ++j) {
            float v = map(j, i);
            if (v == 0.0f && count > 0) {
                const float mean = Single(Extended{sum} / count);
                const float next = map(j + 1, i);
                if ((1 - f) * mean < next && next < (1 + f) * mean)
                    map(j, i) = mean;
            } else if (onset > 0.0f && count > 0 && v > (1.1L + f) * onset &&
                       v > (Extended{sum} / count) * (1 + f) && map(j - 1, i) > 0.0f &&
                       j - onsetSlice > 10) {
                sum = Single(Extended{sum} - map(j - 1, i));
                --count;
                map(j - 1, i) = 0.0f;
                onsetSlice = j;
            } else if (count > 0) {
                const float mean = Single(Extended{sum} / count);
                if ((1 - f) * mean < v && v < (1 + f) * mean)
                    map(j, i) = mean;
            }
            v = map(j, i);
            if (map(j - 5, i) > 0.0f && count > 0) {
                sum = Single(Extended{sum} * (count - 1) / count);
                --count;
            }
            if (v > 0.0f) {
                sum = Single(Extended{sum} + v);
                ++count;
                if (map(j - 1, i) == 0.0f) {
                    onset = v;
                    onsetSlice = j;
                }
            }
        }
        for (std::int32_t s = 0; s <= slices - 5; ++s)
            if (map(s, i) > 0.0f && map(s + 1, i) == 0.0f && map(s + 2, i) > 0.0f &&
                (map(s + 3, i) == 0.0f || (map(s + 3, i) > 0.0f && map(s + 4, i) == 0.0f)))
                map(s + 1, i) = map(s, i);
    }

    if (settings.LoudStart)
        for (std::int32_t i = first; i <= kTop; ++i)
            for (std::int32_t s = slices - 2; s >= 0; --s)
                if (map(s, i) < map(s + 1, i) && map(s, i) > 0.0f)
                    map(s, i) = map(s + 1, i);

    maximum = 0.0f;
    double sum = 0.0;
    std::int64_t count = 0;
    for (std::int32_t s = 0; s < slices; ++s)
        for (std::int32_t i = 0; i <= kTop; ++i) {
            if (map(s, i) > maximum)
                maximum = map(s, i);
            sum += map(s, i);
            if (map(s, i) > 0.0f)
                ++count;
        }
    if (count == 0) {
        maximum = 0.0f;
        throw trx::TremolundrixError("Invalid floating point operation");
    }
    const double mean = sum / static_cast<double>(count);
    const float target = Single(Extended{1.5} * mean);
    const float scale =
        mean == maximum ? 1.0f : Single((target - Extended{mean}) / (maximum - mean));
    for (std::int32_t s = 0; s < slices; ++s)
        for (std::int32_t i = 0; i <= kTop; ++i)
            if (map(s, i) > mean)
                map(s, i) = Single((map(s, i) - Extended{mean}) * scale + mean);
    maximum = target;
    const float minimum = Single(settings.MinimumComponent * Extended{maximum} / 100);
    for (std::int32_t i = first; i <= kTop; ++i)
        for (std::int32_t s = 0; s < slices; ++s)
            if (map(s, i) < minimum)
                map(s, i) = 0.0f;
}

} // namespace plain

std::vector<std::uint32_t> Bits(std::span<const float> cells) {
    std::vector<std::uint32_t> bits;
    bits.reserve(cells.size());
    for (const float cell : cells)
        bits.push_back(std::bit_cast<std::uint32_t>(cell));
    return bits;
}

std::vector<std::uint32_t> Bits(const FloatMatrix& map) {
    return Bits({map.Data(), static_cast<std::size_t>(map.Rows()) * kNoteBins});
}

// A magnitude as recordings give them, or one that sits on a test's edge:
// small whole numbers and their multiples by percentages, repeats, zeros.
float Magnitude(std::mt19937& random, std::span<const float> row, std::int32_t at) {
    switch (std::uniform_int_distribution<int>(0, 9)(random)) {
    case 0:
    case 1:
        return 0.0f;
    case 2:
        return static_cast<float>(std::uniform_int_distribution<int>(1, 12)(random));
    case 3: // a percentage of the bin below, as a threshold would cut it
        return at > 0 ? static_cast<float>(
                            row[at - 1] *
                            (std::uniform_int_distribution<int>(0, 100)(random) / Extended{100}))
                      : 1.0f;
    case 4:
        return at > 0 ? row[at - 1] : 2.0f;
    default:
        return std::exp(std::normal_distribution<float>(0.0f, 2.0f)(random));
    }
}

TEST(PlainLoops, NeighbourSuppressionClearsTheSameBins) {
    std::mt19937 random(20240611);
    std::array<float, kNoteBins> row;
    for (int trial = 0; trial < 40000; ++trial) {
        for (std::int32_t i = 0; i < kNoteBins; ++i)
            row[i] = Magnitude(random, row, i);
        if (trial % 50 == 0) { // values the quick sweep leaves to the plain one
            const float odd[] = {-1.0f, 1e-30f, 1e-40f, std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
            row[std::uniform_int_distribution<int>(0, kTop)(random)] =
                odd[std::uniform_int_distribution<int>(0, 4)(random)];
        }
        const std::int32_t first = std::uniform_int_distribution<int>(0, 12)(random);
        const std::int32_t threshold = trial % 7 == 0
                                           ? std::uniform_int_distribution<int>(-20, 130)(random)
                                           : std::uniform_int_distribution<int>(0, 100)(random);
        std::array<float, kNoteBins> expected = row;
        plain::SuppressNeighbours(expected, first, threshold);
        trx::SuppressNeighbours(row, first, threshold);
        ASSERT_EQ(Bits(row), Bits(expected))
            << "trial " << trial << ", first bin " << first << ", threshold " << threshold;
    }
}

TEST(PlainLoops, SliceStepsKeepTheSameBins) {
    std::mt19937 random(31337);
    std::array<float, kNoteBins> row;
    for (int trial = 0; trial < 20000; ++trial) {
        // Raw rows: every bin positive, with narrow symmetric peaks; or
        // rows with many zeros and repeated values.
        const bool raw = trial % 2 == 0;
        for (std::int32_t i = 0; i < kNoteBins; ++i)
            row[i] = raw ? std::exp(std::normal_distribution<float>(0.0f, 1.0f)(random))
                         : Magnitude(random, row, i);
        for (int peaks = std::uniform_int_distribution<int>(0, 4)(random); peaks > 0; --peaks) {
            const std::int32_t at = std::uniform_int_distribution<int>(2, 60)(random);
            const float top = static_cast<float>(std::uniform_int_distribution<int>(5, 40)(random));
            const float side = std::uniform_real_distribution<float>(0.3f, 0.8f)(random);
            row[at] = top;
            row[at - 1] = top * side;
            row[at + 1] = top * side * std::uniform_real_distribution<float>(0.8f, 1.2f)(random);
            row[at - 2] = row[at - 1] * side;
            row[at + 2] = row[at + 1] * side;
        }
        const std::int32_t first = std::uniform_int_distribution<int>(1, 12)(random);
        const std::int32_t fluctuation = std::uniform_int_distribution<int>(0, 100)(random);
        const std::int32_t chord = std::uniform_int_distribution<int>(0, 100)(random);
        const std::int32_t polyphony = std::uniform_int_distribution<int>(1, 10)(random);

        std::array<float, kNoteBins> expected = row;
        std::array<float, trx::kLoudestCount> expectedLoudest;
        const float expectedMaximum = plain::SliceMaximum(expected, first);
        plain::RemoveSpread(expected, first, fluctuation);
        const std::array<float, kNoteBins> expectedSpread = expected;
        plain::ApplyChordThreshold(expected, first, chord, expectedMaximum);
        plain::RankLoudest(expected, first, expectedLoudest);
        plain::LimitPolyphony(expected, expectedLoudest, polyphony);

        std::array<float, trx::kLoudestCount> loudest;
        const float maximum = trx::SliceMaximum(row, first);
        trx::RemoveSpread(row, first, fluctuation);
        ASSERT_EQ(Bits(row), Bits(expectedSpread)) << "spread, trial " << trial;
        trx::ApplyChordThreshold(row, first, chord, maximum);
        trx::RankLoudest(row, first, loudest);
        trx::LimitPolyphony(row, loudest, polyphony);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(maximum),
                  std::bit_cast<std::uint32_t>(expectedMaximum))
            << "trial " << trial;
        ASSERT_EQ(Bits(loudest), Bits(expectedLoudest)) << "trial " << trial;
        ASSERT_EQ(Bits(row), Bits(expected)) << "trial " << trial;
    }
}

// A map of notes: runs that hold, wobble, swell and fade, with one-slice
// gaps, short fragments and lone spikes, on a few bins or on many.
FloatMatrix RandomNoteMap(std::mt19937& random, std::int32_t slices) {
    FloatMatrix map(slices, kNoteBins);
    const int bins = std::uniform_int_distribution<int>(0, 40)(random);
    for (int b = 0; b < bins; ++b) {
        const std::int32_t bin = std::uniform_int_distribution<int>(0, kTop)(random);
        std::int32_t s = std::uniform_int_distribution<int>(0, 6)(random);
        while (s < slices) {
            const std::int32_t length = std::uniform_int_distribution<int>(1, 30)(random);
            float level = static_cast<float>(std::uniform_int_distribution<int>(1, 20)(random));
            const int shape = std::uniform_int_distribution<int>(0, 4)(random);
            for (std::int32_t k = 0; k < length && s < slices; ++k, ++s) {
                if (shape == 1)
                    level *= std::uniform_real_distribution<float>(0.8f, 1.25f)(random);
                else if (shape == 2 && k == 12)
                    level *= 2.0f; // a swell long after the onset
                else if (shape == 3)
                    level *= 0.9f;
                map(s, bin) = level;
            }
            s += std::uniform_int_distribution<int>(1, 4)(random);
        }
    }
    return map;
}

// Runs both forms on map and expects the same cells, maximum and error.
void ExpectSameMapPasses(FloatMatrix map, std::int32_t first,
                         const trx::ConversionSettings& settings, const std::string& what) {
    FloatMatrix expected = map;
    float expectedMaximum = -1.0f;
    std::optional<std::string> expectedError;
    try {
        plain::MapPasses(expected, first, settings, expectedMaximum);
    } catch (const trx::TremolundrixError& e) {
        expectedError = e.what();
    }
    float maximum = -1.0f;
    std::optional<std::string> error;
    try {
        trx::RunMapPasses(map, first, settings, maximum);
    } catch (const trx::TremolundrixError& e) {
        error = e.what();
    }
    ASSERT_EQ(error, expectedError) << what;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(maximum), std::bit_cast<std::uint32_t>(expectedMaximum))
        << what;
    ASSERT_EQ(Bits(map), Bits(expected)) << what;
}

TEST(PlainLoops, CellJustAboveTheMeanIsScaled) {
    // Cells of 1 + 2^-23, 1 + 2^-23 and 1: the mean lies less than half a
    // single step below the larger cells, which must still be scaled. Four
    // slices, so that no earlier pass touches them.
    FloatMatrix map(4, kNoteBins);
    const float above = std::nextafter(1.0f, 2.0f);
    map(0, 40) = above;
    map(1, 40) = above;
    map(3, 60) = 1.0f;
    trx::ConversionSettings settings;
    settings.MinimumComponent = 0;
    ExpectSameMapPasses(map, 8, settings, "mean just below a cell");
}

TEST(PlainLoops, MapPassesChangeTheSameCells) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::int32_t slices = trial % 3 == 0
                                        ? std::uniform_int_distribution<int>(0, 14)(random)
                                        : std::uniform_int_distribution<int>(15, 300)(random);
        FloatMatrix map = RandomNoteMap(random, slices);
        trx::ConversionSettings settings;
        settings.SpikeRemoval = (trial & 1) != 0;
        settings.LoudStart = (trial & 2) != 0;
        settings.AmplitudeFluctuation = std::uniform_int_distribution<int>(0, 100)(random);
        settings.MinimumComponent = std::uniform_int_distribution<int>(0, 100)(random);
        const std::int32_t first =
            trial % 10 == 0 ? 107 : std::uniform_int_distribution<int>(1, 12)(random);

        ExpectSameMapPasses(map, first, settings,
                            "trial " + std::to_string(trial) + ", " + std::to_string(slices) +
                                " slices");
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

} // namespace
