#include "analysis/AmplitudeMap.h"

#include "analysis/SliceSamples.h"
#include "common/Errors.h"
#include "support/TestWav.h"

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
// product of two singles added into a double.
FloatMatrix PlainAnalysis(const trx::SampleBuffer& buffer, const trx::NoteKernels& kernels,
                          FloatMatrix map) {
    std::array<float, kSliceLength> window{};
    for (int s = 0; s < buffer.SliceCount; ++s) {
        trx::GetSliceSamples(buffer, s, window);
        for (int b = kernels.FirstNoteBin; b < kNoteBins; ++b) {
            double re = 0.0;
            double im = 0.0;
            for (int k = 0; k < kSliceLength; ++k) {
                re += static_cast<double>(window[k]) * static_cast<double>(kernels.Cosine(k, b));
                im -= static_cast<double>(window[k]) * static_cast<double>(kernels.Sine(k, b));
            }
            map(s, b) = static_cast<float>(std::sqrt(re * re + im * im));
        }
    }
    return map;
}

struct Recording {
    std::vector<std::uint8_t> bytes;
    trx::SampleBuffer buffer;
};

Recording MakeRecording(std::vector<std::uint8_t> bytes, std::uint16_t width) {
    Recording r{std::move(bytes), {}};
    r.buffer.Samples = r.bytes.data();
    r.buffer.ByteCount = r.bytes.size();
    r.buffer.SampleWidth = width;
    r.buffer.ChannelStride = 1;
    r.buffer.SliceCount = static_cast<std::int32_t>(r.bytes.size() / width / kSliceLength);
    return r;
}

Recording RandomRecording(std::uint16_t width, int slices, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(slices) * kSliceLength * width + 77);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return MakeRecording(std::move(bytes), width);
}

Recording SineRecording(double frequency, std::uint16_t bits, int slices) {
    trx::test::WavSpec spec;
    spec.bitsPerSample = bits;
    const auto values =
        trx::test::Sine(frequency, 1.0, static_cast<std::size_t>(slices) * kSliceLength);
    return MakeRecording(trx::test::EncodeSamples(spec, values),
                         static_cast<std::uint16_t>(bits / 8));
}

FloatMatrix Marked(int slices) {
    FloatMatrix map(slices, kNoteBins);
    map.Fill(kUntouched);
    return map;
}

double TuningFactor(int cents) {
    return static_cast<double>(trx::CentsRatio()[static_cast<std::size_t>(cents + 50)]);
}

// Records the progress calls and stops the work at a chosen checkpoint.
class RecordingProgress : public trx::ProgressReporter {
public:
    explicit RecordingProgress(int stopAtCheckpoint = -1)
        : stopAt_(stopAtCheckpoint) {}
    void SetStatusText(const std::string& text) override { calls.push_back("status " + text); }
    void SetProgress(double fraction) override {
        calls.push_back("progress");
        fractions.push_back(fraction);
    }
    bool ContinueWork() override {
        calls.push_back("continue");
        return ++checkpoints_ != stopAt_;
    }
    std::vector<std::string> calls;
    std::vector<double> fractions;

private:
    int stopAt_;
    int checkpoints_ = 0;
};

struct AnalysisRun {
    FloatMatrix map;
    std::int32_t last = -1;
};

AnalysisRun Analyse(const trx::SampleBuffer& buffer, const trx::NoteKernels& kernels,
                    trx::ProgressReporter& progress, const trx::AnalysisOptions& options = {},
                    FloatMatrix start = {}) {
    AnalysisRun run{start.Empty() ? Marked(buffer.SliceCount) : std::move(start), -1};
    trx::AnalyseWave(buffer, kernels, run.map, run.last, progress, options);
    return run;
}

TEST(AmplitudeMap, FastTransformMatchesThePlainLoopBitForBit) {
    std::vector<trx::TransformPath> paths{trx::TransformPath::Sse2};
    if (trx::CpuHasAvx2Fma())
        paths.push_back(trx::TransformPath::Avx2);
    trx::NoteKernels kernels;
    for (int cents : {0, -50}) {
        kernels.CreateFrequencyMap(TuningFactor(cents));
        // 45 slices: a first batch, a second one, and a group with unused places.
        for (std::uint16_t width : {1, 2, 4}) {
            const Recording recording =
                RandomRecording(width, 45, 1000U * width + static_cast<unsigned>(-cents));
            const FloatMatrix expected = PlainAnalysis(recording.buffer, kernels, Marked(45));
            for (trx::TransformPath path : paths) {
                for (int threads : {1, 3}) {
                    trx::ProgressReporter quiet;
                    const auto run = Analyse(recording.buffer, kernels, quiet, {threads, path});
                    EXPECT_TRUE(run.map == expected)
                        << "cents " << cents << " width " << width << " threads " << threads
                        << " path " << static_cast<int>(path);
                    EXPECT_EQ(run.last, 44);
                }
            }
        }
    }
}

TEST(AmplitudeMap, FullScaleSineAtANoteGivesHalfTheSliceLength) {
    const trx::NoteKernels kernels;
    const double frequency = kernels.NoteFrequencies[48]; // 220 Hz
    for (auto [bits, expected] : {std::pair{16, 1024.0f}, std::pair{8, 512.0f}}) {
        const Recording recording = SineRecording(frequency, static_cast<std::uint16_t>(bits), 3);
        trx::ProgressReporter quiet;
        const auto run = Analyse(recording.buffer, kernels, quiet);
        for (int s = 0; s < 3; ++s) {
            const auto row = run.map.Row(s);
            EXPECT_NEAR(row[48], expected, expected * 0.03f) << bits << " bits, slice " << s;
            EXPECT_EQ(std::max_element(row.begin(), row.end()) - row.begin(), 48);
        }
    }
}

