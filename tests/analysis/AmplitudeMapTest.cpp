#include "analysis/AmplitudeMap.h"

#include "analysis/SliceSamples.h"
#include "analysis/SliceTransform.h"
#include "common/Errors.h"
#include "support/TestWav.h"

#include <hwy/targets.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using trx::FloatMatrix;
using trx::kNoteBins;
using trx::kSliceLength;

constexpr float kUntouched = -7.0f;

// The transform as a plain loop: one bin at a time, ascending samples, each
// product of two singles added into a double by a fused multiply-add.
FloatMatrix PlainAnalysis(const trx::SampleBuffer& buffer, const trx::NoteKernels& kernels,
                          FloatMatrix map) {
    std::array<float, kSliceLength> window{};
    for (int s = 0; s < buffer.SliceCount; ++s) {
        trx::GetSliceSamples(buffer, s, window);
        for (int b = kernels.FirstNoteBin; b < kNoteBins; ++b) {
            double re = 0.0;
            double im = 0.0;
            for (int k = 0; k < kSliceLength; ++k) {
                const auto sample = static_cast<double>(window[k]);
                re = std::fma(sample, static_cast<double>(kernels.Cosine(k, b)), re);
                im = std::fma(-sample, static_cast<double>(kernels.Sine(k, b)), im);
            }
            map(s, b) = static_cast<float>(std::sqrt(re * re + im * im));
        }
    }
    return map;
}

struct Recording {
    explicit Recording(std::vector<std::uint8_t> data, std::uint16_t width)
        : bytes(std::move(data))
        , buffer{bytes.data(), bytes.size(), width, 1,
                 static_cast<std::int32_t>(bytes.size() / width / kSliceLength)} {}
    std::vector<std::uint8_t> bytes;
    trx::SampleBuffer buffer;
};

Recording Noise(std::uint16_t width, int slices, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(slices) * kSliceLength * width + 77);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return Recording(std::move(bytes), width);
}

FloatMatrix Marked(int slices) {
    FloatMatrix map(slices, kNoteBins);
    map.Fill(kUntouched);
    return map;
}

double TuningFactor(int cents) {
    return static_cast<double>(trx::CentsRatio()[static_cast<std::size_t>(cents + 50)]);
}

// Records the progress calls and answers "stop" at a chosen checkpoint.
class RecordingProgress : public trx::ProgressReporter {
public:
    explicit RecordingProgress(int stopAtCheckpoint = -1)
        : stopAt_(stopAtCheckpoint) {}
    void SetStatusText(const std::string& text) override { calls.push_back(text); }
    void SetProgress(double fraction) override {
        calls.push_back("progress");
        fractions.push_back(fraction);
    }
    bool ContinueWork() override {
        calls.push_back("continue");
        return static_cast<int>(fractions.size()) != stopAt_;
    }
    std::vector<std::string> calls;
    std::vector<double> fractions;

private:
    int stopAt_;
};

struct Analysed {
    FloatMatrix map;
    std::int32_t last = -1;
};

Analysed Analyse(const trx::SampleBuffer& buffer, const trx::NoteKernels& kernels,
                 const trx::AnalysisOptions& options = {}, FloatMatrix start = {},
                 trx::ProgressReporter* progress = nullptr) {
    Analysed run{start.Empty() ? Marked(buffer.SliceCount) : std::move(start)};
    trx::ProgressReporter quiet;
    trx::AnalyseWave(buffer, kernels, run.map, run.last, progress ? *progress : quiet, options);
    return run;
}

// Runs on every instruction set that the transform was compiled for and
// this processor has, the widest last.
TEST(AmplitudeMap, FastTransformMatchesThePlainLoopBitForBitOnEveryTarget) {
    const std::vector<std::int64_t> targets = trx::AvailableTransformTargets();
    ASSERT_FALSE(targets.empty());
    trx::NoteKernels kernels;
    for (int cents : {0, -50}) { // first bins 8 and 9
        kernels.CreateFrequencyMap(TuningFactor(cents));
        for (std::uint16_t width : std::initializer_list<std::uint16_t>{1, 2, 4}) {
            // 140 slices: two batches on two threads, the last with unused
            // places.
            const Recording noise = Noise(width, 140, 100U * width + static_cast<unsigned>(-cents));
            const FloatMatrix expected = PlainAnalysis(noise.buffer, kernels, Marked(140));
            for (auto target = targets.rbegin(); target != targets.rend(); ++target) {
                hwy::SetSupportedTargetsForTest(*target);
                const std::string name = trx::ChosenTransformTarget().Name;
                EXPECT_EQ(name, hwy::TargetName(*target));
                for (int threads : {1, 2}) {
                    const Analysed run = Analyse(noise.buffer, kernels, {threads});
                    EXPECT_TRUE(run.map == expected) << "cents " << cents << " width " << width
                                                     << " threads " << threads << " on " << name;
                    EXPECT_EQ(run.last, 139);
                }
            }
            hwy::SetSupportedTargetsForTest(0);
        }
    }
}

