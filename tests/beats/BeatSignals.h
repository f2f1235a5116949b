#pragma once

// Recordings of known beat for the beat tracking tests: plucked tones (a
// few harmonics, decaying) at given times, analysed as the converter does.

#include "app/ConversionSession.h"
#include "beats/BeatTracker.h"
#include "common/ProgressReporter.h"
#include "support/TestWav.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace trx::test {

struct Pluck {
    double Seconds;
    int MidiKey;
    double Amplitude;
};

inline std::vector<double> PluckValues(const std::vector<Pluck>& plucks, double seconds) {
    constexpr double kRate = 44100.0;
    std::vector<double> values(static_cast<std::size_t>(seconds * kRate), 0.0);
    for (const Pluck& p : plucks) {
        const double f = 440.0 * std::pow(2.0, (p.MidiKey - 69) / 12.0);
        const auto first = static_cast<std::size_t>(p.Seconds * kRate);
        for (std::size_t i = first; i < values.size() && i < first + 44100; ++i) {
            const double t = static_cast<double>(i - first) / kRate;
            double v = 0.0;
            for (int h = 1; h <= 3; ++h)
                v += std::sin(2.0 * std::numbers::pi * f * h * t) / h;
            values[i] += p.Amplitude * 0.5 * v * std::exp(-t / 0.25);
        }
    }
    return values;
}

// Beat times from startSeconds at a tempo going linearly from bpm to
// endBpm over the beats, until seconds.
inline std::vector<double> BeatTimes(double bpm, double endBpm, double startSeconds,
                                     double seconds) {
    std::vector<double> beats{startSeconds};
    while (beats.back() < seconds) {
        const double share = beats.back() / seconds;
        beats.push_back(beats.back() + 60.0 / (bpm + (endBpm - bpm) * share));
    }
    beats.pop_back();
    return beats;
}

// The beats tracked in the converter's amplitude map of the recording,
// analysed through a WAV file.
inline BeatTrack TrackRecording(const std::vector<double>& values) {
    const TempDir dir;
    const std::string wav = WriteWav(dir, "beats.wav", WavSpec{}, values);
    ConversionSession session;
    ProgressReporter quiet;
    if (!session.ConvertFile(wav, ConversionSettings{}, quiet).empty())
        return {};
    const FloatMatrix& map = session.State.AmplitudeMap;
    return TrackBeatsInMap(map, session.AnalysedFirstNoteBin, map.Rows());
}

} // namespace trx::test
