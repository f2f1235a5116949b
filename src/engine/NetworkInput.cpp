#include "engine/NetworkInput.h"

#include <cmath>
#include <numbers>

namespace trx {

NetworkInput::NetworkInput(const NetworkModel& model)
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
    cos_.resize(n / 2);
    sin_.resize(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const double angle =
            -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        cos_[k] = std::cos(angle);
        sin_[k] = std::sin(angle);
    }
    const std::size_t half = n / 2;
    bitReverse_.resize(half);
    std::int32_t bits = 0;
    while ((std::size_t{1} << bits) < half)
        ++bits;
    for (std::size_t i = 0; i < half; ++i) {
        std::size_t r = 0;
        for (std::int32_t b = 0; b < bits; ++b)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        bitReverse_[i] = static_cast<std::int32_t>(r);
    }
    re_.resize(half);
    im_.resize(half);
    magnitudes_.resize(half + 1);
    spectrum_.resize(static_cast<std::size_t>(model.SpectrumBins));
}

void NetworkInput::Compute(std::span<const float> windowSamples, std::span<float> features) {
    // The real frame as a complex one of half the length (even samples
    // real, odd imaginary), transformed in place by radix-2 steps in double,
    // then parted into the real frame's spectrum: a third of the work of a
    // full-length complex transform.
    const std::size_t half = re_.size();
    for (std::size_t i = 0; i < half; ++i) {
        const auto to = static_cast<std::size_t>(bitReverse_[i]);
        re_[to] = windowSamples[2 * i] * window_[2 * i];
        im_[to] = windowSamples[2 * i + 1] * window_[2 * i + 1];
    }
    for (std::size_t len = 2; len <= half; len <<= 1) {
        const std::size_t h = len / 2;
        // Twiddle k of this step is e^(-2 pi i k / len) = entry 2 k (half / len).
        const std::size_t step = 2 * (half / len);
        for (std::size_t start = 0; start < half; start += len)
            for (std::size_t k = 0; k < h; ++k) {
                const double c = cos_[k * step];
                const double s = sin_[k * step];
                const std::size_t a = start + k;
                const std::size_t b = a + h;
                const double tr = c * re_[b] - s * im_[b];
                const double ti = c * im_[b] + s * re_[b];
                re_[b] = re_[a] - tr;
                im_[b] = im_[a] - ti;
                re_[a] += tr;
                im_[a] += ti;
            }
    }
    for (std::size_t k = 0; k <= half; ++k) {
        const std::size_t j = k % half;
        const std::size_t m = (half - k) % half;
        // Even part (Z[k] + conj Z[half - k]) / 2, odd part the difference
        // over 2i; the frame's bin k is even + e^(-2 pi i k / n) odd.
        const double er = 0.5 * (re_[j] + re_[m]);
        const double ei = 0.5 * (im_[j] - im_[m]);
        const double orr = 0.5 * (im_[j] + im_[m]);
        const double oi = -0.5 * (re_[j] - re_[m]);
        const double c = k < half ? cos_[k] : -1.0;
        const double s = k < half ? sin_[k] : 0.0;
        const double xr = er + c * orr - s * oi;
        const double xi = ei + c * oi + s * orr;
        magnitudes_[k] = static_cast<float>(std::sqrt(xr * xr + xi * xi));
    }

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
