#include "notes/MapPasses.h"

#include "common/Constants.h"
#include "common/Errors.h"
#include "notes/Extended.h"

#include <algorithm>

namespace trx {
namespace {

constexpr std::int32_t kTopBin = kNoteBins - 1;
// A swell counts as a new attack only this many slices after the onset.
constexpr std::int32_t kReattackDelay = 10;
constexpr Extended kReattackRise = 1.1L;

// One bin of the note map seen along time.
class BinColumn {
public:
    BinColumn(FloatMatrix& map, std::int32_t bin)
        : map_(map)
        , bin_(bin) {}
    float& operator[](std::int32_t slice) { return map_(slice, bin_); }

private:
    FloatMatrix& map_;
    std::int32_t bin_;
};

[[nodiscard]] float Single(Extended value) {
    return static_cast<float>(value);
}

void SmoothBin(BinColumn n, std::int32_t sliceCount, Extended f) {
    float sum = 0.0f;
    std::int32_t count = 0;
    float onset = 0.0f;
    std::int32_t onsetSlice = 0;
    for (std::int32_t j = 0; j <= 4 && j < sliceCount; ++j) {
        const float v = n[j];
        if (v > 0.0f) {
            ++count;
            if (onset == 0.0f) {
                onset = v;
                onsetSlice = j;
            }
        }
        sum = Single(Extended{sum} + v);
    }

    const Extended low = 1 - f;
    const Extended high = 1 + f;
    for (std::int32_t j = 5; j <= sliceCount - 2; ++j) {
        float v = n[j];
        if (v == 0.0f && count > 0) {
            const float mean = Single(Extended{sum} / count);
            const float next = n[j + 1];
            if (low * mean < next && next < high * mean)
                n[j] = mean;
        } else if (onset > 0.0f && count > 0 && v > (kReattackRise + f) * onset &&
                   v > (Extended{sum} / count) * high && n[j - 1] > 0.0f &&
                   j - onsetSlice > kReattackDelay) {
            // Split the note: the slice before the swell falls silent.
            sum = Single(Extended{sum} - n[j - 1]);
            --count;
            n[j - 1] = 0.0f;
            onsetSlice = j;
        } else if (count > 0) {
            const float mean = Single(Extended{sum} / count);
            if (low * mean < v && v < high * mean)
                n[j] = mean;
        }

        // A slice leaving the window takes the current mean with it.
        v = n[j];
        if (n[j - 5] > 0.0f && count > 0) {
            sum = Single(Extended{sum} * (count - 1) / count);
            --count;
        }
        if (v > 0.0f) {
            sum = Single(Extended{sum} + v);
            ++count;
            if (n[j - 1] == 0.0f) {
                onset = v;
                onsetSlice = j;
            }
        }
    }
}

void BridgeGaps(BinColumn n, std::int32_t sliceCount) {
    for (std::int32_t s = 0; s <= sliceCount - 5; ++s) {
        if (n[s] > 0.0f && n[s + 1] == 0.0f && n[s + 2] > 0.0f &&
            (n[s + 3] == 0.0f || (n[s + 3] > 0.0f && n[s + 4] == 0.0f)))
            n[s + 1] = n[s];
    }
}

} // namespace

void RemoveSpikes(FloatMatrix& noteMap, std::int32_t firstNoteBin) {
    const std::int32_t sliceCount = noteMap.Rows();
    for (std::int32_t i = std::max(firstNoteBin, 0); i <= kTopBin; ++i) {
        BinColumn n(noteMap, i);
        for (std::int32_t s = 2; s <= sliceCount - 4; ++s) {
            if (n[s] > 0.0f && n[s - 2] == 0.0f && n[s - 1] == 0.0f && n[s + 1] == 0.0f &&
                n[s + 2] == 0.0f)
                n[s] = 0.0f;
        }
    }
}

void FillOnsets(FloatMatrix& noteMap) {
    const std::int32_t sliceCount = noteMap.Rows();
    for (std::int32_t i = 0; i <= kTopBin; ++i) {
        BinColumn n(noteMap, i);
        for (std::int32_t s = 2; s <= sliceCount - 4; ++s) {
            if (n[s] < n[s + 1] && n[s - 1] == 0.0f)
                n[s] = n[s + 1];
        }
    }
}

void SmoothAmplitudeFluctuation(FloatMatrix& noteMap, std::int32_t firstNoteBin,
                                std::int32_t amplitudeFluctuation) {
    const Extended f = amplitudeFluctuation / Extended{100};
    const std::int32_t sliceCount = noteMap.Rows();
    for (std::int32_t i = std::max(firstNoteBin, 0); i <= kTopBin; ++i) {
        SmoothBin(BinColumn(noteMap, i), sliceCount, f);
        BridgeGaps(BinColumn(noteMap, i), sliceCount);
    }
}

void ApplyLoudStart(FloatMatrix& noteMap, std::int32_t firstNoteBin) {
    const std::int32_t sliceCount = noteMap.Rows();
    for (std::int32_t i = std::max(firstNoteBin, 0); i <= kTopBin; ++i) {
        BinColumn n(noteMap, i);
        for (std::int32_t s = sliceCount - 2; s >= 0; --s) {
            if (n[s] < n[s + 1] && n[s] > 0.0f)
                n[s] = n[s + 1];
        }
    }
}

void ScaleNoteMap(FloatMatrix& noteMap, std::int32_t firstNoteBin, std::int32_t minimumComponent,
                  float& noteMapMaximum) {
    noteMapMaximum = 0.0f;
    double sum = 0.0;
    std::int64_t count = 0;
    float* const cells = noteMap.Data();
    const std::size_t cellCount =
        static_cast<std::size_t>(noteMap.Rows()) * static_cast<std::size_t>(noteMap.Cols());
    for (std::size_t c = 0; c < cellCount; ++c) {
        const float cell = cells[c];
        if (cell > noteMapMaximum)
            noteMapMaximum = cell;
        sum += cell;
        if (cell > 0.0f)
            ++count;
    }
    if (count == 0) {
        // The mean of no positive cell is undefined.
        noteMapMaximum = 0.0f;
        throw TremolundrixError("Invalid floating point operation");
    }

    const double mean = sum / static_cast<double>(count);
    const float target = Single(Extended{1.5} * mean);
    const float scale =
        mean == noteMapMaximum ? 1.0f : Single((target - Extended{mean}) / (noteMapMaximum - mean));
    for (std::size_t c = 0; c < cellCount; ++c) {
        if (cells[c] > mean)
            cells[c] = Single((cells[c] - Extended{mean}) * scale + mean);
    }
    noteMapMaximum = target;

    const float minimum = Single(minimumComponent * Extended{noteMapMaximum} / 100);
    for (std::int32_t s = 0; s < noteMap.Rows(); ++s) {
        for (std::int32_t bin = std::max(firstNoteBin, 0); bin <= kTopBin; ++bin) {
            if (noteMap(s, bin) < minimum)
                noteMap(s, bin) = 0.0f;
        }
    }
}

void RunMapPasses(FloatMatrix& noteMap, std::int32_t firstNoteBin,
                  const ConversionSettings& settings, float& noteMapMaximum) {
    if (settings.SpikeRemoval)
        RemoveSpikes(noteMap, firstNoteBin);
    FillOnsets(noteMap);
    SmoothAmplitudeFluctuation(noteMap, firstNoteBin, settings.AmplitudeFluctuation);
    if (settings.LoudStart)
        ApplyLoudStart(noteMap, firstNoteBin);
    ScaleNoteMap(noteMap, firstNoteBin, settings.MinimumComponent, noteMapMaximum);
}

} // namespace trx
