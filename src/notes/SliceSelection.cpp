#include "notes/SliceSelection.h"

#include "notes/Extended.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace trx {
namespace {

constexpr std::int32_t kTopBin = kNoteBins - 1;
// Spread removal tests peaks up to this bin only.
constexpr std::int32_t kLastSpreadPeak = 50;
// Bins looked at together where a step can pass over or combine them.
constexpr std::int32_t kBlock = 8;

// Neighbour suppression as the sweep k = first..105 reads: each step on the
// row as the steps before it left it.
void SuppressNeighboursInOrder(NoteRow row, std::int32_t first, Extended n) {
    for (std::int32_t k = first; k <= kTopBin - 1; ++k) {
        const Extended scaled = row[k] * n;
        if (scaled > row[k + 1])
            row[k + 1] = 0.0f;
        if (scaled > row[k - 1])
            row[k - 1] = 0.0f;
    }
}

// The same sweep in two parts, for a row whose values are 0 or at least
// 2^-90 (no negative, tiny or undefined value) and 0 <= n <= 1. Step k sees
// bin k cleared only when step k - 1 cleared it as its upper neighbour, and
// bin k + 1 still as it came; a cleared bin clears nothing. So each step's
// two tests can be made on the row as it came, all at once, and only the
// chain "step k acts unless step k - 1 cleared bin k" is left to run in
// order. The tests a x n > b are formed in single precision: the single
// product p lies within 2^-22 p of the extended one, so with a margin of
// 2^-21 p (and the rounding of p -/+ margin, under 2^-23 p) every test whose
// sides lie further apart is decided as in extended precision. Returns
// false, with the row unchanged, when a value or a test is outside that;
// the sweep in order then decides. On recorded rows a test that close is
// rare, and this sweep takes about a third of the time of the one in order
// (bench/convert_bench, BM_FilterOneMinute).
[[nodiscard]] bool SuppressNeighboursQuickly(NoteRow row, std::int32_t first, Extended n) {
    if (first > kTopBin - 1)
        return true;
    if (!(n >= 0 && n <= 1))
        return false;
    std::int32_t unusual = 0;
    for (std::int32_t i = first - 1; i <= kTopBin; ++i)
        unusual += !((row[i] == 0.0f) | (row[i] >= 0x1p-90f));
    if (unusual != 0)
        return false;

    const auto factor = static_cast<float>(n);
    // Written and read for bins first..105 only.
    std::array<std::int32_t, kNoteBins> clearsUpper;
    std::array<std::int32_t, kNoteBins> clearsLower;
    std::int32_t unsure = 0;
    for (std::int32_t k = first; k <= kTopBin - 1; ++k) {
        const float scaled = row[k] * factor;
        const float margin = scaled * 0x1p-21f;
        const float upper = row[k + 1];
        const float lower = row[k - 1];
        const bool upperYes = scaled - margin > upper;
        const bool upperNo = scaled + margin <= upper;
        const bool lowerYes = scaled - margin > lower;
        const bool lowerNo = scaled + margin <= lower;
        clearsUpper[k] = upperYes;
        clearsLower[k] = lowerYes;
        unsure += !(upperYes | upperNo) | !(lowerYes | lowerNo);
    }
    if (unsure != 0)
        return false;

    // The chain. Bin k - 1 is settled at step k: cleared as the upper
    // neighbour of step k - 2 or the lower one of step k. The flags are
    // kept apart and applied after, so no branch depends on the row.
    std::array<std::int32_t, kNoteBins> cleared; // bins first - 1..106
    std::int32_t clearedBefore = 0;              // bin k - 1, by step k - 2
    std::int32_t clearedNow = 0;                 // bin k, by step k - 1
    for (std::int32_t k = first; k <= kTopBin - 1; ++k) {
        const std::int32_t acts = clearedNow ^ 1;
        cleared[k - 1] = clearedBefore | (acts & clearsLower[k]);
        clearedBefore = clearedNow;
        clearedNow = acts & clearsUpper[k];
    }
    cleared[kTopBin - 1] = clearedBefore;
    cleared[kTopBin] = clearedNow;
    for (std::int32_t j = first - 1; j <= kTopBin; ++j)
        row[j] = cleared[j] != 0 ? 0.0f : row[j];
    return true;
}

} // namespace

float SliceMaximum(ConstNoteRow row, std::int32_t firstNoteBin) {
    // A strictly greater value replaces the maximum, which starts at +0, so
    // the result is the largest value above 0 in any order: eight running
    // maxima over interleaved bins are met at the end.
    std::array<float, kBlock> lanes{};
    std::int32_t i = std::max(firstNoteBin, 0);
    for (; i + kBlock <= kNoteBins; i += kBlock)
        for (std::int32_t k = 0; k < kBlock; ++k)
            lanes[k] = row[i + k] > lanes[k] ? row[i + k] : lanes[k];
    float maximum = 0.0f;
    for (const float lane : lanes)
        if (lane > maximum)
            maximum = lane;
    for (; i <= kTopBin; ++i)
        if (row[i] > maximum)
            maximum = row[i];
    return maximum;
}

