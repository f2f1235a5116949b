#pragma once

#include <cstdint>

namespace trx {

// The fixed frame of the analysis: one channel at 44100 samples per second,
// cut into non-overlapping slices of 2048 samples, 107 semitone bins from the
// A at 13.75 Hz upward. One MIDI tick is one slice.
inline constexpr std::int32_t kSampleRate = 44100;
inline constexpr std::int32_t kSliceLength = 2048;
inline constexpr std::int32_t kNoteBins = 107;
inline constexpr double kBaseFrequency = 13.75;
// Entries per slice of LoudestComponents.
inline constexpr std::int32_t kLoudestCount = 10;
// MIDI key of note bin 0.
inline constexpr std::int32_t kFirstMidiKey = 9;

} // namespace trx
