#include "editor/KeyEstimate.h"
#include "editor/KeyScales.h"

#include "common/Constants.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using trx::TMidiNotes;

// Adds one note of each pitch class given (C = 0), an octave apart from the
// last, so that the bin itself never matters.
void AddPitchClasses(TMidiNotes& notes, std::initializer_list<int> classes, int times = 1) {
    for (int t = 0; t < times; ++t)
        for (const int pc : classes) {
            auto note = std::make_unique<trx::TMidiNote>();
            note->ID = std::to_string(notes.Count() + 1);
            note->Note = static_cast<std::int16_t>((pc + 3) % 12 + 12 * (1 + notes.Count() % 7));
            notes.Add(std::move(note));
        }
}

TEST(EstimateKey, FirstKeyWithTheStrictlyHighestScoreIsSelected) {
    TMidiNotes bMajor;
    AddPitchClasses(bMajor, {11, 1, 3, 4, 6, 8, 10}, 2);
    auto estimate = trx::EstimateKey(bMajor);
    ASSERT_TRUE(estimate);
    EXPECT_EQ(estimate->BestIndex, 0) << "Cb major before B major, both 100 %";
    EXPECT_EQ(estimate->SelectionAfter(-1), 0);
    EXPECT_EQ(estimate->SelectionAfter(9), 9) << "an existing selection stays";

    TMidiNotes cTriad;
    AddPitchClasses(cTriad, {0, 4, 7});
    estimate = trx::EstimateKey(cTriad);
    EXPECT_EQ(estimate->BestIndex, 6) << "F major before C major";
    EXPECT_EQ(estimate->EntryTexts[6], "F major (1 flat) 100%");
    EXPECT_EQ(estimate->EntryTexts[13], "F# major (6 sharps) 0%");
}

TEST(EstimateKey, PercentagesOfASingleNoteAndHalvesRoundedToEven) {
    TMidiNotes single;
    AddPitchClasses(single, {9}); // an A
    const auto estimate = trx::EstimateKey(single);
    for (std::size_t k = 0; k < trx::kKeySignatureCount; ++k)
        EXPECT_EQ(estimate->Percentages[k], trx::KeyScales()[k][9] ? 100.0f : 0.0f) << k;
    EXPECT_TRUE(trx::KeyScales()[22][8] && !trx::KeyScales()[22][7]) << "A minor has G#, not G";

    TMidiNotes eighth; // 1 of 8 notes in C major: 12.5 %
    AddPitchClasses(eighth, {0, 1, 3, 6, 8, 10, 1, 3});
    EXPECT_EQ(trx::EstimateKey(eighth)->EntryTexts[7], "C major 12%");
    TMidiNotes notes; // 27 of 200: 13.5 %
    AddPitchClasses(notes, {0}, 27);
    AddPitchClasses(notes, {1}, 173);
    EXPECT_EQ(trx::EstimateKey(notes)->EntryTexts[7], "C major 14%");
}

TEST(EstimateKey, EmptyListIsRebuiltFromTheMapOrChangesNothing) {
    TMidiNotes notes;
    trx::FloatMatrix map(4, trx::kNoteBins);
    EXPECT_FALSE(trx::EstimateKey(notes));
    EXPECT_FALSE(trx::EstimateKey(notes, map, 0.0f, 8));
    map(1, 39) = 5; // a C
    EXPECT_EQ(trx::EstimateKey(notes, map, 5.0f, 8)->Percentages[7], 100.0f);
    EXPECT_EQ(notes.Count(), 1u);
}

} // namespace
