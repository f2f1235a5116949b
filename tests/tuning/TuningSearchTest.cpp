#include "tuning/TuningSearch.h"

#include "analysis/AmplitudeMap.h"
#include "analysis/NoteKernels.h"
#include "analysis/SliceSamples.h"
#include "common/Errors.h"
#include "notes/NoteFilter.h"
#include "support/RecordingProgress.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace {

using trx::FloatMatrix;
using trx::kNoteBins;
using trx::kSliceLength;
using trx::kTuningOffsets;

// 16-bit mono samples in memory; not copyable, the buffer points into them.
class Recording {
public:
    explicit Recording(std::vector<std::int16_t> values)
        : values_(std::move(values)) {
        buffer.Samples = reinterpret_cast<const std::uint8_t*>(values_.data());
        buffer.ByteCount = values_.size() * 2;
        buffer.SampleWidth = 2;
        buffer.ChannelStride = 1;
        buffer.SliceCount = static_cast<std::int32_t>(values_.size() / kSliceLength);
    }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    trx::SampleBuffer buffer;

private:
    std::vector<std::int16_t> values_;
};

// Appends seconds of a sine of amplitude 0.5 at hz (0 Hz: digital silence).
void AppendTone(std::vector<std::int16_t>& values, double hz, double seconds) {
    const auto count = static_cast<std::size_t>(seconds * 44100);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(values.size()) / 44100;
        values.push_back(static_cast<std::int16_t>(
            std::lround(hz == 0.0 ? 0.0 : 16384 * std::sin(2 * std::numbers::pi * hz * t))));
    }
}

// One strong note in bin in every slice.
FloatMatrix SingleNoteMap(int slices, int bin) {
    FloatMatrix map(slices, kNoteBins);
    for (int s = 0; s < slices; ++s)
        map(s, bin) = 1.0f;
    return map;
}

// The search as the plain loops it stands for: per note, per offset, every
// sample folded in order, bins compared by their means.
std::array<float, kTuningOffsets> PlainTotals(const trx::SampleBuffer& buffer,
                                              const std::vector<trx::SingleNote>& notes) {
    std::array<float, kTuningOffsets> totals{};
    std::array<float, kSliceLength> window{};
    for (const auto& note : notes) {
        trx::GetSliceSamples(buffer, note.Slice, window);
        for (int c = -50; c <= 50; ++c) {
            const float f =
                static_cast<float>(13.75L * trx::NoteRatio()[note.Bin] * trx::CentsRatio()[c + 50]);
            std::array<float, 36> sums{};
            std::array<int, 36> counts{};
            for (int k = 0; k < kSliceLength; ++k) {
                const long long p = std::llrintl(36.0L * f * k / 44100) % 36;
                sums[p] += window[k];
                ++counts[p];
            }
            std::vector<float> means;
            for (int p = 0; p < 36; ++p)
                if (counts[p] > 0)
                    means.push_back(sums[p] / static_cast<float>(counts[p]));
            totals[c + 50] += *std::max_element(means.begin(), means.end()) -
                              *std::min_element(means.begin(), means.end());
        }
    }
    return totals;
}

TEST(FindSingleNotes, KeepsSlicesWithOneNoteAboveHalfTheMaximum) {
    FloatMatrix map(6, kNoteBins);
    map(0, 40) = 0.76f;
    map(1, 40) = 1.0f; // two notes
    map(1, 52) = 1.0f;
    map(2, 40) = 0.75f; // exactly half
    map(4, 0) = 1.5f;
    trx::test::RecordingProgress progress;
    std::vector<trx::SingleNote> found;
    trx::FindSingleNotes(map, 1.5f, progress, found);
    EXPECT_EQ(found, (std::vector<trx::SingleNote>{{0, 40}, {4, 0}}));
    EXPECT_EQ(progress.statusTexts, std::vector<std::string>{"Finding single notes"});
    EXPECT_EQ(progress.fractions.size(), 6u);
    EXPECT_DOUBLE_EQ(progress.fractions[3], 0.5);

    EXPECT_THROW(trx::FindSingleNotes(FloatMatrix(2, 10), 1.0f, progress, found),
                 trx::TremolundrixError);
}

TEST(ChooseTuningOffset, NearestToZeroAndNegativeBetweenEquals) {
    std::array<float, kTuningOffsets> scores{};
    scores.fill(1.0f);
    scores[50 - 3] = scores[50 + 3] = scores[50 + 40] = 5.0f;
    EXPECT_EQ(trx::ChooseTuningOffset(scores), -3);
    scores[50] = 5.0f;
    EXPECT_EQ(trx::ChooseTuningOffset(scores), 0);
    scores.fill(1.0f);
    scores[100] = 2.0f;
    EXPECT_EQ(trx::ChooseTuningOffset(scores), 50);
}

TEST(FindOptimalTuning, NoUsableCandidateGivesTheMessage) {
    Recording silence(std::vector<std::int16_t>(4 * kSliceLength, 0));
    trx::ProgressReporter quiet;
    const auto none =
        trx::FindOptimalTuning(FloatMatrix(4, kNoteBins), 1.0f, silence.buffer, quiet);
    EXPECT_EQ(none.Message, trx::kNoCandidateMessage);
    EXPECT_TRUE(none.SingleNotes.empty());

    // Single notes whose slices are digitally silent carry no information.
    const auto silent = trx::FindOptimalTuning(SingleNoteMap(4, 60), 1.0f, silence.buffer, quiet);
    EXPECT_EQ(silent.Message, trx::kNoCandidateMessage);
    EXPECT_EQ(silent.SingleNotes.size(), 4u);
}

