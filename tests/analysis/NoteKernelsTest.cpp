#include "analysis/NoteKernels.h"

#include "common/Errors.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

double TuningFactor(int cents) {
    return static_cast<double>(trx::CentsRatio()[static_cast<std::size_t>(cents + 50)]);
}

TEST(NoteKernels, ConcertPitchPutsTheAsWhereTheyBelong) {
    const trx::NoteKernels kernels;
    EXPECT_EQ(kernels.NoteFrequencies[0], 13.75f);
    EXPECT_EQ(kernels.NoteFrequencies[12], 27.5f);
    EXPECT_EQ(kernels.NoteFrequencies[48], 220.0f);
    EXPECT_NEAR(kernels.NoteFrequencies[106], 6271.93f, 0.01f);
    EXPECT_EQ(kernels.FirstNoteBin, 8); // 21.83 Hz, the first above 21.53 Hz
    EXPECT_EQ(trx::CentsRatio()[50], 1.0f);
    EXPECT_EQ(trx::CentsRatio()[0], static_cast<float>(std::pow(2.0L, -50.0L / 1200)));
    for (int bin = 0; bin < trx::kNoteBins; ++bin) {
        EXPECT_EQ(kernels.Cosine(0, bin), 1.0f) << bin;
        EXPECT_EQ(kernels.Sine(0, bin), 0.0f) << bin;
    }
}

TEST(NoteKernels, RetuningMovesTheLowestBinOnlyForTheFlattestTunings) {
    trx::NoteKernels kernels;
    const float* cosine = kernels.CosineTable.data();
    const double* transform = kernels.TransformTable().data();
    for (int cents : {-50, -24, -23, 50}) {
        kernels.CreateFrequencyMap(TuningFactor(cents));
        EXPECT_EQ(kernels.FirstNoteBin, cents <= -24 ? 9 : 8) << cents;
        EXPECT_EQ(kernels.NoteFrequencies[60], static_cast<float>(440.0L * TuningFactor(cents)));
    }
    // Rebuilt in place, never reallocated.
    EXPECT_EQ(kernels.CosineTable.data(), cosine);
    EXPECT_EQ(kernels.TransformTable().data(), transform);
    // Even when bin 0 completes more than one period per slice, it stays out.
    kernels.CreateFrequencyMap(8.0);
    EXPECT_EQ(kernels.FirstNoteBin, 1);
}

TEST(NoteKernels, PhaseIsRoundedToSingleBeforeTheCosine) {
    const trx::NoteKernels kernels;
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

    // Every cell equals the extended-precision cosine and sine of its phase
    // rounded to single, at both ends of the tuning range.
    trx::NoteKernels retuned;
    for (int cents : {-50, 50}) {
        retuned.CreateFrequencyMap(TuningFactor(cents));
        int wrong = 0;
        for (int i = 0; i < trx::kNoteBins; ++i) {
            for (int j = 0; j < trx::kSliceLength; ++j) {
                const float phase = static_cast<float>(2.0L * std::numbers::pi_v<long double> *
                                                       retuned.NoteFrequencies[i] * j / 44100);
                wrong += retuned.Cosine(j, i) !=
                         static_cast<float>(std::cos(static_cast<long double>(phase)));
                wrong += retuned.Sine(j, i) !=
                         static_cast<float>(std::sin(static_cast<long double>(phase)));
            }
        }
        EXPECT_EQ(wrong, 0) << cents << " cents";
    }
}

TEST(NoteKernels, NonsenseTuningFactorIsRefusedAndChangesNothing) {
    trx::NoteKernels kernels;
    for (double factor : {0.0, -1.0, std::nan("")})
        EXPECT_THROW(kernels.CreateFrequencyMap(factor), trx::TremolundrixError) << factor;
    EXPECT_EQ(kernels.FirstNoteBin, 8);
    EXPECT_EQ(kernels.NoteFrequencies[48], 220.0f);
}

} // namespace
