#include "midi/MidiSave.h"

#include "common/Constants.h"
#include "midi/TMidiFile.h"

#include <algorithm>
#include <array>
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

void WriteNoteTrack(TMidiFile& file, const FloatMatrix& noteMap, float noteMapMaximum,
                    std::int32_t firstNoteBin, std::int32_t minimumComponent) {
    const float threshold =
        static_cast<float>(minimumComponent * static_cast<long double>(noteMapMaximum) / 100);
    const bool canStart = noteMapMaximum > 0.0f;
    const std::int32_t firstBin = std::max(firstNoteBin, 0);
    const std::int32_t sliceCount = noteMap.Rows();
    std::array<bool, kNoteBins> sounding{};
    NoteTrackWriter track(file);

    for (std::int32_t s = 0; s < sliceCount; ++s) {
        for (std::int32_t b = firstBin; b <= kTopBin; ++b) {
            if (sounding[b] && noteMap(s, b) == 0.0f) {
                sounding[b] = false;
                track.Event(s, b, 0);
            }
        }
        if (!canStart)
            continue;
        for (std::int32_t b = firstBin; b <= kTopBin; ++b) {
            const float x = noteMap(s, b);
            if (!sounding[b] && x > threshold) {
                sounding[b] = true;
                // A cell above the maximum would give a status byte.
                const long double velocity =
                    std::min<long double>(x * kTopVelocity / noteMapMaximum, kTopVelocity);
                track.Event(s, b, static_cast<std::uint8_t>(velocity));
            }
        }
    }
    // Close what still sounds at the end of the last slice, so no note hangs.
    for (std::int32_t b = firstBin; b <= kTopBin; ++b)
        if (sounding[b])
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
