#include "midi/MidiSave.h"

#include "MidiBytes.h"
#include "common/Constants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using trx::FloatMatrix;
using trx::test::Bytes;
using trx::test::MakeBytes;

constexpr std::int32_t kFirstBin = 8;
// Keys of bins 30 and 40.
constexpr int kKey30 = 39;
constexpr int kKey40 = 49;

void SetColumn(FloatMatrix& map, std::int32_t bin, std::int32_t from,
               const std::vector<float>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        map(from + static_cast<std::int32_t>(i), bin) = values[i];
}

// The note events between the port event and the end of track.
Bytes NoteEvents(const FloatMatrix& map, float maximum, std::int32_t minimumComponent) {
    const Bytes file =
        trx::BuildMidiFromNoteMap("t.mid", map, maximum, kFirstBin, minimumComponent, -1);
    const Bytes body = trx::test::NoteTrackBody(file);
    EXPECT_EQ(trx::test::ReadLong(file, trx::test::NoteTrackOffset(file) + 4), body.size());
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 5), MakeBytes({0x00, 0xFF, 0x21, 0x01, 0x00}));
    EXPECT_EQ(Bytes(body.end() - 4, body.end()), MakeBytes({0x00, 0xFF, 0x2F, 0x00}));
    return Bytes(body.begin() + 5, body.end() - 4);
}

TEST(SaveNoteMap, SilentMapGivesOnlyPortAndEndOfTrack) {
    const FloatMatrix map(20, trx::kNoteBins);
    EXPECT_EQ(NoteEvents(map, 3, 15), Bytes{});
}

TEST(SaveNoteMap, NoteStartsAboveTheThresholdAndLastsUntilItsCellIsZero) {
    FloatMatrix map(6, trx::kNoteBins);
    SetColumn(map, 30, 0, {5, 1, 1, 0}); // threshold 20 % of 10 = 2
    EXPECT_EQ(NoteEvents(map, 10, 20), MakeBytes({0, 0x90, kKey30, 63, 3, kKey30, 0}));

    FloatMatrix late(6, trx::kNoteBins);
    SetColumn(late, 30, 0, {1, 5, 0});
    EXPECT_EQ(NoteEvents(late, 10, 20), MakeBytes({1, 0x90, kKey30, 63, 1, kKey30, 0}));
}

TEST(SaveNoteMap, EndsComeBeforeStartsInTheSameSlice) {
    FloatMatrix map(6, trx::kNoteBins);
    SetColumn(map, 40, 0, {5, 5, 0});
    SetColumn(map, 30, 2, {10, 0}); // lower bin, starting as 40 ends
    EXPECT_EQ(NoteEvents(map, 10, 15),
              MakeBytes({0, 0x90, kKey40, 63, 2, kKey40, 0, 0, kKey30, 126, 1, kKey30, 0}));
}

TEST(SaveNoteMap, NotesSoundingAtTheEndAreClosedAfterTheLastSlice) {
    FloatMatrix map(4, trx::kNoteBins);
    SetColumn(map, 40, 0, {10, 10, 10, 10});
    SetColumn(map, 30, 1, {7, 7, 7});
    EXPECT_EQ(NoteEvents(map, 10, 15),
              MakeBytes({0, 0x90, kKey40, 126, 1, kKey30, 88, 3, kKey30, 0, 0, kKey40, 0}));
}

TEST(SaveNoteMap, FaintCellWithoutMinimumStartsASilentNote) {
    FloatMatrix map(4, trx::kNoteBins);
    SetColumn(map, 30, 0, {0.5f, 0.5f, 0});
    EXPECT_EQ(NoteEvents(map, 126, 0), MakeBytes({0, 0x90, kKey30, 0, 2, kKey30, 0}));
}

TEST(SaveNoteMap, NoMaximumWritesNoNotesAndBinsBelowTheFirstAreNotScanned) {
    FloatMatrix map(4, trx::kNoteBins);
    SetColumn(map, 30, 0, {5, 5});
    EXPECT_EQ(NoteEvents(map, 0, 15), Bytes{});

    FloatMatrix low(4, trx::kNoteBins);
    SetColumn(low, kFirstBin - 1, 0, {5, 5});
    EXPECT_EQ(NoteEvents(low, 5, 15), Bytes{});
}

