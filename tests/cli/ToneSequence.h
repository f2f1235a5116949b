#pragma once

// Recordings of held notes for the converter's tests: each segment is a sum
// of sines at exact note frequencies, one segment after another.

#include "support/TestWav.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace trx::test {

struct Tone {
    double Frequency;
    double Amplitude;
};

struct Segment {
    std::vector<Tone> Tones;
    double Seconds;
};

// Frequency of note bin b at a tuning of 0 cents: 13.75 Hz * 2^(b/12).
inline double BinFrequency(int bin) {
    return 13.75 * std::pow(2.0, bin / 12.0);
}

// The length of n analysis slices of 2048 samples at 44100 Hz; a segment of
// whole slices keeps every note change on a slice boundary.
inline double SlicesLong(int n) {
    return n * 2048.0 / 44100.0;
}

// The segments as sample values in -1..1 at sampleRate, repeated on every
// channel.
inline std::vector<double> ToneValues(const std::vector<Segment>& segments,
                                      std::uint32_t sampleRate = 44100,
                                      std::uint16_t channels = 1) {
    std::vector<double> values;
    for (const Segment& segment : segments) {
        const auto frames = static_cast<std::size_t>(segment.Seconds * sampleRate);
        for (std::size_t i = 0; i < frames; ++i) {
            double v = 0.0;
            for (const Tone& tone : segment.Tones)
                v += tone.Amplitude * std::sin(2.0 * std::numbers::pi * tone.Frequency *
                                               static_cast<double>(i) / sampleRate);
            for (std::uint16_t c = 0; c < channels; ++c)
                values.push_back(v);
        }
    }
    return values;
}

inline std::string WriteToneWav(const TempDir& dir, const std::string& name,
                                const std::vector<Segment>& segments, const WavSpec& spec = {}) {
    return WriteWav(dir, name, spec, ToneValues(segments, spec.sampleRate, spec.channels));
}

} // namespace trx::test
