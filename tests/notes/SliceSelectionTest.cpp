#include "notes/SliceSelection.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

namespace {

using trx::kNoteBins;
using Row = std::array<float, kNoteBins>;

constexpr std::int32_t kFirstBin = 8;

Row RowWith(std::int32_t firstBin, std::initializer_list<float> values) {
    Row row{};
    std::int32_t bin = firstBin;
    for (const float v : values)
        row[static_cast<std::size_t>(bin++)] = v;
    return row;
}

TEST(NeighbourSuppression, WeakLowerNeighbourOfAStrongBinIsCleared) {
    Row row = RowWith(20, {5, 10, 9});
    trx::SuppressNeighbours(row, kFirstBin, 80);
    EXPECT_EQ(row, RowWith(20, {0, 10, 9})) << "5 is below 8, 9 is not";
}

TEST(NeighbourSuppression, NothingClearedAtZeroAndClearedBinClearsNothing) {
    Row row = RowWith(20, {1, 10, 2});
    trx::SuppressNeighbours(row, kFirstBin, 0);
    EXPECT_EQ(row, RowWith(20, {1, 10, 2}));

    // 10 clears 6 before 6's turn comes, so 6 cannot clear the 4 above it.
    row = RowWith(20, {10, 6, 4});
    trx::SuppressNeighbours(row, kFirstBin, 70);
    EXPECT_EQ(row, RowWith(20, {10, 0, 4}));
}

TEST(SpreadRemoval, SymmetricPeakLosesBothFlanksUpToTheNextRise) {
    // 3 at bins 34 and 46 lie beyond zeros: each clearing stops there.
    Row row = RowWith(34, {3, 0, 0, 0, 2, 6, 10, 6, 2, 0, 0, 0, 3});
    trx::RemoveSpread(row, kFirstBin, 30);
    EXPECT_EQ(row, RowWith(34, {3, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 3}));
}

TEST(SpreadRemoval, FlankStopsWhereItRisesAgain) {
    Row row = RowWith(38, {2, 6, 10, 6, 2, 1, 4});
    trx::RemoveSpread(row, kFirstBin, 30);
    EXPECT_EQ(row, RowWith(38, {0, 0, 10, 0, 0, 0, 4}));
}

TEST(SpreadRemoval, PeaksAboveBin50AsymmetricPeaksAndZeroToleranceStay) {
    Row high = RowWith(49, {2, 6, 10, 6, 2});
    const Row highBefore = high;
    trx::RemoveSpread(high, kFirstBin, 30);
    EXPECT_EQ(high, highBefore) << "peak at bin 51 is not tested";

    Row at50 = RowWith(48, {2, 6, 10, 6, 2});
    trx::RemoveSpread(at50, kFirstBin, 30);
    EXPECT_EQ(at50[50], 10.0f);
    EXPECT_EQ(at50[49], 0.0f) << "peak at bin 50 is the last one tested";

    Row lopsided = RowWith(38, {2, 6, 10, 9.5f, 2});
    const Row lopsidedBefore = lopsided;
    trx::RemoveSpread(lopsided, kFirstBin, 30);
    EXPECT_EQ(lopsided, lopsidedBefore) << "flanks differ by 35 % of the peak";

    Row exact = RowWith(38, {2, 6, 10, 6, 2});
    const Row exactBefore = exact;
    trx::RemoveSpread(exact, kFirstBin, 0);
    EXPECT_EQ(exact, exactBefore);
}

TEST(SpreadRemoval, LowestBinsNeverReadBelowZeroAndBinZeroIsKept) {
    Row fromOne = RowWith(0, {2, 6, 10, 6, 2});
    Row fromTwo = fromOne;
    trx::RemoveSpread(fromOne, 1, 30);
    trx::RemoveSpread(fromTwo, 2, 30);
    EXPECT_EQ(fromOne, fromTwo);
    EXPECT_EQ(fromOne, RowWith(0, {2, 0, 10, 0, 0}));
}

TEST(ChordThreshold, RemovesWeakComponentsButNeverBin106) {
    Row row{};
    row[30] = 10;
    row[31] = 2.9f;
    row[105] = 2.9f;
    row[106] = 2.9f;
    trx::ApplyChordThreshold(row, kFirstBin, 30, trx::SliceMaximum(row, kFirstBin));
    EXPECT_EQ(row[30], 10.0f);
    EXPECT_EQ(row[31], 0.0f);
    EXPECT_EQ(row[105], 0.0f);
    EXPECT_EQ(row[106], 2.9f);
}

TEST(ChordThreshold, SliceMaximumIgnoresBinsBelowTheFirst) {
    Row row{};
    row[kFirstBin - 1] = 100;
    row[40] = 10;
    row[41] = 4;
    EXPECT_EQ(trx::SliceMaximum(row, kFirstBin), 10.0f);
    trx::ApplyChordThreshold(row, kFirstBin, 30, trx::SliceMaximum(row, kFirstBin));
    EXPECT_EQ(row[41], 4.0f);
}

TEST(Ranking, TenLargestInDescendingOrderWithoutZeros) {
    Row row{};
    const float values[] = {3, 9, 1, 9, 7, 2, 8, 4, 6, 5, 11, 0.5f};
    for (int i = 0; i < 12; ++i)
        row[static_cast<std::size_t>(20 + 2 * i)] = values[i];
    std::array<float, trx::kLoudestCount> loudest;
    loudest.fill(99);
    trx::RankLoudest(row, kFirstBin, loudest);
    EXPECT_EQ(loudest, (std::array<float, 10>{11, 9, 9, 8, 7, 6, 5, 4, 3, 2}));

    Row sparse = RowWith(50, {4, 0, 7});
    trx::RankLoudest(sparse, kFirstBin, loudest);
    EXPECT_EQ(loudest, (std::array<float, 10>{7, 4, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Polyphony, WeakerIsolatedPeakIsRemovedWithPolyphonyOne) {
    Row row{};
    row[30] = 10;
    row[60] = 4;
    std::array<float, trx::kLoudestCount> loudest;
    trx::RankLoudest(row, kFirstBin, loudest);
    trx::LimitPolyphony(row, loudest, 1);
    EXPECT_EQ(row[30], 10.0f);
    EXPECT_EQ(row[60], 0.0f);
}

TEST(Polyphony, WeakBinDirectlyAboveASurvivorSurvives) {
    Row row = RowWith(30, {10, 3});
    std::array<float, trx::kLoudestCount> loudest;
    trx::RankLoudest(row, kFirstBin, loudest);
    trx::LimitPolyphony(row, loudest, 1);
    EXPECT_EQ(row, RowWith(30, {10, 3}));
}

TEST(Polyphony, WeakGroupVanishesBinByBin) {
    // Clearing 3 leaves 2 starting the group, so it goes too; 12 stays.
    Row row{};
    row[30] = 10;
    row[60] = 3;
    row[61] = 2;
    row[62] = 12;
    std::array<float, trx::kLoudestCount> loudest;
    trx::RankLoudest(row, kFirstBin, loudest);
    trx::LimitPolyphony(row, loudest, 2);
    EXPECT_EQ(row[60], 0.0f);
    EXPECT_EQ(row[61], 0.0f);
    EXPECT_EQ(row[62], 12.0f);
    EXPECT_EQ(row[30], 10.0f);
}

TEST(Polyphony, FewerPositiveBinsThanPolyphonyRemovesNothing) {
    Row row{};
    for (int i = 0; i < 9; ++i)
        row[static_cast<std::size_t>(20 + 3 * i)] = static_cast<float>(i + 1);
    const Row before = row;
    std::array<float, trx::kLoudestCount> loudest;
    trx::RankLoudest(row, kFirstBin, loudest);
    trx::LimitPolyphony(row, loudest, 10);
    EXPECT_EQ(row, before);
}

TEST(SliceSteps, SilentRowStaysSilent) {
    Row row{};
    const float maximum = trx::SliceMaximum(row, kFirstBin);
    EXPECT_EQ(maximum, 0.0f);
    trx::RemoveSpread(row, kFirstBin, 30);
    trx::SuppressNeighbours(row, kFirstBin, 80);
    trx::ApplyChordThreshold(row, kFirstBin, 30, maximum);
    std::array<float, trx::kLoudestCount> loudest;
    trx::RankLoudest(row, kFirstBin, loudest);
    trx::LimitPolyphony(row, loudest, 5);
    EXPECT_EQ(row, Row{});
    EXPECT_EQ(loudest, (std::array<float, 10>{}));
}

} // namespace
