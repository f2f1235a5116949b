#include "beats/BeatGridMidi.h"
#include "cli/MidiFileReader.h"
#include "common/Constants.h"
#include "midi/MidiSave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// A steady grid at 120 beats per minute with its beats on the half seconds.
trx::BeatGrid Grid120() {
    trx::BeatTrack track;
    for (int k = 1; k <= 10; ++k)
        track.Beats.push_back(0.5 * k);
    track.Bpm = 120.0;
    track.Phase = 0.5;
    track.Steady = true;
    return trx::BeatGrid(track, 5.0);
}

// (start tick, end tick) of each note, by key, from a file's note-ons.
std::multimap<int, std::pair<std::uint32_t, std::uint32_t>> Notes(const trx::test::MidiFile& file) {
    std::multimap<int, std::pair<std::uint32_t, std::uint32_t>> notes;
    std::map<int, std::uint32_t> open;
    for (const auto& event : file.Tracks.at(1)) {
        if (event.Status != 0x90)
            continue;
        const int key = event.Data[0];
        if (event.Data[1] > 0)
            open[key] = event.Tick;
        else
            notes.insert({key, {open.at(key), event.Tick}});
    }
    return notes;
}

TEST(BeatGridMidi, WithoutABeatGridTheFileIsTodaysByteForByte) {
    trx::FloatMatrix map(300, trx::kNoteBins);
    for (int s = 0; s < 300; ++s)
        for (int b = 20; b < 100; b += 7)
            if (const double v = std::sin(s * 0.37 + b * 1.3); v > 0.2)
                map(s, b) = static_cast<float>(v * 100);
    const auto bytes = trx::BuildMidiFromNoteMap("/tmp/x/song.mid", map, 100.0f, 9, 15, 4);
    // FNV-1a of the file the writer gave before the beat grid existed.
    std::uint64_t hash = 1469598103934665603ull;
    for (const std::uint8_t c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    EXPECT_EQ(bytes.size(), 1441u);
    EXPECT_EQ(hash, 0x27dfd3bc4e515aeeull);
    trx::TMidiFile plain("a.mid", 3);
    trx::TMidiFile framed("a.mid", 3, trx::MidiTimeBase{});
    EXPECT_EQ(plain.FileBytes(), framed.FileBytes());

    // The beat grid's notes are the plain file's, at their slices' times.
    const auto notes = trx::NotesOfNoteMap(map, 100.0f, 9, 15);
    const auto plainNotes = Notes(trx::test::ParseMidi(Text(bytes)));
    ASSERT_EQ(notes.size(), plainNotes.size());
}

TEST(BeatGridMidi, TheGridPutsBeatsOnQuarterNotesAndQuantisingSnapsToIt) {
    const trx::BeatGrid grid = Grid120();
    const std::vector<trx::TimedNote> notes{
        {0.98, 1.2, 60, 90},  // 20 ms before the beat at tick 960
        {1.5, 1.53, 62, 90},  // 30 ms long
        {1.99, 2.05, 64, 90}, // two of one key that snap to one step
        {2.02, 2.2, 64, 80},
    };
    const auto real =
        trx::test::ParseMidi(Text(trx::BuildBeatGridMidi("g.mid", notes, -1, grid, 0)));
    EXPECT_EQ(real.Division, 480);
    EXPECT_EQ(trx::test::MetaData(real, 0x58), (std::vector<std::uint8_t>{4, 2, 24, 8}));
    EXPECT_EQ(trx::test::MetaData(real, 0x51), (std::vector<std::uint8_t>{0x07, 0xA1, 0x20}));
    const auto realNotes = Notes(real);
    EXPECT_EQ(realNotes.find(60)->second, (std::pair<std::uint32_t, std::uint32_t>{941, 1152}));

    const auto snapped =
        Notes(trx::test::ParseMidi(Text(trx::BuildBeatGridMidi("g.mid", notes, -1, grid, 16))));
    EXPECT_EQ(snapped.find(60)->second.first, 960u);
    EXPECT_EQ(snapped.find(62)->second, (std::pair<std::uint32_t, std::uint32_t>{1440, 1560}));
    const auto [first, last] = snapped.equal_range(64);
    ASSERT_EQ(std::distance(first, last), 2);
    EXPECT_EQ(first->second, (std::pair<std::uint32_t, std::uint32_t>{1920, 2040}));
    EXPECT_EQ(std::next(first)->second.first, 2040u);
}

} // namespace
