#include "engine/AccurateEngine.h"

#include "analysis/SliceSamples.h"
#include "common/Constants.h"
#include "common/Errors.h"
#include "engine/NetworkInput.h"
#include "engine/NetworkStream.h"
#include "engine/NoteTracker.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>

namespace trx {
namespace {

// The samples of a few consecutive slices, read as the frames move on.
class SampleWindow {
public:
    explicit SampleWindow(const SampleBuffer& buffer)
        : buffer_(buffer) {}

    // Copies samples first..first + out.size() - 1 (0 outside the data);
    // calls come with first ascending.
    void Read(std::int64_t first, std::span<float> out) {
        const std::int64_t last = first + static_cast<std::int64_t>(out.size()) - 1;
        const std::int64_t firstSlice = FloorDiv(first);
        while (!slices_.empty() && slices_.front().first < firstSlice)
            slices_.erase(slices_.begin());
        for (std::int64_t s = slices_.empty() ? firstSlice : slices_.back().first + 1;
             s <= FloorDiv(last); ++s) {
            slices_.emplace_back(s, std::array<float, kSliceLength>{});
            GetSliceSamples(buffer_, static_cast<std::int32_t>(s), slices_.back().second);
        }
        for (std::size_t i = 0; i < out.size(); ++i) {
            const std::int64_t n = first + static_cast<std::int64_t>(i);
            const auto& slice = slices_[static_cast<std::size_t>(FloorDiv(n) - firstSlice)];
            out[i] = slice.second[static_cast<std::size_t>(n - FloorDiv(n) * kSliceLength)];
        }
    }

private:
    static std::int64_t FloorDiv(std::int64_t n) {
        return n >= 0 ? n / kSliceLength : -((-n + kSliceLength - 1) / kSliceLength);
    }

    const SampleBuffer& buffer_;
    std::vector<std::pair<std::int64_t, std::array<float, kSliceLength>>> slices_;
};

} // namespace

bool TranscribeAccurately(const SampleBuffer& buffer, const NetworkModel& model,
                          FloatMatrix& noteMap, float& noteMapMaximum, ProgressReporter& progress) {
    if (model.SampleRate != kSampleRate || model.Hop <= 0 || kSliceLength % model.Hop != 0)
        throw TremolundrixError("The network does not fit the slices of 2048 samples at 44100 Hz");
    const std::int32_t slices = std::max(buffer.SliceCount, 0);
    const std::int32_t framesPerSlice = kSliceLength / model.Hop;
    const std::int32_t frames = slices * framesPerSlice;
    noteMap.Resize(slices, kNoteBins);
    noteMapMaximum = NoteTracker::kCellValue;

    const std::int64_t lead = (model.FftSize - model.Hop) / 2;
    // Frames whose window reaches past the last slice, and those whose
    // outputs the network computes from them.
    auto tail = static_cast<std::int32_t>((model.FftSize - lead + model.Hop - 1) / model.Hop - 1);
    for (const ConvLayer& layer : model.Layers)
        tail += layer.Reach();
    NoteTracker tracker(noteMap, model.FirstKey, framesPerSlice, model.OnsetThreshold,
                        model.FrameThreshold, model.MinimumFrames, frames, tail);
    NetworkStream network(model, frames,
                          [&](std::int32_t, std::span<const float> onset,
                              std::span<const float> note) { tracker.Push(onset, note); });
    NetworkInput spectrum(model);
    SampleWindow samples(buffer);
    std::vector<float> window(static_cast<std::size_t>(model.FftSize));
    std::vector<float> features(spectrum.FeatureSize());

    for (std::int32_t f = 0; f < frames; ++f) {
        samples.Read(static_cast<std::int64_t>(f) * model.Hop - lead, window);
        spectrum.Compute(window, features);
        network.Push(features);
        const std::int32_t slice = f / framesPerSlice;
        if (f % framesPerSlice == framesPerSlice - 1 && slice % 10 == 9) {
            progress.SetProgress(static_cast<double>(slice + 1) / slices);
            if (!progress.ContinueWork())
                return false;
        }
    }
    network.Finish();
    tracker.Finish();
    progress.SetProgress(1.0);
    return true;
}

const NetworkModel& InstalledNetworkModel() {
    static std::mutex mutex;
    static std::optional<NetworkModel> model;
    const std::lock_guard lock(mutex);
    if (!model) {
        const std::string path = FindNetworkModelFile();
        if (path.empty())
            throw TremolundrixError(std::string("The network weights file ") +
                                    kNetworkModelFileName + " was not found beside the program");
        model = LoadNetworkModel(path);
    }
    return *model;
}

} // namespace trx
