#include "notes/MapPasses.h"

#include "common/Constants.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using trx::FloatMatrix;

constexpr std::int32_t kFirstBin = 8;
constexpr std::int32_t kBin = 30;

// A map of sliceCount slices whose bin kBin holds column from slice from on.
FloatMatrix MapWithColumn(std::int32_t sliceCount, const std::vector<float>& column,
                          std::int32_t from = 0) {
    FloatMatrix map(sliceCount, trx::kNoteBins);
    for (std::size_t i = 0; i < column.size(); ++i)
        map(from + static_cast<std::int32_t>(i), kBin) = column[i];
    return map;
}

std::vector<float> Column(const FloatMatrix& map, std::int32_t from, std::int32_t count,
                          std::int32_t bin = kBin) {
    std::vector<float> column;
    for (std::int32_t s = from; s < from + count; ++s)
        column.push_back(map(s, bin));
    return column;
}

TEST(SpikeRemoval, LoneSliceBetweenSilenceIsClearedButNotNearTheEnd) {
    FloatMatrix map = MapWithColumn(14, {});
    map(10, kBin) = 5;
    map(11, kBin + 1) = 5; // two slices long: kept
    map(12, kBin + 1) = 5;
    trx::RemoveSpikes(map, kFirstBin);
    EXPECT_EQ(map(10, kBin), 0.0f);
    EXPECT_EQ(map(11, kBin + 1), 5.0f);

    FloatMatrix late = MapWithColumn(14, {});
    late(11, kBin) = 5; // SliceCount - 3: beyond the tested slices
    trx::RemoveSpikes(late, kFirstBin);
    EXPECT_EQ(late(11, kBin), 5.0f);
}

TEST(OnsetFill, NoteAfterSilenceGainsOneSliceAtItsFront) {
    FloatMatrix map = MapWithColumn(20, {4, 6, 6, 6}, 10);
    trx::FillOnsets(map);
    EXPECT_EQ(Column(map, 8, 6), (std::vector<float>{0, 4, 4, 6, 6, 6}));
}

TEST(OnsetFill, NoteAfterOneSilentSliceKeepsItsStartButRisesToItsSecondSlice) {
    FloatMatrix map = MapWithColumn(20, {5, 5, 0, 3, 6, 6}, 4);
    trx::FillOnsets(map);
    EXPECT_EQ(Column(map, 4, 6), (std::vector<float>{5, 5, 0, 6, 6, 6}));
}

TEST(AmplitudeFluctuation, HeldNoteOfConstantLoudnessIsUnchanged) {
    FloatMatrix map = MapWithColumn(40, std::vector<float>(30, 10), 3);
    const FloatMatrix before = map;
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 30);
    EXPECT_EQ(map, before);
}

TEST(AmplitudeFluctuation, SmallWobbleIsEvenedToTheRunningMean) {
    FloatMatrix map = MapWithColumn(30, {10, 10, 10, 10, 10, 11, 9, 10}, 0);
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 30);
    EXPECT_EQ(Column(map, 0, 8), std::vector<float>(8, 10));
}

TEST(AmplitudeFluctuation, SwellLongAfterTheOnsetSplitsTheNote) {
    std::vector<float> column(16, 10);
    column.insert(column.end(), 16, 20);
    FloatMatrix map = MapWithColumn(40, column, 3); // 10 at 3..18, 20 at 19..34
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 30);
    EXPECT_EQ(Column(map, 3, 15), std::vector<float>(15, 10));
    EXPECT_EQ(map(18, kBin), 0.0f) << "the slice before the swell falls silent";
    for (std::int32_t s = 19; s <= 34; ++s)
        EXPECT_GT(map(s, kBin), 0.0f) << s;
}

TEST(AmplitudeFluctuation, SwellSoonAfterTheOnsetDoesNotSplit) {
    std::vector<float> column(6, 10);
    column.insert(column.end(), 22, 20);
    FloatMatrix map = MapWithColumn(40, column, 3); // 10 at 3..8, 20 at 9..30
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 30);
    for (std::int32_t s = 3; s <= 30; ++s)
        EXPECT_GT(map(s, kBin), 0.0f) << s;
}

TEST(AmplitudeFluctuation, OneSliceDropInsideTheBandIsFilled) {
    FloatMatrix map = MapWithColumn(30, {10, 10, 10, 10, 10, 10, 0, 10, 10}, 0);
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 30);
    EXPECT_EQ(map(6, kBin), 10.0f);
}

TEST(GapBridging, GapBeforeAShortFragmentIsBridged) {
    // With no tolerance only the bridging acts.
    FloatMatrix map = MapWithColumn(30, {5, 0, 5, 0}, 10);
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 0);
    EXPECT_EQ(Column(map, 10, 4), (std::vector<float>{5, 5, 5, 0}));

    map = MapWithColumn(30, {5, 0, 5, 5, 0}, 10);
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 0);
    EXPECT_EQ(Column(map, 10, 5), (std::vector<float>{5, 5, 5, 5, 0}));
}

