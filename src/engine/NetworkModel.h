#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trx {

// One convolution over (frames, keys) of a frame-major stack of channels:
// out[o][t][k] = bias[o] + sum over i, dt, dk of
//   weights[((o * In + i) * KernelFrames + dt) * KernelKeys + dk] *
//   in[i][t + (dt - (KernelFrames - 1) / 2) * Dilation][k + dk - (KernelKeys - 1) / 2],
// inputs outside the recording or the key range reading as 0.
struct ConvLayer {
    enum class Activation : std::uint32_t { None = 0, Relu = 1, Sigmoid = 2 };

    std::int32_t In = 0;
    std::int32_t Out = 0;
    std::int32_t KernelFrames = 1;
    std::int32_t KernelKeys = 1;
    std::int32_t Dilation = 1;
    Activation Act = Activation::None;
    std::vector<float> Weights;
    std::vector<float> Bias;

    // Frames of input this layer reads before and after the one it computes.
    [[nodiscard]] std::int32_t Reach() const { return (KernelFrames - 1) / 2 * Dilation; }
};

// The accurate engine's network with its front end, as the weights file
// holds it. Frame f is the FftSize samples from f * Hop - (FftSize - Hop) / 2
// on (a frame centred on hop interval f), Hann-windowed.
struct NetworkModel {
    std::int32_t SampleRate = 0;
    std::int32_t FftSize = 0;
    std::int32_t Hop = 0;
    // The network's keys: MIDI keys FirstKey..FirstKey + KeyCount - 1.
    std::int32_t FirstKey = 0;
    std::int32_t KeyCount = 0;
    // Log-frequency bin j is centred on MIDI pitch SpectrumLowKey + j.
    std::int32_t SpectrumLowKey = 0;
    std::int32_t SpectrumBins = 0;
    // Bin j is sum of FilterWeights[j][n] x |X[FilterStart[j] + n]|, then
    // log(1 + FeatureScale x that), |X| scaled so a sine of amplitude A
    // peaks at about A.
    std::vector<std::int32_t> FilterStart;
    std::vector<std::vector<float>> FilterWeights;
    float FeatureScale = 1.0f;
    // Input channel c of key k is log bin (FirstKey + k - SpectrumLowKey +
    // HarmonicShifts[c]): the harmonics stacked over the fundamental.
    std::vector<std::int32_t> HarmonicShifts;
    // The last layer gives two channels: onset and note probability.
    std::vector<ConvLayer> Layers;
    // Note creation.
    float OnsetThreshold = 0.5f;
    float FrameThreshold = 0.5f;
    std::int32_t MinimumFrames = 2;
};

// Reads a weights file; throws TremolundrixError naming the file when it is
// missing, damaged (checksum, truncation) or of another version or shape.
[[nodiscard]] NetworkModel LoadNetworkModel(const std::string& path);

// The weights file the programs use: beside the executable, in
// ../share/tremolundrix/ from it, or the source tree's file; empty when none
// exists.
[[nodiscard]] std::string FindNetworkModelFile();

// The installed file's name.
inline constexpr const char* kNetworkModelFileName = "accurate-engine.trxw";

} // namespace trx