// The note events as the plain sweep writes them: per slice the ends, then
// the starts, each over every bin; notes still sounding end after the last
// slice.
Bytes PlainNoteEvents(const FloatMatrix& map, float maximum, std::int32_t minimumComponent) {
    const float threshold = static_cast<float>(minimumComponent * (long double){maximum} / 100);
    Bytes events;
    std::int32_t last = 0;
    bool first = true;
    const auto event = [&](std::int32_t slice, std::int32_t bin, int velocity) {
        // Deltas here stay below 16384 slices: one or two bytes.
        const auto delta = static_cast<std::uint32_t>(slice - last);
        if (delta >= 128)
            events.push_back(static_cast<std::uint8_t>(0x80 | (delta >> 7)));
        events.push_back(static_cast<std::uint8_t>(delta & 0x7F));
        if (first)
            events.push_back(0x90);
        first = false;
        events.push_back(static_cast<std::uint8_t>(bin + 9));
        events.push_back(static_cast<std::uint8_t>(velocity));
        last = slice;
    };
    std::vector<bool> sounding(trx::kNoteBins, false);
    for (std::int32_t s = 0; s < map.Rows(); ++s) {
        for (std::int32_t b = kFirstBin; b < trx::kNoteBins; ++b)
            if (sounding[b] && map(s, b) == 0.0f) {
                sounding[b] = false;
                event(s, b, 0);
            }
        for (std::int32_t b = kFirstBin; b < trx::kNoteBins; ++b)
            if (maximum > 0.0f && !sounding[b] && map(s, b) > threshold) {
                sounding[b] = true;
                event(s, b, static_cast<int>(map(s, b) * 126.0L / maximum));
            }
    }
    for (std::int32_t b = kFirstBin; b < trx::kNoteBins; ++b)
        if (sounding[b])
            event(map.Rows(), b, 0);
    return events;
}

TEST(SaveNoteMap, RandomMapsGiveTheEventsOfThePlainSweep) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 300; ++trial) {
        FloatMatrix map(std::uniform_int_distribution<int>(1, 200)(random), trx::kNoteBins);
        for (int run = std::uniform_int_distribution<int>(0, 60)(random); run > 0; --run) {
            const std::int32_t bin = std::uniform_int_distribution<int>(0, 106)(random);
            const std::int32_t from = std::uniform_int_distribution<int>(0, map.Rows() - 1)(random);
            const std::int32_t length = std::uniform_int_distribution<int>(1, 20)(random);
            for (std::int32_t s = from; s < std::min(from + length, map.Rows()); ++s)
                map(s, bin) = std::uniform_real_distribution<float>(0.0f, 12.0f)(random);
        }
        const std::int32_t minimum = std::uniform_int_distribution<int>(0, 100)(random);
        ASSERT_EQ(NoteEvents(map, 12, minimum), PlainNoteEvents(map, 12, minimum)) << trial;
    }
}

// A small conversion: a three-note chord, a bin with two notes, a note
// still sounding at the end, a faint cell below the threshold, a cell below
// the first note bin, a key signature of A minor.
FloatMatrix GoldenNoteMap() {
    FloatMatrix map(16, trx::kNoteBins);
    SetColumn(map, 48, 1, {9, 9, 8.5f, 8, 7, 7});
    SetColumn(map, 52, 1, {6, 6, 6, 5.5f, 5});
    SetColumn(map, 55, 1, {4, 4, 4, 4});
    SetColumn(map, 60, 0, {0.2f, 12, 11, 0, 0, 0, 3, 3, 3, 0, 0.2f});
    SetColumn(map, 36, 9, {2.5f, 2.5f, 2.5f, 2.5f, 2.5f, 2.5f, 2.5f});
    map(5, kFirstBin - 1) = 12;
    return map;
}

TEST(SaveNoteMap, SmallConversionMatchesTheGoldenFile) {
    const Bytes golden = trx::test::ReadFileBytes(std::string(TREMOLUNDRIX_TEST_DATA) +
                                                  "/midi/small_conversion.mid");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(
        trx::BuildMidiFromNoteMap("small_conversion.mid", GoldenNoteMap(), 12, kFirstBin, 15, 22),
        golden);
}

TEST(SaveNoteMap, SavedFileIsTheBuiltFileAndReplacesALongerOne) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("trx-midisave-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "song.mid").string();
    {
        std::ofstream longer(path, std::ios::binary);
        longer << std::string(5000, 'z');
    }
    const Bytes expected = trx::BuildMidiFromNoteMap(path, GoldenNoteMap(), 12, kFirstBin, 15, 5);
    trx::SaveNoteMapAsMidi(path, GoldenNoteMap(), 12, kFirstBin, 15, 5);
    EXPECT_EQ(trx::test::ReadFileBytes(path), expected);
    std::filesystem::remove_all(folder);
}

} // namespace