TEST(AmplitudeMap, FullScaleToneGivesHalfTheSliceLengthAndSilenceNothing) {
    const trx::NoteKernels kernels;
    const auto tone = trx::test::Sine(kernels.NoteFrequencies[48], 1.0, 3 * kSliceLength);
    for (auto [bits, expected] : {std::pair{16, 1024.0f}, std::pair{8, 512.0f}}) {
        trx::test::WavSpec format;
        format.bitsPerSample = static_cast<std::uint16_t>(bits);
        const Recording sine(trx::test::EncodeSamples(format, tone),
                             static_cast<std::uint16_t>(bits / 8));
        const Recording silence(
            trx::test::EncodeSamples(format, std::vector<double>(3 * kSliceLength)),
            static_cast<std::uint16_t>(bits / 8));
        const Analysed loud = Analyse(sine.buffer, kernels);
        const Analysed quiet = Analyse(silence.buffer, kernels);
        for (int s = 0; s < 3; ++s) {
            const auto row = loud.map.Row(s);
            EXPECT_NEAR(row[48], expected, expected * 0.03f) << bits << " bits, slice " << s;
            EXPECT_EQ(std::max_element(row.begin(), row.end()) - row.begin(), 48);
            for (int b = kernels.FirstNoteBin; b < kNoteBins; ++b)
                EXPECT_EQ(quiet.map(s, b), 0.0f) << bits << " bits, bin " << b;
        }
    }
}

TEST(AmplitudeMap, BinsBelowTheFirstAnalysedBinAreNeverWritten) {
    trx::NoteKernels kernels;
    const Recording noise = Noise(2, 12, 7);
    const Analysed first = Analyse(noise.buffer, kernels, {}, FloatMatrix(12, kNoteBins));
    for (int s = 0; s < 12; ++s) {
        for (int b = 0; b < 8; ++b)
            EXPECT_EQ(first.map(s, b), 0.0f);
        EXPECT_GT(first.map(s, 8), 0.0f);
    }
    // A flatter tuning raises the first bin to 9: bin 8 keeps the first run.
    kernels.CreateFrequencyMap(TuningFactor(-40));
    const Analysed again = Analyse(noise.buffer, kernels, {}, first.map);
    EXPECT_TRUE(again.map == PlainAnalysis(noise.buffer, kernels, first.map));
}

TEST(AmplitudeMap, ProgressComesBeforeEveryTenthSlice) {
    const trx::NoteKernels kernels;
    const Recording noise = Noise(1, 45, 3);
    RecordingProgress progress;
    EXPECT_EQ(Analyse(noise.buffer, kernels, {2}, {}, &progress).last, 44);
    const std::vector<std::string> calls{"Analysing waveform", "progress", "continue",
                                         "progress",           "continue", "progress",
                                         "continue",           "progress", "continue"};
    EXPECT_EQ(progress.calls, calls);
    EXPECT_EQ(progress.fractions, (std::vector<double>{9.0 / 45, 19.0 / 45, 29.0 / 45, 39.0 / 45}));
}

TEST(AmplitudeMap, AbortLeavesTheRemainingRowsUntouched) {
    const trx::NoteKernels kernels;
    const Recording noise = Noise(2, 45, 11);
    const FloatMatrix complete = PlainAnalysis(noise.buffer, kernels, Marked(45));
    // Checkpoints 1, 2 and 3 come before slices 9, 19 and 29.
    for (int checkpoint : {1, 2, 3}) {
        const int stop = 10 * checkpoint - 1;
        for (int threads : {1, 2}) {
            RecordingProgress progress(checkpoint);
            const Analysed run = Analyse(noise.buffer, kernels, {threads}, {}, &progress);
            EXPECT_EQ(run.last, stop - 1);
            EXPECT_EQ(progress.fractions.size(), static_cast<std::size_t>(checkpoint));
            for (int s = 0; s < 45; ++s)
                for (int b = 0; b < kNoteBins; ++b)
                    ASSERT_EQ(run.map(s, b), s < stop ? complete(s, b) : kUntouched)
                        << "slice " << s << " bin " << b << " stop " << stop;
        }
    }
}

TEST(AmplitudeMap, ShortRecordingAnalysesNothingAndAWrongMapIsRefused) {
    const trx::NoteKernels kernels;
    const Recording shortOne(std::vector<std::uint8_t>(2 * 2000, 9), 2);
    RecordingProgress progress;
    FloatMatrix empty;
    std::int32_t last = 17;
    trx::AnalyseWave(shortOne.buffer, kernels, empty, last, progress);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(progress.calls, std::vector<std::string>{"Analysing waveform"});

    FloatMatrix small = Marked(3);
    EXPECT_THROW(trx::AnalyseWave(Noise(2, 4, 5).buffer, kernels, small, last, progress),
                 trx::TremolundrixError);
    EXPECT_TRUE(small == Marked(3));
}

TEST(AmplitudeMap, MapsAreClearedOnlyForANewFile) {
    FloatMatrix amplitudes = Marked(4);
    FloatMatrix notes = Marked(4);
    std::string analysed = "/music/song.wav";
    trx::PrepareMapsForAnalysis("/music/song.wav", analysed, amplitudes, notes);
    EXPECT_TRUE(amplitudes == Marked(4) && notes == Marked(4));
    trx::PrepareMapsForAnalysis("/music/Song.wav", analysed, amplitudes, notes);
    EXPECT_EQ(analysed, "/music/Song.wav");
    EXPECT_TRUE(amplitudes == FloatMatrix(4, kNoteBins) && notes == FloatMatrix(4, kNoteBins));
}

} // namespace
