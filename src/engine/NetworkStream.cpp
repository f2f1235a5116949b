#include "engine/NetworkStream.h"

#include "engine/ConvolveKeys.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace trx {

NetworkStream::NetworkStream(const NetworkModel& model, std::int32_t frameCount, Result result)
    : frameCount_(frameCount)
    , keys_(model.KeyCount)
    , result_(std::move(result)) {
    for (const ConvLayer& layer : model.Layers)
        pad_ = std::max(pad_, (layer.KernelKeys - 1) / 2);
    // Room on the right for the vectors' last keys: the rows are read and
    // written in whole vectors.
    const std::int32_t lanes = ConvolutionLanes();
    width_ = (keys_ + lanes - 1) / lanes * lanes + 2 * pad_;
    for (const ConvLayer& layer : model.Layers) {
        Stage s;
        s.Layer = &layer;
        s.Span = 2 * layer.Reach() + 1;
        s.Ring.assign(static_cast<std::size_t>(s.Span * layer.In * width_), 0.0f);
        s.Output.assign(static_cast<std::size_t>(layer.Out * width_), 0.0f);
        stages_.push_back(std::move(s));
    }
    input_.assign(static_cast<std::size_t>(model.Layers.front().In * width_), 0.0f);
}

void NetworkStream::Push(std::span<const float> features) {
    const auto keys = static_cast<std::size_t>(keys_);
    const std::size_t channels = features.size() / keys;
    for (std::size_t c = 0; c < channels; ++c)
        std::memcpy(input_.data() + c * static_cast<std::size_t>(width_) + pad_,
                    features.data() + c * keys, keys * sizeof(float));
    Feed(0, input_.data());
}

void NetworkStream::Finish() {
    for (std::size_t l = 0; l < stages_.size(); ++l)
        while (stages_[l].Next < frameCount_)
            Compute(l);
}

void NetworkStream::Feed(std::size_t stage, const float* frame) {
    Stage& s = stages_[stage];
    const std::size_t frameSize = static_cast<std::size_t>(s.Layer->In * width_);
    std::memcpy(s.Ring.data() + static_cast<std::size_t>(s.Received % s.Span) * frameSize, frame,
                frameSize * sizeof(float));
    ++s.Received;
    while (s.Next < frameCount_ && s.Next + s.Layer->Reach() < s.Received)
        Compute(stage);
}

void NetworkStream::Compute(std::size_t stage) {
    Stage& s = stages_[stage];
    const ConvLayer& layer = *s.Layer;
    const std::int32_t t = s.Next++;
    const auto width = static_cast<std::size_t>(width_);
    const std::size_t frameSize = static_cast<std::size_t>(layer.In) * width;
    const std::int32_t centreFrame = (layer.KernelFrames - 1) / 2;
    const std::int32_t centreKey = (layer.KernelKeys - 1) / 2;
    const std::int32_t keys = keys_;

    // The input rows of the taps inside the recording; frames outside it
    // are zeros.
    rows_.clear();
    taps_.clear();
    for (std::int32_t i = 0; i < layer.In; ++i)
        for (std::int32_t dt = 0; dt < layer.KernelFrames; ++dt) {
            const std::int32_t u = t + (dt - centreFrame) * layer.Dilation;
            if (u < 0 || u >= frameCount_)
                continue;
            rows_.push_back(s.Ring.data() + static_cast<std::size_t>(u % s.Span) * frameSize +
                            static_cast<std::size_t>(i) * width + pad_ - centreKey);
            taps_.push_back(i * layer.KernelFrames + dt);
        }
    const auto weightsPerOutput = static_cast<std::size_t>(layer.In) *
                                  static_cast<std::size_t>(layer.KernelFrames) *
                                  static_cast<std::size_t>(layer.KernelKeys);
    for (std::int32_t o = 0; o < layer.Out; ++o) {
        float* out = s.Output.data() + static_cast<std::size_t>(o) * width + pad_;
        ConvolveKeys(rows_.data(), taps_.data(), rows_.size(),
                     layer.Weights.data() + static_cast<std::size_t>(o) * weightsPerOutput,
                     layer.KernelKeys, layer.Bias[static_cast<std::size_t>(o)], keys, out);
        switch (layer.Act) {
        case ConvLayer::Activation::Relu:
            for (std::int32_t k = 0; k < keys; ++k)
                out[k] = std::max(out[k], 0.0f);
            break;
        case ConvLayer::Activation::Sigmoid:
            for (std::int32_t k = 0; k < keys; ++k)
                out[k] = 1.0f / (1.0f + std::exp(-out[k]));
            break;
        case ConvLayer::Activation::None:
            break;
        }
        // The next layer reads the padding as zeros.
        std::fill(out + keys, out + (width - static_cast<std::size_t>(pad_)), 0.0f);
    }
    if (stage + 1 < stages_.size()) {
        Feed(stage + 1, s.Output.data());
    } else {
        const auto k = static_cast<std::size_t>(keys);
        result_(t, {s.Output.data() + pad_, k}, {s.Output.data() + width + pad_, k});
    }
}

} // namespace trx
