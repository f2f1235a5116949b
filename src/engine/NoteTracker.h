#pragma once

#include "common/FloatMatrix.h"

#include <cstdint>
#include <span>
#include <vector>

namespace trx {

// Turns the network's per-frame onset and note probabilities into notes of
// a note map, frame by frame. A note starts at an onset peak (a local
// maximum at or above onsetThreshold) or in the first frame when its note
// probability is at or above frameThreshold there, goes on while the note probability
// stays at or above frameThreshold and is kept when it lasted at least
// minimumFrames. Frames are framesPerSlice to a slice; a note takes the
// slices from the one holding its first frame up to the one holding its
// last, every cell velocity; the cell after it stays 0, so a note struck
// again right after the last one is shortened by a slice. The outputs of
// the last tailFrames of frameCount frames see past the recording's end,
// where every sound seems to stop at once: there no key is struck and the
// notes sounding go on to the end.
class NoteTracker {
public:
    NoteTracker(FloatMatrix& noteMap, std::int32_t firstKey, std::int32_t framesPerSlice,
                float onsetThreshold, float frameThreshold, std::int32_t minimumFrames,
                std::int32_t frameCount, std::int32_t tailFrames);

    // The probabilities of the next frame; key k is MIDI key firstKey + k.
    void Push(std::span<const float> onset, std::span<const float> note);
    // Ends the notes still sounding after the last frame.
    void Finish();

    // The value of a note's cells, for the map's maximum: velocity 100.
    static constexpr float kCellValue = 100.0f;

private:
    struct Key {
        bool Sounding = false;
        std::int32_t Start = 0;
        // The slices first..end - 1 of the last note written on this key;
        // none yet while end is below every slice.
        std::int32_t WrittenStart = -2;
        std::int32_t WrittenEnd = -2;
    };

    void Decide(std::int32_t frame, std::span<const float> onset, std::span<const float> note);
    void End(std::size_t key, std::int32_t endFrame);

    FloatMatrix& noteMap_;
    std::int32_t firstKey_;
    std::int32_t framesPerSlice_;
    float onsetThreshold_;
    float frameThreshold_;
    std::int32_t minimumFrames_;
    std::int32_t firstTailFrame_;
    std::vector<Key> keys_;
    // Frames t - 1 and t, so frame t - 1 can be judged a peak on seeing t.
    std::vector<float> onsets_[3];
    std::vector<float> notes_;
    std::int32_t frames_ = 0;
};

} // namespace trx
