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

} // namespace
