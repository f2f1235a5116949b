#include "engine/SpectralFrames.h"

#include <cmath>
#include <numbers>

namespace trx {

SpectralFrames::SpectralFrames(const NetworkModel& model)
    : model_(model) {
    const auto n = static_cast<std::size_t>(model.FftSize);
    window_.resize(n);
    double sum = 0.0;
    // Periodic Hann window.
    for (std::size_t i = 0; i < n; ++i) {
        window_[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                          static_cast<double>(n));
        sum += window_[i];
    }
    // A sine of amplitude A then peaks at about A.
    for (double& w : window_)
        w *= 2.0 / sum;
    twiddles_.resize(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        twiddles_[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) /
                                           static_cast<double>(n));
    bitReverse_.resize(n);
    std::int32_t bits = 0;
    while ((std::size_t{1} << bits) < n)
        ++bits;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t r = 0;
        for (std::int32_t b = 0; b < bits; ++b)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        bitReverse_[i] = static_cast<std::int32_t>(r);
    }
    buffer_.resize(n);
    magnitudes_.resize(n / 2 + 1);
    spectrum_.resize(static_cast<std::size_t>(model.SpectrumBins));
}

void SpectralFrames::Compute(std::span<const float> windowSamples, std::span<float> features) {
    const std::size_t n = buffer_.size();
    for (std::size_t i = 0; i < n; ++i)
        buffer_[static_cast<std::size_t>(bitReverse_[i])] = {windowSamples[i] * window_[i], 0.0};
    // Iterative radix-2 transform in double; the frame is small enough that
    // the transform costs less than the network.
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t half = len / 2;
        const std::size_t step = n / len;
        for (std::size_t start = 0; start < n; start += len)
            for (std::size_t k = 0; k < half; ++k) {
                const std::complex<double> t = twiddles_[k * step] * buffer_[start + k + half];
                buffer_[start + k + half] = buffer_[start + k] - t;
                buffer_[start + k] += t;
            }
    }
    for (std::size_t k = 0; k < magnitudes_.size(); ++k)
        magnitudes_[k] = static_cast<float>(std::abs(buffer_[k]));

    for (std::size_t j = 0; j < spectrum_.size(); ++j) {
        const std::vector<float>& w = model_.FilterWeights[j];
        const float* m = magnitudes_.data() + model_.FilterStart[j];
        float sum = 0.0f;
        for (std::size_t i = 0; i < w.size(); ++i)
            sum += w[i] * m[i];
        spectrum_[j] = std::log1p(model_.FeatureScale * sum);
    }
    const auto keys = static_cast<std::size_t>(model_.KeyCount);
    for (std::size_t c = 0; c < model_.HarmonicShifts.size(); ++c) {
        const std::int32_t offset =
            model_.FirstKey - model_.SpectrumLowKey + model_.HarmonicShifts[c];
        for (std::size_t k = 0; k < keys; ++k) {
            const std::int32_t j = offset + static_cast<std::int32_t>(k);
            features[c * keys + k] =
                j >= 0 && j < model_.SpectrumBins ? spectrum_[static_cast<std::size_t>(j)] : 0.0f;
        }
    }
}

} // namespace trx
