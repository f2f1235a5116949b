#include "notes/SliceSelection.h"

#include "notes/Extended.h"

#include <algorithm>
#include <cmath>

namespace trx {
namespace {

constexpr std::int32_t kTopBin = kNoteBins - 1;
// Spread removal tests peaks up to this bin only.
constexpr std::int32_t kLastSpreadPeak = 50;

} // namespace

float SliceMaximum(ConstNoteRow row, std::int32_t firstNoteBin) {
    float maximum = 0.0f;
    for (std::int32_t i = std::max(firstNoteBin, 0); i <= kTopBin; ++i)
        if (row[i] > maximum)
            maximum = row[i];
    return maximum;
}

void RemoveSpread(NoteRow row, std::int32_t firstNoteBin, std::int32_t amplitudeFluctuation) {
    const Extended f = amplitudeFluctuation / Extended{100};
    // The test reads two bins below the candidate, so bin 2 is the lowest
    // candidate whatever the first analysed bin.
    for (std::int32_t j = std::max(firstNoteBin, 2); j <= kLastSpreadPeak; ++j) {
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
    for (std::int32_t k = std::max(firstNoteBin, 1); k <= kTopBin - 1; ++k) {
        const Extended scaled = row[k] * n;
        if (scaled > row[k + 1])
            row[k + 1] = 0.0f;
        if (scaled > row[k - 1])
            row[k - 1] = 0.0f;
    }
}

void ApplyChordThreshold(NoteRow row, std::int32_t firstNoteBin, std::int32_t chordThreshold,
                         float sliceMaximum) {
    const float h = static_cast<float>(chordThreshold * Extended{sliceMaximum} / 100);
    for (std::int32_t bin = std::max(firstNoteBin, 0); bin <= kTopBin - 1; ++bin)
        if (row[bin] < h)
            row[bin] = 0.0f;
}

void RankLoudest(ConstNoteRow row, std::int32_t firstNoteBin, LoudestRow loudest) {
    std::fill(loudest.begin(), loudest.end(), 0.0f);
    for (std::int32_t i = std::max(firstNoteBin, 0); i <= kTopBin; ++i) {
        const float value = row[i];
        // Most bins rank below the tenth entry (zeros always do).
        if (!(value > loudest.back()))
            continue;
        const auto entry = std::find_if(loudest.begin(), loudest.end(),
                                        [value](float ranked) { return value > ranked; });
        if (entry == loudest.end())
            continue;
        std::move_backward(entry, loudest.end() - 1, loudest.end());
        *entry = value;
    }
}

void LimitPolyphony(NoteRow row, std::span<const float, kLoudestCount> loudest,
                    std::int32_t polyphony) {
    const std::int32_t entry = std::clamp(polyphony, 1, kLoudestCount) - 1;
    const float t = loudest[static_cast<std::size_t>(entry)];
    if (!(t > 0.0f))
        return;
    for (std::int32_t bin = 1; bin <= kTopBin; ++bin)
        if (row[bin] > 0.0f && row[bin - 1] == 0.0f && row[bin] < t)
            row[bin] = 0.0f;
}

} // namespace trx
