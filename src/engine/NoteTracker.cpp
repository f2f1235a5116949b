#include "engine/NoteTracker.h"

#include "common/Constants.h"

#include <algorithm>

namespace trx {

NoteTracker::NoteTracker(FloatMatrix& noteMap, std::int32_t firstKey, std::int32_t framesPerSlice,
                         float onsetThreshold, float frameThreshold, std::int32_t minimumFrames,
                         std::int32_t frameCount, std::int32_t tailFrames)
    : noteMap_(noteMap)
    , firstKey_(firstKey)
    , framesPerSlice_(framesPerSlice)
    , onsetThreshold_(onsetThreshold)
    , frameThreshold_(frameThreshold)
    , minimumFrames_(minimumFrames)
    , firstTailFrame_(frameCount - tailFrames) {}

void NoteTracker::Push(std::span<const float> onset, std::span<const float> note) {
    if (keys_.empty()) {
        keys_.resize(onset.size());
        for (auto& o : onsets_)
            o.assign(onset.size(), 0.0f);
        notes_.assign(onset.size(), 0.0f);
    }
    // onsets_[0..2]: frames t - 2, t - 1, t.
    std::rotate(std::begin(onsets_), std::begin(onsets_) + 1, std::end(onsets_));
    std::copy(onset.begin(), onset.end(), onsets_[2].begin());
    if (frames_ > 0)
        Decide(frames_ - 1, onsets_[1], notes_);
    std::copy(note.begin(), note.end(), notes_.begin());
    ++frames_;
}

void NoteTracker::Finish() {
    if (frames_ == 0)
        return;
    std::rotate(std::begin(onsets_), std::begin(onsets_) + 1, std::end(onsets_));
    std::fill(onsets_[2].begin(), onsets_[2].end(), 0.0f);
    Decide(frames_ - 1, onsets_[1], notes_);
    for (std::size_t k = 0; k < keys_.size(); ++k)
        if (keys_[k].Sounding)
            End(k, frames_);
}

void NoteTracker::Decide(std::int32_t frame, std::span<const float> onset,
                         std::span<const float> note) {
    if (frame >= firstTailFrame_)
        return;
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        Key& key = keys_[k];
        const float o = onset[k];
        // A key sounding in the first frame was struck at or before the
        // recording's start, where no onset can be seen.
        const bool peak = (o >= onsetThreshold_ && o >= onsets_[0][k] && o > onsets_[2][k]) ||
                          (frame == 0 && note[k] >= frameThreshold_);
        if (peak) {
            // Struck again: the sounding note ends here, unless it is too
            // short to be a note of its own.
            if (key.Sounding && frame - key.Start >= minimumFrames_)
                End(k, frame);
            if (!key.Sounding) {
                key.Sounding = true;
                key.Start = frame;
            }
        } else if (key.Sounding && note[k] < frameThreshold_ && o < onsetThreshold_) {
            End(k, frame);
        }
    }
}

void NoteTracker::End(std::size_t k, std::int32_t endFrame) {
    Key& key = keys_[k];
    key.Sounding = false;
    if (endFrame - key.Start < minimumFrames_)
        return;
    const std::int32_t bin = firstKey_ + static_cast<std::int32_t>(k) - kFirstMidiKey;
    if (bin < 0 || bin >= noteMap_.Cols())
        return;
    std::int32_t first = key.Start / framesPerSlice_;
    const std::int32_t last = std::min((endFrame - 1) / framesPerSlice_, noteMap_.Rows() - 1);
    // One silent cell must part it from the note before: that one is cut
    // short, or when it would vanish this one starts later.
    if (key.WrittenEnd >= first) {
        if (first - 1 > key.WrittenStart) {
            for (std::int32_t s = first - 1; s < key.WrittenEnd; ++s)
                noteMap_(s, bin) = 0.0f;
        } else {
            first = key.WrittenEnd + 1;
        }
    }
    if (first > last)
        return;
    for (std::int32_t s = first; s <= last; ++s)
        noteMap_(s, bin) = kCellValue;
    key.WrittenStart = first;
    key.WrittenEnd = last + 1;
}

} // namespace trx
