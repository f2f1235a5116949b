#pragma once

#include "engine/NetworkModel.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace trx {

// Runs the network over a recording one frame at a time: each layer keeps
// only the frames its kernel reaches, so memory follows the layers, not
// the recording's length. Results equal the whole-recording convolution
// with zeros outside the frames 0..frameCount - 1.
class NetworkStream {
public:
    // result(frame, onset, note): the probabilities of frame's keys, frames
    // in ascending order.
    using Result =
        std::function<void(std::int32_t, std::span<const float>, std::span<const float>)>;

    NetworkStream(const NetworkModel& model, std::int32_t frameCount, Result result);

    // The next frame's input: channels x keys, channel-major.
    void Push(std::span<const float> features);
    // After the last frame: computes what waited for frames that never come.
    void Finish();

private:
    struct Stage {
        const ConvLayer* Layer = nullptr;
        std::int32_t Span = 1;
        // Span input frames, each In rows of width_ values.
        std::vector<float> Ring;
        std::int32_t Received = 0;
        std::int32_t Next = 0;
        std::vector<float> Output;
    };

    void Feed(std::size_t stage, const float* frame);
    void Compute(std::size_t stage);

    std::int32_t frameCount_;
    std::int32_t keys_;
    std::int32_t pad_ = 0;
    // Floats from one row of keys to the next: the keys rounded up to the
    // vector length, padding either side.
    std::int32_t width_;
    std::vector<Stage> stages_;
    std::vector<float> input_;
    // The input rows and weight taps of the frame being computed.
    std::vector<const float*> rows_;
    std::vector<std::int32_t> taps_;
    Result result_;
};

} // namespace trx