TEST(GapBridging, GapBeforeALongerContinuationStays) {
    FloatMatrix map = MapWithColumn(30, {5, 0, 5, 5, 5}, 10);
    const FloatMatrix before = map;
    trx::SmoothAmplitudeFluctuation(map, kFirstBin, 0);
    EXPECT_EQ(map, before);
}

TEST(LoudStart, NoteStartsAtItsLoudestAndNeverRises) {
    FloatMatrix map = MapWithColumn(10, {3, 7, 5, 0, 7, 5, 3, 0, 2, 4}, 0);
    trx::ApplyLoudStart(map, kFirstBin);
    EXPECT_EQ(Column(map, 0, 10), (std::vector<float>{7, 7, 5, 0, 7, 5, 3, 0, 4, 4}));
}

TEST(Scaling, LoudestBecomesOneAndAHalfTimesTheMean) {
    FloatMatrix map(4, trx::kNoteBins);
    map(0, 0) = 1; // below the first note bin: spared by the minimum
    map(1, kBin) = 1;
    map(2, kBin) = 4;
    float maximum = -1;
    trx::ScaleNoteMap(map, kFirstBin, 0, maximum);
    EXPECT_EQ(maximum, 3.0f);
    EXPECT_EQ(map(2, kBin), 3.0f);
    EXPECT_EQ(map(1, kBin), 1.0f);

    FloatMatrix strict(4, trx::kNoteBins);
    strict(0, 0) = 1;
    strict(1, kBin) = 1;
    strict(2, kBin) = 4;
    trx::ScaleNoteMap(strict, kFirstBin, 50, maximum);
    EXPECT_EQ(maximum, 3.0f);
    EXPECT_EQ(strict(1, kBin), 0.0f) << "below the minimum of 1.5";
    EXPECT_EQ(strict(0, 0), 1.0f);
    EXPECT_EQ(strict(2, kBin), 3.0f);
}

TEST(Scaling, EqualCellsKeepTheirValue) {
    FloatMatrix map = MapWithColumn(6, {2, 2, 2, 2});
    float maximum = 0;
    trx::ScaleNoteMap(map, kFirstBin, 15, maximum);
    EXPECT_EQ(maximum, 3.0f);
    EXPECT_EQ(Column(map, 0, 4), std::vector<float>(4, 2));
}

TEST(Scaling, MapWithoutPositiveCellFailsAndLeavesNoMaximum) {
    FloatMatrix map(8, trx::kNoteBins);
    float maximum = 7;
    try {
        trx::ScaleNoteMap(map, kFirstBin, 15, maximum);
        FAIL() << "no error";
    } catch (const trx::TremolundrixError& error) {
        EXPECT_STREQ(error.what(), "Invalid floating point operation");
    }
    EXPECT_EQ(maximum, 0.0f);
    EXPECT_EQ(map, FloatMatrix(8, trx::kNoteBins));
}

TEST(MapPasses, TinyMapsAreLeftAloneWhereNoSliceIsTested) {
    // Slice 3 alone would be filled before (slice 2) and bridged to slice 1
    // in a longer map.
    for (std::int32_t slices = 0; slices <= 5; ++slices) {
        FloatMatrix map(slices, trx::kNoteBins);
        for (const std::int32_t s : {1, 3})
            if (s < slices)
                map(s, kBin) = 5;
        const FloatMatrix before = map;
        trx::RemoveSpikes(map, kFirstBin);
        trx::FillOnsets(map);
        trx::SmoothAmplitudeFluctuation(map, kFirstBin, 30);
        EXPECT_EQ(map, before) << slices << " slices";
        trx::ApplyLoudStart(map, kFirstBin);
    }
}

TEST(MapPasses, SpikeRemovalAndLoudStartRunOnlyWhenChecked) {
    const auto filtered = [](bool checked) {
        trx::ConversionSettings settings;
        settings.SpikeRemoval = checked;
        settings.LoudStart = checked;
        settings.MinimumComponent = 0;
        FloatMatrix map(20, trx::kNoteBins);
        map(10, kBin) = 6;    // a spike
        map(8, kBin + 5) = 3; // a note that swells
        map(9, kBin + 5) = 6;
        map(10, kBin + 5) = 6;
        float maximum = 0;
        trx::RunMapPasses(map, kFirstBin, settings, maximum);
        return map;
    };
    const FloatMatrix off = filtered(false);
    EXPECT_GT(off(10, kBin), 0.0f);
    EXPECT_LT(off(8, kBin + 5), off(9, kBin + 5));

    const FloatMatrix on = filtered(true);
    EXPECT_EQ(on(10, kBin), 0.0f);
    EXPECT_EQ(on(8, kBin + 5), on(9, kBin + 5));
}

} // namespace
