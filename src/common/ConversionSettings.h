#pragma once

#include <array>
#include <cstdint>

namespace trx {

// The ten conversion parameters, as the main window's controls hold them.
// Percentages are track-bar positions 0..100; stages divide them by 100.
struct ConversionSettings {
    std::int32_t TuningCents = 0;
    std::int32_t Polyphony = 5;
    std::int32_t ChordThreshold = 30;
    std::int32_t NeighbourThreshold = 80;
    std::int32_t MinimumComponent = 15;
    std::int32_t AmplitudeFluctuation = 30;
    bool PhaseAnalysis = false;
    bool SpikeRemoval = true;
    bool LoudStart = true;
    bool DrawSpectrum = false;

    bool operator==(const ConversionSettings&) const = default;
};

// Range and default of one track-bar parameter.
struct SettingRange {
    std::int32_t Minimum;
    std::int32_t Maximum;
    std::int32_t Default;
    std::int32_t PageStep;
    std::int32_t TickInterval;
};

// The six track-bar parameters in settings-file order.
inline constexpr std::array<SettingRange, 6> kTrackBarRanges{{
    {-50, 50, 0, 10, 10}, // TuningCents
    {1, 10, 5, 1, 1},     // Polyphony
    {0, 100, 30, 5, 10},  // ChordThreshold
    {0, 100, 80, 5, 10},  // NeighbourThreshold
    {0, 100, 15, 5, 10},  // MinimumComponent
    {0, 100, 30, 5, 10},  // AmplitudeFluctuation
}};

[[nodiscard]] constexpr std::int32_t ClampToRange(std::int32_t value, const SettingRange& range) {
    return value < range.Minimum ? range.Minimum : (value > range.Maximum ? range.Maximum : value);
}

} // namespace trx