TEST(FindOptimalTuning, MatchesThePlainLoopsOnRandomSlices) {
    // 18 notes of bin 60 fill more than one group of lanes; the others are
    // alone in theirs, one below the lowest analysed bin.
    constexpr int kSlices = 22;
    std::mt19937 random(12);
    std::uniform_int_distribution<int> sample(-20000, 20000);
    std::vector<std::int16_t> values(kSlices * kSliceLength);
    for (auto& v : values)
        v = static_cast<std::int16_t>(sample(random));
    Recording noise(std::move(values));
    FloatMatrix map = SingleNoteMap(kSlices, 60);
    const int others[][2] = {{3, 30}, {9, 104}, {14, 4}, {20, 30}};
    for (const auto& [slice, bin] : others) {
        map(slice, 60) = 0.0f;
        map(slice, bin) = 1.0f;
    }
    trx::ProgressReporter quiet;
    const auto result = trx::FindOptimalTuning(map, 1.0f, noise.buffer, quiet, 1);
    ASSERT_TRUE(result.Succeeded());
    EXPECT_EQ(result.TuningScores, PlainTotals(noise.buffer, result.SingleNotes));
    EXPECT_EQ(result.UsedNotes(), kSlices);
    EXPECT_EQ(result.NoteCurves[3].Note, (trx::SingleNote{3, 30}));
    EXPECT_EQ(trx::FindOptimalTuning(map, 1.0f, noise.buffer, quiet, 3).TuningScores,
              result.TuningScores);
}

TEST(FindOptimalTuning, FindsTheTuningOfPureTones) {
    trx::test::RecordingProgress progress;
    {
        // One slice of a tuned A 440 (bin 60), starting at phase 0: each of
        // the 36 phase bins averages the sine over a 10-degree arc around
        // its centre, so the swing is 2 x 0.5 x sin(5 deg) / (5 deg in rad).
        std::vector<std::int16_t> values;
        AppendTone(values, 440.0, 1.0);
        values.resize(kSliceLength);
        Recording slice(std::move(values));
        const auto result =
            trx::FindOptimalTuning(SingleNoteMap(1, 60), 1.0f, slice.buffer, progress);
        ASSERT_TRUE(result.Succeeded());
        const double arc = std::numbers::pi / 36;
        EXPECT_NEAR(result.TuningScores[50], std::sin(arc) / arc, 2e-3);
        EXPECT_EQ(result.ProposedOffset, 0);
        EXPECT_EQ(result.TotalCurve[50], (trx::TuningPoint{252, 200}));
        EXPECT_EQ(result.TotalCurve[0].X, 2);
        EXPECT_EQ(result.TotalCurve[100].X, 502);
    }
    EXPECT_EQ(progress.statusTexts,
              (std::vector<std::string>{"Finding single notes", "Analysing notes"}));

    const struct {
        double Hz;
        int Bin;
        int Cents;
    } tones[] = {{440.0, 60, 0}, {220.0, 48, 0}, {440.0, 60, -27}, {880.0, 72, 13}};
    for (const auto& tone : tones) {
        std::vector<std::int16_t> values;
        AppendTone(values, tone.Hz * std::pow(2.0, tone.Cents / 1200.0), 1.0);
        Recording second(std::move(values));
        const auto result = trx::FindOptimalTuning(
            SingleNoteMap(second.buffer.SliceCount, tone.Bin), 1.0f, second.buffer, progress);
        ASSERT_TRUE(result.Succeeded());
        EXPECT_NEAR(result.ProposedOffset, tone.Cents, tone.Cents == 0 ? 0 : 3) << tone.Hz;
    }
}

TEST(FindOptimalTuning, DigitalSilenceBetweenNotesStillGivesAResult) {
    std::vector<std::int16_t> values;
    AppendTone(values, 0.0, 0.5);
    AppendTone(values, 440.0, 1.0);
    AppendTone(values, 0.0, 1.0);
    AppendTone(values, 440.0, 1.0);
    Recording song(std::move(values));

    const trx::NoteKernels kernels;
    trx::ProgressReporter quiet;
    FloatMatrix amplitudes(song.buffer.SliceCount, kNoteBins);
    FloatMatrix notes;
    FloatMatrix loudest;
    std::int32_t last = 0;
    float maximum = 0.0f;
    trx::AnalyseWave(song.buffer, kernels, amplitudes, last, quiet);
    trx::FilterAnalysis(amplitudes, last, kernels, song.buffer, trx::ConversionSettings{}, notes,
                        loudest, maximum, quiet, nullptr);

    const auto result = trx::FindOptimalTuning(notes, maximum, song.buffer, quiet);
    ASSERT_TRUE(result.Succeeded()) << result.Message;
    EXPECT_EQ(result.ProposedOffset, 0);
    // The silent slice that onset fill puts before each note is passed over.
    EXPECT_LT(result.UsedNotes(), static_cast<std::int32_t>(result.SingleNotes.size()));
}

} // namespace
