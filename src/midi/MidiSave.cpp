#include "midi/MidiSave.h"

#include "common/Constants.h"
#include "midi/TMidiFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace trx {
namespace {

constexpr std::int32_t kTopBin = kNoteBins - 1;
constexpr std::uint8_t kNoteOn = 0x90;
// The loudest cell, at noteMapMaximum, gets this velocity.
constexpr long double kTopVelocity = 126;

// Note-on events with running status; delta times in slices.
class NoteTrackWriter {
public:
    explicit NoteTrackWriter(TMidiFile& file)
        : file_(file) {}

    void Event(std::int32_t slice, std::int32_t bin, std::uint8_t velocity) {
        file_.WriteTrackVarLen(static_cast<std::uint32_t>(slice - lastEventSlice_));
        if (runningStatus_ != kNoteOn) {
            file_.WriteTrackByte(kNoteOn);
            runningStatus_ = kNoteOn;
        }
        file_.WriteTrackByte(static_cast<std::uint8_t>(bin + kFirstMidiKey));
        file_.WriteTrackByte(velocity);
        lastEventSlice_ = slice;
    }

private:
    TMidiFile& file_;
    std::int32_t lastEventSlice_ = 0;
    std::optional<std::uint8_t> runningStatus_;
};

// Four cells or flags side by side, for passing over bins with nothing to
// write four at a time: most bins of a slice neither start nor end a note.
using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

template <typename Vector, typename Value>
[[nodiscard]] Vector Load4(const Value* values) {
    Vector v;
    std::memcpy(&v, values, sizeof v);
    return v;
}

[[nodiscard]] bool Any(Ints4 mask) {
    return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
}

void WriteNoteTrack(TMidiFile& file, const FloatMatrix& noteMap, float noteMapMaximum,
                    std::int32_t firstNoteBin, std::int32_t minimumComponent) {
    const float threshold =
        static_cast<float>(minimumComponent * static_cast<long double>(noteMapMaximum) / 100);
    const bool canStart = noteMapMaximum > 0.0f;
    const std::int32_t firstBin = std::max(firstNoteBin, 0);
    const std::int32_t sliceCount = noteMap.Rows();
    // -1 while a note sounds in the bin, else 0.
    std::array<std::int32_t, kNoteBins> sounding{};
    NoteTrackWriter track(file);
    const Floats4 silence{};
    const Floats4 thresholds{threshold, threshold, threshold, threshold};

    for (std::int32_t s = 0; s < sliceCount; ++s) {
        const float* const cells = noteMap.Row(s).data();
        const auto endNote = [&](std::int32_t b) {
            if (sounding[b] != 0 && cells[b] == 0.0f) {
                sounding[b] = 0;
                track.Event(s, b, 0);
            }
        };
        const auto startNote = [&](std::int32_t b) {
            const float x = cells[b];
            if (sounding[b] == 0 && x > threshold) {
                sounding[b] = -1;
                // A cell above the maximum would give a status byte.
                const long double velocity =
                    std::min<long double>(x * kTopVelocity / noteMapMaximum, kTopVelocity);
                track.Event(s, b, static_cast<std::uint8_t>(velocity));
            }
        };

        std::int32_t b = firstBin;
        for (; b + 4 <= kNoteBins; b += 4)
            if (Any(Load4<Ints4>(sounding.data() + b) & (Load4<Floats4>(cells + b) == silence)))
                for (std::int32_t k = b; k < b + 4; ++k)
                    endNote(k);
        for (; b <= kTopBin; ++b)
            endNote(b);
        if (!canStart)
            continue;
        b = firstBin;
        for (; b + 4 <= kNoteBins; b += 4)
            if (Any(~Load4<Ints4>(sounding.data() + b) & (Load4<Floats4>(cells + b) > thresholds)))
                for (std::int32_t k = b; k < b + 4; ++k)
                    startNote(k);
        for (; b <= kTopBin; ++b)
            startNote(b);
    }
    // Close what still sounds at the end of the last slice, so no note hangs.
    for (std::int32_t b = firstBin; b <= kTopBin; ++b)
        if (sounding[b] != 0)
            track.Event(sliceCount, b, 0);

    file.WriteTrackVarLen(0);
    file.WriteTrackString("\xFF\x2F");
    file.WriteTrackByte(0);
}

} // namespace

std::vector<std::uint8_t> BuildMidiFromNoteMap(const std::string& fileName,
                                               const FloatMatrix& noteMap, float noteMapMaximum,
                                               std::int32_t firstNoteBin,
                                               std::int32_t minimumComponent, int keyIndex) {
    TMidiFile file(fileName, keyIndex);
    WriteNoteTrack(file, noteMap, noteMapMaximum, firstNoteBin, minimumComponent);
    return file.FileBytes();
}

void SaveNoteMapAsMidi(const std::string& fileName, const FloatMatrix& noteMap,
                       float noteMapMaximum, std::int32_t firstNoteBin,
                       std::int32_t minimumComponent, int keyIndex) {
    TMidiFile file(fileName, keyIndex);
    WriteNoteTrack(file, noteMap, noteMapMaximum, firstNoteBin, minimumComponent);
    file.SaveToFile();
}

} // namespace trx
