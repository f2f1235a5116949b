#pragma once

#include "engine/NetworkModel.h"

#include <cstdint>
#include <span>
#include <vector>

namespace trx {

// The network's input frames: a log-frequency spectrum per hop with the
// harmonics stacked, computed one frame at a time from a window of
// samples (the memory does not grow with the recording).
class NetworkInput {
public:
    explicit NetworkInput(const NetworkModel& model);

    // Channels x keys values of the frame whose FftSize samples are
    // windowSamples, channel-major.
    void Compute(std::span<const float> windowSamples, std::span<float> features);

    [[nodiscard]] std::size_t FeatureSize() const {
        return model_.HarmonicShifts.size() * static_cast<std::size_t>(model_.KeyCount);
    }

private:
    const NetworkModel& model_;
    std::vector<double> window_;
    // e^(-2 pi i k / FftSize), k < FftSize / 2, as real and imaginary parts.
    std::vector<double> cos_;
    std::vector<double> sin_;
    // The half-size transform's input order.
    std::vector<std::int32_t> bitReverse_;
    std::vector<double> re_;
    std::vector<double> im_;
    std::vector<float> magnitudes_;
    std::vector<float> spectrum_;
};

} // namespace trx