TEST(AmplitudeMap, SilenceGivesZeroInEveryAnalysedCell) {
    const trx::NoteKernels kernels;
    const Recording sixteen = MakeRecording(std::vector<std::uint8_t>(2 * 2 * kSliceLength, 0), 2);
    const Recording eight = MakeRecording(std::vector<std::uint8_t>(2 * kSliceLength, 128), 1);
    for (const Recording* recording : {&sixteen, &eight}) {
        trx::ProgressReporter quiet;
        const auto run = Analyse(recording->buffer, kernels, quiet);
        for (int s = 0; s < 2; ++s)
            for (int b = kernels.FirstNoteBin; b < kNoteBins; ++b)
                EXPECT_EQ(run.map(s, b), 0.0f);
    }
}

TEST(AmplitudeMap, BinsBelowTheFirstAnalysedBinAreNeverWritten) {
    trx::NoteKernels kernels;
    const Recording recording = RandomRecording(2, 12, 7);
    trx::ProgressReporter quiet;
    auto run = Analyse(recording.buffer, kernels, quiet, {}, FloatMatrix(12, kNoteBins));
    for (int s = 0; s < 12; ++s) {
        for (int b = 0; b < 8; ++b)
            EXPECT_EQ(run.map(s, b), 0.0f);
        EXPECT_GT(run.map(s, 8), 0.0f);
    }

    // A flatter tuning raises the first bin to 9: bin 8 keeps the first run.
    const FloatMatrix first = run.map;
    kernels.CreateFrequencyMap(TuningFactor(-40));
    const auto again = Analyse(recording.buffer, kernels, quiet, {}, first);
    const FloatMatrix expected = PlainAnalysis(recording.buffer, kernels, first);
    EXPECT_TRUE(again.map == expected);
    for (int s = 0; s < 12; ++s)
        EXPECT_EQ(again.map(s, 8), first(s, 8));
}

TEST(AmplitudeMap, ProgressIsReportedBeforeEveryTenthSlice) {
    const trx::NoteKernels kernels;
    const Recording recording = RandomRecording(1, 45, 3);
    RecordingProgress progress;
    const auto run = Analyse(recording.buffer, kernels, progress, {2});
    EXPECT_EQ(run.last, 44);
    const std::vector<std::string> calls{"status Analysing waveform",
                                         "progress",
                                         "continue",
                                         "progress",
                                         "continue",
                                         "progress",
                                         "continue",
                                         "progress",
                                         "continue"};
    EXPECT_EQ(progress.calls, calls);
    EXPECT_EQ(progress.fractions, (std::vector<double>{9.0 / 45, 19.0 / 45, 29.0 / 45, 39.0 / 45}));
}

TEST(AmplitudeMap, AbortLeavesTheRemainingRowsUntouched) {
    const trx::NoteKernels kernels;
    const Recording recording = RandomRecording(2, 45, 11);
    const FloatMatrix complete = PlainAnalysis(recording.buffer, kernels, Marked(45));
    // Checkpoints 1, 2 and 3 come before slices 9, 19 and 29.
    for (int checkpoint : {1, 2, 3}) {
        const int stopSlice = 10 * checkpoint - 1;
        for (int threads : {1, 2}) {
            RecordingProgress progress(checkpoint);
            const auto run = Analyse(recording.buffer, kernels, progress, {threads});
            EXPECT_EQ(run.last, stopSlice - 1) << checkpoint;
            EXPECT_EQ(progress.fractions.size(), static_cast<std::size_t>(checkpoint));
            for (int s = 0; s < 45; ++s) {
                for (int b = 0; b < kNoteBins; ++b) {
                    const float expected = s < stopSlice ? complete(s, b) : kUntouched;
                    ASSERT_EQ(run.map(s, b), expected)
                        << "slice " << s << " bin " << b << " stop " << stopSlice;
                }
            }
        }
    }
}

TEST(AmplitudeMap, RecordingShorterThanOneSliceAnalysesNothing) {
    const trx::NoteKernels kernels;
    const Recording recording = MakeRecording(std::vector<std::uint8_t>(2 * 2000, 9), 2);
    ASSERT_EQ(recording.buffer.SliceCount, 0);
    RecordingProgress progress;
    FloatMatrix map;
    std::int32_t last = 17;
    trx::AnalyseWave(recording.buffer, kernels, map, last, progress);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(progress.calls, std::vector<std::string>{"status Analysing waveform"});
}

TEST(AmplitudeMap, MapTooSmallForTheRecordingIsRefused) {
    const trx::NoteKernels kernels;
    const Recording recording = RandomRecording(2, 4, 5);
    FloatMatrix map(3, kNoteBins);
    map.Fill(kUntouched);
    std::int32_t last = 0;
    trx::ProgressReporter quiet;
    EXPECT_THROW(trx::AnalyseWave(recording.buffer, kernels, map, last, quiet),
                 trx::TremolundrixError);
    EXPECT_TRUE(map == Marked(3));
}

TEST(AmplitudeMap, MapsAreClearedOnlyForANewFile) {
    FloatMatrix amplitudes = Marked(4);
    FloatMatrix notes = Marked(4);
    std::string analysed = "/music/song.wav";
    trx::PrepareMapsForAnalysis("/music/song.wav", analysed, amplitudes, notes);
    EXPECT_TRUE(amplitudes == Marked(4));
    EXPECT_TRUE(notes == Marked(4));

    trx::PrepareMapsForAnalysis("/music/Song.wav", analysed, amplitudes, notes);
    EXPECT_EQ(analysed, "/music/Song.wav");
    EXPECT_TRUE(amplitudes == FloatMatrix(4, kNoteBins));
    EXPECT_TRUE(notes == FloatMatrix(4, kNoteBins));
}

} // namespace
