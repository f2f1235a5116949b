#include "midi/MidiSave.h"

#include "common/Constants.h"
#include "midi/NoteMapEvents.h"
#include "midi/TMidiFile.h"

#include <optional>

namespace trx {
namespace {

constexpr std::uint8_t kNoteOn = 0x90;

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
    NoteTrackWriter track(file);
    WalkNoteMap(noteMap, noteMapMaximum, firstNoteBin, minimumComponent,
                [&](std::int32_t slice, std::int32_t bin, std::uint8_t velocity) {
                    track.Event(slice, bin, velocity);
                });
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
