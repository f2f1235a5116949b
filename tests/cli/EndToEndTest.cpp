#include "CliProcess.h"
#include "MidiFileReader.h"
#include "ToneSequence.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using trx::test::BinFrequency;
using trx::test::Segment;

namespace {

TEST(EndToEnd, AMelodyAndAChordBecomeExactlyTheirNotes) {
    const trx::test::TempDir dir;
    // A3, C#4 and A4 one after another, then C5 + E5 + G5 together, each
    // held 22 slices (about one second); bin b is MIDI key b + 9.
    const double held = trx::test::SlicesLong(22);
    const std::vector<Segment> music{
        {{{BinFrequency(48), 0.5}}, held},
        {{{BinFrequency(52), 0.5}}, held},
        {{{BinFrequency(60), 0.5}}, held},
        {{{BinFrequency(63), 0.3}, {BinFrequency(67), 0.3}, {BinFrequency(70), 0.3}}, held},
    };
    ASSERT_DOUBLE_EQ(BinFrequency(48), 220.0);
    ASSERT_DOUBLE_EQ(BinFrequency(60), 440.0);
    const std::string wav = trx::test::WriteToneWav(dir, "music.wav", music);

    const auto run = trx::test::RunCli({"-q", wav});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const auto midi = trx::test::ParseMidi(trx::test::ReadText(dir.File("music.mid")));
    EXPECT_EQ(midi.Format, 1);
    EXPECT_EQ(midi.Division, 8);

    // One tick per slice; each note also takes the silent slice before it.
    std::multiset<std::pair<std::uint32_t, int>> starts;
    for (const auto& start : trx::test::NoteStarts(midi))
        starts.insert({start.Tick, start.Key});
    EXPECT_EQ(starts, (std::multiset<std::pair<std::uint32_t, int>>{
                          {0, 57}, {21, 61}, {43, 69}, {65, 72}, {65, 76}, {65, 79}}));
}

TEST(EndToEnd, TheAccurateEngineWritesTheNotesOfAMelody) {
    const trx::test::TempDir dir;
    // A4, C5, E5, then C4 + E4 + G4, 20 slices each.
    const double held = trx::test::SlicesLong(20);
    const std::vector<Segment> music{
        {{{BinFrequency(60), 0.4}}, held},
        {{{BinFrequency(63), 0.4}}, held},
        {{{BinFrequency(67), 0.4}}, held},
        {{{BinFrequency(51), 0.25}, {BinFrequency(55), 0.25}, {BinFrequency(58), 0.25}}, held},
    };
    const std::string wav = trx::test::WriteToneWav(dir, "melody.wav", music);
    const auto bad = trx::test::RunCli({"--engine", "fast", wav});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_NE(bad.Err.find("--engine must be classic or accurate"), std::string::npos) << bad.Err;

    const auto run = trx::test::RunCli({"-q", "--engine", "accurate", wav});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto midi = trx::test::ParseMidi(trx::test::ReadText(dir.File("melody.mid")));
    std::multiset<std::pair<std::uint32_t, int>> starts;
    for (const auto& start : trx::test::NoteStarts(midi))
        starts.insert({start.Tick, start.Key});
    // One tick per slice; a start may fall one slice early or late.
    const std::vector<std::pair<std::uint32_t, int>> expected{{0, 69},  {20, 72}, {40, 76},
                                                              {60, 60}, {60, 64}, {60, 67}};
    ASSERT_EQ(starts.size(), expected.size());
    auto found = starts.begin();
    for (const auto& [tick, key] : expected) {
        EXPECT_EQ(found->second, key);
        EXPECT_LE(std::abs(static_cast<int>(found->first) - static_cast<int>(tick)), 1);
        ++found;
    }
}

} // namespace
