#include "BeatSignals.h"

#include "beats/BeatGrid.h"
#include "beats/BeatTracker.h"
#include "cli/CliProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using trx::test::Pluck;

TEST(BeatTracking, AClickTrackAt100BpmIsOneTempoOf100) {
    std::vector<Pluck> clicks;
    for (const double t : trx::test::BeatTimes(100, 100, 0.3, 20.0))
        clicks.push_back({t, 96, 0.6});
    const trx::BeatTrack track = trx::test::TrackRecording(trx::test::PluckValues(clicks, 20.0));
    ASSERT_TRUE(track.Found());
    EXPECT_NEAR(track.Bpm, 100.0, 1.0);
    EXPECT_TRUE(track.Steady);
    const trx::MidiTimeBase base = trx::BeatGrid(track, 20.0).TimeBase();
    // A lead-in to the first beat, then the one tempo.
    ASSERT_LE(base.Tempi.size(), 2u);
    EXPECT_NEAR(base.Tempi.back().MicrosecondsPerQuarter, 600000, 6000);
}

TEST(BeatTracking, APianoSequenceAt137BpmHasItsBeatsWithin50Ms) {
    // Bass on the strong beats, chords on the others, a melody of quarters
    // and eighths; downbeats louder.
    std::mt19937 random(137);
    std::vector<Pluck> notes;
    const std::vector<double> truth = trx::test::BeatTimes(137, 137, 0.5, 24.0);
    const double step = 60.0 / 137;
    for (std::size_t k = 0; k < truth.size(); ++k) {
        const double t = truth[k];
        const double accent = k % 4 == 0 ? 1.0 : 0.7;
        if (k % 2 == 0)
            notes.push_back({t, 40 + static_cast<int>(k / 4 % 3) * 5, accent * 0.5});
        else
            for (const int key : {60, 64, 67})
                notes.push_back({t, key, accent * 0.2});
        notes.push_back({t, 72 + static_cast<int>(random() % 8), accent * 0.4});
        if (random() % 2 == 0)
            notes.push_back({t + step / 2, 72 + static_cast<int>(random() % 8), 0.25});
    }
    const trx::BeatTrack track = trx::test::TrackRecording(trx::test::PluckValues(notes, 25.0));
    ASSERT_TRUE(track.Found());
    EXPECT_NEAR(track.Bpm, 137.0, 137 * 0.01);
    std::size_t matched = 0;
    for (const double beat : track.Beats) {
        const auto nearest = std::min_element(truth.begin(), truth.end(), [&](double a, double b) {
            return std::abs(a - beat) < std::abs(b - beat);
        });
        if (beat > 1.0 && beat < 23.0) {
            EXPECT_NEAR(beat, *nearest, 0.05);
            ++matched;
        }
    }
    EXPECT_GE(matched, 45u);
}

TEST(BeatTracking, ASpeedUpFrom90To110GetsATempoMapThatFollowsIt) {
    std::vector<Pluck> notes;
    const std::vector<double> truth = trx::test::BeatTimes(90, 110, 0.4, 30.0);
    for (std::size_t k = 0; k < truth.size(); ++k)
        notes.push_back({truth[k], k % 4 == 0 ? 48 : 60 + static_cast<int>(k % 5), 0.5});
    const trx::BeatTrack track = trx::test::TrackRecording(trx::test::PluckValues(notes, 30.5));
    ASSERT_TRUE(track.Found());
    EXPECT_FALSE(track.Steady);
    const std::vector<trx::BeatGrid::Beat> beats = trx::BeatGrid(track, 30.5).Beats();
    ASSERT_GT(beats.size(), 20u);
    const auto tempoNear = [&](double seconds) {
        for (const auto& beat : beats)
            if (beat.Seconds >= seconds)
                return beat.Bpm;
        return 0.0;
    };
    EXPECT_NEAR(tempoNear(3.0), 92.0, 3.0);
    EXPECT_NEAR(tempoNear(15.0), 100.0, 3.0);
    EXPECT_NEAR(tempoNear(27.0), 108.0, 3.0);
    EXPECT_GT(trx::BeatGrid(track, 30.5).TimeBase().Tempi.size(), 10u);
}

TEST(BeatTracking, ABeatlessRecordingIsWrittenWithoutBeatGridAndSaysSo) {
    const trx::test::TempDir dir;
    // One held chord: a single onset, no beat.
    std::vector<Pluck> chord{{0.2, 60, 0.3}, {0.2, 64, 0.3}, {0.2, 67, 0.3}};
    std::vector<double> values = trx::test::PluckValues(chord, 6.0);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] +=
            0.2 * std::sin(2.0 * std::numbers::pi * 220.0 * static_cast<double>(i) / 44100);
    const std::string wav = trx::test::WriteWav(dir, "held.wav", {}, values);

    const std::string midi = dir.File("held.mid");
    const auto plain = trx::test::RunCli({wav});
    const std::string plainBytes = trx::test::ReadText(midi);
    const auto gridded = trx::test::RunCli({"--tempo", "auto", wav});
    ASSERT_EQ(plain.ExitCode, 0) << plain.Err;
    ASSERT_EQ(gridded.ExitCode, 0) << gridded.Err;
    EXPECT_NE(gridded.Err.find("no beat found, written without beat grid"), std::string::npos)
        << gridded.Err;
    EXPECT_EQ(trx::test::ReadText(midi), plainBytes);
    // No onsets at all: nothing to track either.
    EXPECT_FALSE(trx::TrackBeats(std::vector<float>(500, 0.0f), 0.0464).Found());
}

} // namespace
