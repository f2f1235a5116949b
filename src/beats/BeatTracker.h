#pragma once

#include "common/FloatMatrix.h"

#include <cstdint>
#include <span>
#include <vector>

namespace trx {

inline constexpr double kSlowestBpm = 40.0;
inline constexpr double kFastestBpm = 240.0;

// The beats found in a recording.
struct BeatTrack {
    // Beat times in seconds, ascending; empty when no beat was found.
    std::vector<double> Beats;
    // The tempo fitted to all beats, in beats per minute (0 without beats).
    double Bpm = 0.0;
    // Seconds of the fitted grid's beat 0: beat n of the grid lies at
    // Phase + n x 60 / Bpm.
    double Phase = 0.0;
    // The local tempo stays within 2% of Bpm, so one tempo describes it.
    bool Steady = false;

    [[nodiscard]] bool Found() const { return !Beats.empty(); }
};

// The tempo of an onset-strength curve (frame i at i x frameSeconds), in
// 40..240 beats per minute, or 0 when the curve shows no periodic beat.
// Comb-filtered autocorrelation, interpolated between frames; of the
// metrical levels an octave apart, the one the evidence clearly prefers,
// and only when it does not, the one nearer 80..160 beats per minute.
[[nodiscard]] double EstimateTempo(std::span<const float> onset, double frameSeconds);

// Beats of an onset-strength curve by dynamic programming around the
// estimated tempo (or fixedBpm when positive), which follows small tempo
// changes; each beat is placed at the centre of its onset between frames.
// With fixedBpm the beats keep that tempo exactly (Steady).
[[nodiscard]] BeatTrack TrackBeats(std::span<const float> onset, double frameSeconds,
                                   double fixedBpm = 0.0);

// TrackBeats on the onset strength of the first sliceCount slices of an
// amplitude map.
[[nodiscard]] BeatTrack TrackBeatsInMap(const FloatMatrix& amplitudeMap, std::int32_t firstNoteBin,
                                        std::int32_t sliceCount, double fixedBpm = 0.0);

} // namespace trx
