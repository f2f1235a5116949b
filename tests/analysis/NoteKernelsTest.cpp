#include "analysis/NoteKernels.h"

#include "common/Errors.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using trx::NoteKernels;

double TuningFactor(int cents) {
    return static_cast<double>(trx::CentsRatio()[static_cast<std::size_t>(cents + 50)]);
}

TEST(NoteKernels, ConcertPitchPutsTheAsWhereTheyBelong) {
    const NoteKernels kernels;
    EXPECT_EQ(kernels.NoteFrequencies[0], 13.75f);
    EXPECT_EQ(kernels.NoteFrequencies[12], 27.5f);
    EXPECT_EQ(kernels.NoteFrequencies[48], 220.0f);
    EXPECT_EQ(kernels.NoteFrequencies[60], 440.0f);
    EXPECT_NEAR(kernels.NoteFrequencies[106], 6271.93f, 0.01f);
    EXPECT_EQ(kernels.FirstNoteBin, 8); // 21.83 Hz, the first above 21.53 Hz
}

TEST(NoteKernels, RatioTablesAreSinglePrecisionPowers) {
    EXPECT_EQ(trx::NoteRatio()[0], 1.0f);
    EXPECT_EQ(trx::NoteRatio()[12], 2.0f);
    EXPECT_EQ(trx::NoteRatio()[7], static_cast<float>(std::pow(2.0L, 7.0L / 12.0L)));
    EXPECT_EQ(trx::CentsRatio()[50], 1.0f);
    EXPECT_EQ(trx::CentsRatio()[0], static_cast<float>(std::pow(2.0L, -50.0L / 1200.0L)));
    EXPECT_EQ(trx::CentsRatio()[100], static_cast<float>(std::pow(2.0L, 50.0L / 1200.0L)));
}

TEST(NoteKernels, LowestAnalysedBinRisesOnlyForTheFlattestTunings) {
    NoteKernels kernels;
    for (int cents : {-50, -24}) {
        kernels.CreateFrequencyMap(TuningFactor(cents));
        EXPECT_EQ(kernels.FirstNoteBin, 9) << cents;
    }
    for (int cents : {-23, 0, 50}) {
        kernels.CreateFrequencyMap(TuningFactor(cents));
        EXPECT_EQ(kernels.FirstNoteBin, 8) << cents;
    }
    // Even when bin 0 completes more than one period per slice, bin 0 stays out.
    kernels.CreateFrequencyMap(8.0);
    EXPECT_EQ(kernels.FirstNoteBin, 1);
}

TEST(NoteKernels, RetuningRebuildsTheTablesInPlace) {
    NoteKernels kernels;
    const float* cosine = kernels.CosineTable.data();
    const float* sine = kernels.SineTable.data();
    const double* transform = kernels.TransformTable().data();
    const float before = kernels.Cosine(100, 60);
    kernels.CreateFrequencyMap(TuningFactor(-7));
    EXPECT_EQ(kernels.CosineTable.data(), cosine);
    EXPECT_EQ(kernels.SineTable.data(), sine);
    EXPECT_EQ(kernels.TransformTable().data(), transform);
    EXPECT_NE(kernels.Cosine(100, 60), before);
    EXPECT_EQ(kernels.NoteFrequencies[60], static_cast<float>(440.0L * TuningFactor(-7)));
}

TEST(NoteKernels, FirstSampleOfEveryBinHasPhaseZero) {
    const NoteKernels kernels;
    for (int bin = 0; bin < trx::kNoteBins; ++bin) {
        EXPECT_EQ(kernels.Cosine(0, bin), 1.0f) << bin;
        EXPECT_EQ(kernels.Sine(0, bin), 0.0f) << bin;
    }
}

TEST(NoteKernels, PhaseIsRoundedToSingleBeforeTheCosine) {
    const NoteKernels kernels;
    const int bin = 106;
    const int sample = 2047;
    const long double exact =
        2.0L * std::numbers::pi_v<long double> * kernels.NoteFrequencies[bin] * sample / 44100;
    const float theta = static_cast<float>(exact); // about 1829 radians
    EXPECT_EQ(kernels.Cosine(sample, bin),
              static_cast<float>(std::cos(static_cast<double>(theta))));
    EXPECT_EQ(kernels.Sine(sample, bin), static_cast<float>(std::sin(static_cast<double>(theta))));
    // The unrounded phase would give visibly different kernels here.
    EXPECT_GT(std::fabs(kernels.Cosine(sample, bin) - static_cast<float>(std::cos(exact))), 1e-6f);
}

TEST(NoteKernels, TuningFactorMustBeAPositiveNumber) {
    NoteKernels kernels;
    EXPECT_THROW(kernels.CreateFrequencyMap(0.0), trx::TremolundrixError);
    EXPECT_THROW(kernels.CreateFrequencyMap(-1.0), trx::TremolundrixError);
    EXPECT_THROW(kernels.CreateFrequencyMap(std::nan("")), trx::TremolundrixError);
    EXPECT_EQ(kernels.FirstNoteBin, 8);
    EXPECT_EQ(kernels.NoteFrequencies[48], 220.0f);
}

} // namespace
