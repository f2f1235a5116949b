#include "notes/NoteFilter.h"

#include "common/Errors.h"
#include "notes/SliceSelection.h"

#include "support/RecordingProgress.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace {

using trx::FloatMatrix;
using trx::kNoteBins;

using trx::test::RecordingProgress;

class RecordingAnalyser : public trx::AnalyserObserver {
public:
    void DrawAnalyser(std::span<const float, kNoteBins> row, trx::AnalyserPass pass) override {
        rows.emplace_back(std::vector<float>(row.begin(), row.end()), pass);
    }
    std::vector<std::pair<std::vector<float>, trx::AnalyserPass>> rows;
};

class FilterAnalysisTest : public ::testing::Test {
protected:
    void SetUp() override { settings_.SpikeRemoval = false; }

    float Run(const FloatMatrix& amplitudeMap, std::int32_t lastAnalysedSlice,
              trx::AnalyserObserver* analyser = nullptr) {
        float maximum = -1;
        trx::FilterAnalysis(amplitudeMap, lastAnalysedSlice, kernels_, samples_, settings_,
                            noteMap_, loudest_, maximum, progress_, analyser);
        return maximum;
    }

    // A held tone: a peak with symmetric flanks of spread, as a pure tone
    // leaks into the neighbouring semitones.
    static void AddTone(FloatMatrix& map, std::int32_t bin, std::int32_t from, std::int32_t to,
                        float level) {
        for (std::int32_t s = from; s <= to; ++s) {
            map(s, bin - 2) += 0.2f * level;
            map(s, bin - 1) += 0.6f * level;
            map(s, bin) += level;
            map(s, bin + 1) += 0.6f * level;
            map(s, bin + 2) += 0.2f * level;
        }
    }

    trx::NoteKernels kernels_;
    trx::SampleBuffer samples_;
    trx::ConversionSettings settings_;
    FloatMatrix noteMap_;
    FloatMatrix loudest_;
    RecordingProgress progress_;
};

TEST_F(FilterAnalysisTest, SilentRecordingFailsWithNoMaximum) {
    const FloatMatrix silent(30, kNoteBins);
    float maximum = 5;
    try {
        trx::FilterAnalysis(silent, 29, kernels_, samples_, settings_, noteMap_, loudest_, maximum,
                            progress_, nullptr);
        FAIL() << "no error";
    } catch (const trx::TremolundrixError& error) {
        EXPECT_STREQ(error.what(), "Invalid floating point operation");
    }
    EXPECT_EQ(maximum, 0.0f);
    EXPECT_EQ(progress_.statusTexts, std::vector<std::string>{"Filtering midi sections"});
    EXPECT_EQ(noteMap_, FloatMatrix(30, kNoteBins));
    EXPECT_EQ(loudest_, FloatMatrix(30, trx::kLoudestCount));
}

TEST_F(FilterAnalysisTest, TwoHeldTonesBecomeTwoNotesWithoutTheirSpread) {
    FloatMatrix map(40, kNoteBins);
    AddTone(map, 40, 5, 25, 10);
    AddTone(map, 47, 10, 30, 8);
    const float maximum = Run(map, 39);
    EXPECT_GT(maximum, 0.0f);
    for (std::int32_t s = 0; s < 40; ++s) {
        for (std::int32_t bin = 0; bin < kNoteBins; ++bin) {
            // Onset fill adds the slice before each note.
            const bool first = bin == 40 && s >= 4 && s <= 25;
            const bool second = bin == 47 && s >= 9 && s <= 30;
            EXPECT_EQ(noteMap_(s, bin) > 0.0f, first || second) << "slice " << s << " bin " << bin;
        }
    }
    EXPECT_EQ(loudest_(12, 0), 10.0f);
    EXPECT_EQ(loudest_(12, 1), 8.0f);
    EXPECT_EQ(loudest_(12, 2), 0.0f);
}

TEST_F(FilterAnalysisTest, ProgressEveryTenthSliceOfTheAnalysedPart) {
    FloatMatrix map(40, kNoteBins);
    AddTone(map, 40, 0, 39, 10);
    Run(map, 24);
    EXPECT_EQ(progress_.fractions, (std::vector<double>{9.0 / 24, 19.0 / 24}));
    EXPECT_EQ(progress_.resets, 0) << "the window resets the progress after redrawing";
}

TEST_F(FilterAnalysisTest, OnlyAnalysedRowsAreFilteredTheRestKeepTheirCells) {
    FloatMatrix map(30, kNoteBins);
    AddTone(map, 40, 0, 29, 10);
    noteMap_.Resize(30, kNoteBins);
    for (std::int32_t s = 10; s < 30; ++s)
        noteMap_(s, 70) = 10; // left over from an earlier run
    Run(map, 0);
    EXPECT_TRUE(progress_.fractions.empty());
    EXPECT_GT(noteMap_(0, 40), 0.0f);
    EXPECT_EQ(noteMap_(5, 40), 0.0f) << "row 5 was never filtered";
    EXPECT_GT(noteMap_(20, 70), 0.0f);
    EXPECT_EQ(noteMap_(0, 41), 0.0f);
}

TEST_F(FilterAnalysisTest, AnalyserSeesEachRawRowThenTheKeptRow) {
    settings_.ChordThreshold = 0;
    settings_.NeighbourThreshold = 0;
    settings_.Polyphony = 2;
    FloatMatrix map(12, kNoteBins);
    AddTone(map, 40, 0, 11, 20);
    map(3, 60) = 2;  // isolated and below the second loudest: removed
    map(3, 70) = 12; // the second loudest
    map(3, 71) = 4;  // weaker, but directly above a survivor
    RecordingAnalyser analyser;
    Run(map, 11, &analyser);

    ASSERT_EQ(analyser.rows.size(), 24u);
    for (std::size_t s = 0; s < 12; ++s) {
        EXPECT_EQ(analyser.rows[2 * s].second, trx::AnalyserPass::Raw);
        EXPECT_EQ(analyser.rows[2 * s + 1].second, trx::AnalyserPass::Kept);
        const auto raw = map.Row(static_cast<std::int32_t>(s));
        EXPECT_EQ(analyser.rows[2 * s].first, std::vector<float>(raw.begin(), raw.end()));
    }
    // The tone's spread goes; neither threshold removes anything.
    std::vector<float> expected(kNoteBins, 0.0f);
    expected[40] = 20;
    expected[70] = 12;
    expected[71] = 4;
    EXPECT_EQ(analyser.rows[7].first, expected);
}

TEST_F(FilterAnalysisTest, RefilteringTheSameMapGivesTheSameResult) {
    FloatMatrix map(50, kNoteBins);
    AddTone(map, 40, 3, 30, 10);
    AddTone(map, 52, 12, 45, 6);
    AddTone(map, 59, 20, 22, 3);
    const float first = Run(map, 49);
    const FloatMatrix firstMap = noteMap_;
    noteMap_(7, 40) = 123; // whatever the map holds, filtered rows are rewritten
    const float second = Run(map, 49);
    EXPECT_EQ(second, first);
    EXPECT_EQ(noteMap_, firstMap);
}

} // namespace