void RemoveSpread(NoteRow row, std::int32_t firstNoteBin, std::int32_t amplitudeFluctuation) {
    const Extended f = amplitudeFluctuation / Extended{100};
    // The test reads two bins below the candidate, so bin 2 is the lowest
    // candidate whatever the first analysed bin.
    for (std::int32_t j = std::max(firstNoteBin, 2); j <= kLastSpreadPeak; ++j) {
        // A block of candidates none of which is a peak with falling flanks
        // is passed over at once; the row does not change within it.
        if ((j - 2) % kBlock == 0 && j + kBlock - 1 <= kLastSpreadPeak) {
            std::int32_t peaks = 0;
            for (std::int32_t k = j; k < j + kBlock; ++k)
                peaks += (row[k] > row[k + 1]) & (row[k] > row[k - 1]) & (row[k + 1] > row[k + 2]) &
                         (row[k - 1] > row[k - 2]);
            if (peaks == 0) {
                j += kBlock - 1;
                continue;
            }
        }
        const Extended peak = row[j];
        if (!(row[j] > row[j + 1] && row[j] > row[j - 1] && row[j + 1] > row[j + 2] &&
              row[j - 1] > row[j - 2]))
            continue;
        // peak exceeds a neighbour that exceeds a non-negative value, so it
        // is positive.
        const Extended inner = std::fabs((Extended{row[j + 1]} - row[j - 1]) / peak);
        const Extended outer = std::fabs((Extended{row[j + 2]} - row[j - 2]) / peak);
        if (!(inner < f && outer < f))
            continue;

        std::int32_t k = j + 1;
        float last;
        do {
            last = row[k];
            row[k] = 0.0f;
            ++k;
        } while (k != kTopBin && !(row[k] > last));

        k = j - 1;
        do {
            last = row[k];
            row[k] = 0.0f;
            --k;
        } while (k != 0 && !(row[k] > last));
    }
}

void SuppressNeighbours(NoteRow row, std::int32_t firstNoteBin, std::int32_t neighbourThreshold) {
    const Extended n = neighbourThreshold / Extended{100};
    const std::int32_t first = std::max(firstNoteBin, 1);
    if (!SuppressNeighboursQuickly(row, first, n))
        SuppressNeighboursInOrder(row, first, n);
}

void ApplyChordThreshold(NoteRow row, std::int32_t firstNoteBin, std::int32_t chordThreshold,
                         float sliceMaximum) {
    const float h = static_cast<float>(chordThreshold * Extended{sliceMaximum} / 100);
    for (std::int32_t bin = std::max(firstNoteBin, 0); bin <= kTopBin - 1; ++bin)
        row[bin] = row[bin] < h ? 0.0f : row[bin];
}

void RankLoudest(ConstNoteRow row, std::int32_t firstNoteBin, LoudestRow loudest) {
    std::fill(loudest.begin(), loudest.end(), 0.0f);
    const auto rank = [&loudest](float value) {
        // Most bins rank below the tenth entry (zeros always do).
        if (!(value > loudest.back()))
            return;
        const auto entry = std::find_if(loudest.begin(), loudest.end(),
                                        [value](float ranked) { return value > ranked; });
        if (entry == loudest.end())
            return;
        std::move_backward(entry, loudest.end() - 1, loudest.end());
        *entry = value;
    };
    std::int32_t i = std::max(firstNoteBin, 0);
    for (; i + kBlock <= kNoteBins; i += kBlock) {
        // The tenth entry only grows, so a block whose bins are all at or
        // below it now would rank none of them.
        const float tenth = loudest.back();
        std::int32_t above = 0;
        for (std::int32_t k = 0; k < kBlock; ++k)
            above += row[i + k] > tenth;
        if (above != 0)
            for (std::int32_t k = 0; k < kBlock; ++k)
                rank(row[i + k]);
    }
    for (; i <= kTopBin; ++i)
        rank(row[i]);
}

void LimitPolyphony(NoteRow row, std::span<const float, kLoudestCount> loudest,
                    std::int32_t polyphony) {
    const std::int32_t entry = std::clamp(polyphony, 1, kLoudestCount) - 1;
    const float t = loudest[static_cast<std::size_t>(entry)];
    if (!(t > 0.0f))
        return;
    // A bin goes when it is weak and bin - 1 is 0, as it came or cleared:
    // the weak and silent bins are found all at once, the chain of
    // clearings runs on flags, and the row is changed after.
    std::array<std::int32_t, kNoteBins> weak;
    std::array<std::int32_t, kNoteBins> silent;
    for (std::int32_t bin = 0; bin <= kTopBin; ++bin) {
        weak[bin] = (row[bin] > 0.0f) & (row[bin] < t);
        silent[bin] = row[bin] == 0.0f;
    }
    std::array<std::int32_t, kNoteBins> cleared;
    cleared[0] = 0;
    for (std::int32_t bin = 1; bin <= kTopBin; ++bin)
        cleared[bin] = weak[bin] & (silent[bin - 1] | cleared[bin - 1]);
    for (std::int32_t bin = 1; bin <= kTopBin; ++bin)
        row[bin] = cleared[bin] != 0 ? 0.0f : row[bin];
}

} // namespace trx
