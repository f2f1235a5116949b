#pragma once

#include "midi/ByteBuffer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

// The time frame a MIDI file is written in: ticks per quarter note, the
// time signature's MIDI clocks per click and the set-tempo events of the
// conductor track, in tick order.
struct MidiTimeBase {
    struct Tempo {
        std::uint32_t Tick = 0;
        std::uint32_t MicrosecondsPerQuarter = 0;
    };
    std::uint16_t Division = 8;
    std::uint8_t ClocksPerClick = 0x20;
    // 371520 microseconds a quarter: 46440 a tick, the length of a slice.
    std::vector<Tempo> Tempi{{0, 371520}};
};

// One Standard MIDI File of format 1 with two tracks at 8 ticks per quarter
// note and 371520 microseconds per quarter (one tick is one slice). The
// constructor lays down the header and the fixed conductor track; callers
// append the note track's events and its end of track, then save. The disk
// is touched only by SaveToFile.
class TMidiFile {
public:
    // fileName is also the conductor track's name. keyIndex selects the key
    // signature: 0..29 as in the editor's key list, anything else C major.
    explicit TMidiFile(std::string fileName, int keyIndex);
    // The same file in another time frame (a beat grid).
    TMidiFile(std::string fileName, int keyIndex, const MidiTimeBase& timeBase);

    void WriteTrackByte(std::uint8_t value);
    // value < 2^28, as a variable-length quantity.
    void WriteTrackVarLen(std::uint32_t value);
    // Four bytes, most significant first.
    void WriteTrackLong(std::uint32_t value);
    // The bytes of text, without length or terminator.
    void WriteTrackString(std::string_view text);

    // The whole file as SaveToFile writes it, note track length filled in.
    [[nodiscard]] std::vector<std::uint8_t> FileBytes() const;
    // Writes the file in one go through a temporary file in the same
    // folder, so a failure leaves an existing file whole. Throws SystemError.
    void SaveToFile();

    [[nodiscard]] const std::string& FileName() const { return fileName_; }

private:
    void WriteHeader(int keyIndex, const MidiTimeBase& timeBase);
    void StartNoteTrack();
    void PatchTrackLength();

    void WriteHeaderByte(std::uint8_t value);
    void WriteHeaderWord(std::uint16_t value);
    void WriteHeaderLong(std::uint32_t value);
    void WriteHeaderVarLen(std::uint32_t value);
    void WriteHeaderString(std::string_view text);

    std::string fileName_;
    // The header chunk, then the complete conductor track chunk.
    ByteBuffer headerBuffer_;
    // The note track chunk from its "MTrk" tag on.
    ByteBuffer trackBuffer_;
};

} // namespace trx
