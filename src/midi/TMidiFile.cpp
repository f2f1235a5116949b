#include "midi/TMidiFile.h"

#include "common/AtomicFile.h"
#include "common/Errors.h"
#include "midi/KeySignatures.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace trx {
namespace {

// Fixed event bytes as written (the literals are ints).
using MetaBytes = std::initializer_list<std::uint8_t>;

// Offset of a chunk's length field from the chunk's start.
constexpr std::size_t kChunkLengthOffset = 4;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kVarLenLimit = 1u << 28;

template <typename Append>
void AppendVarLen(std::uint32_t value, Append append) {
    if (value >= kVarLenLimit)
        throw TremolundrixError("Variable-length quantity out of range");
    // Seven bits a group, most significant first, bit 7 set on all but the
    // last.
    std::array<std::uint8_t, 4> groups{};
    std::size_t count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        append(static_cast<std::uint8_t>(groups[--count] | 0x80));
    append(groups[0]);
}

} // namespace

TMidiFile::TMidiFile(std::string fileName, int keyIndex)
    : TMidiFile(std::move(fileName), keyIndex, MidiTimeBase{}) {}

TMidiFile::TMidiFile(std::string fileName, int keyIndex, const MidiTimeBase& timeBase)
    : fileName_(std::move(fileName)) {
    WriteHeader(keyIndex, timeBase);
    StartNoteTrack();
}

void TMidiFile::WriteHeader(int keyIndex, const MidiTimeBase& timeBase) {
    WriteHeaderString("MThd");
    WriteHeaderLong(6);
    WriteHeaderWord(1);                 // format 1
    WriteHeaderWord(2);                 // conductor track and note track
    WriteHeaderWord(timeBase.Division); // ticks per quarter note

    WriteHeaderString("MTrk");
    WriteHeaderLong(0); // conductor length, filled in below
    const std::size_t trackStart = headerBuffer_.Size();

    WriteHeaderByte(0);
    WriteHeaderString("\xFF\x03");
    WriteHeaderVarLen(static_cast<std::uint32_t>(fileName_.size()));
    WriteHeaderString(fileName_);

    WriteHeaderByte(0);
    WriteHeaderString("\xFF\x02\x18");
    WriteHeaderString("Copyright (C) unassigned");

    WriteHeaderByte(0);
    WriteHeaderString("\xFF\x01\x1D");
    WriteHeaderString("Sequenced using Tremolundrix\n");

    // 4/4, the clocks a click, 8 thirty-second notes a quarter.
    WriteHeaderByte(0);
    for (const std::uint8_t b : MetaBytes{0xFF, 0x58, 0x04, 0x04, 0x02})
        WriteHeaderByte(b);
    WriteHeaderByte(timeBase.ClocksPerClick);
    WriteHeaderByte(0x08);

    const KeySignature key = KeySignatureOf(keyIndex);
    WriteHeaderByte(0);
    for (const std::uint8_t b : MetaBytes{0xFF, 0x59, 0x02})
        WriteHeaderByte(b);
    WriteHeaderByte(static_cast<std::uint8_t>(key.Sharps));
    WriteHeaderByte(key.Minor);

    std::uint32_t lastTick = 0;
    for (const MidiTimeBase::Tempo& tempo : timeBase.Tempi) {
        WriteHeaderVarLen(tempo.Tick - lastTick);
        lastTick = tempo.Tick;
        for (const std::uint8_t b : MetaBytes{0xFF, 0x51, 0x03})
            WriteHeaderByte(b);
        for (int shift = 16; shift >= 0; shift -= 8)
            WriteHeaderByte(static_cast<std::uint8_t>(tempo.MicrosecondsPerQuarter >> shift));
    }

    WriteHeaderByte(0);
    for (const std::uint8_t b : MetaBytes{0xFF, 0x2F, 0x00})
        WriteHeaderByte(b);

    headerBuffer_.PatchLong(kFileHeaderSize + kChunkLengthOffset,
                            static_cast<std::uint32_t>(headerBuffer_.Size() - trackStart));
}

void TMidiFile::StartNoteTrack() {
    WriteTrackString("MTrk");
    WriteTrackLong(0); // filled in by PatchTrackLength
    // Delta 0, MIDI port 0.
    for (const std::uint8_t b : MetaBytes{0x00, 0xFF, 0x21, 0x01, 0x00})
        WriteTrackByte(b);
}

void TMidiFile::PatchTrackLength() {
    trackBuffer_.PatchLong(kChunkLengthOffset,
                           static_cast<std::uint32_t>(trackBuffer_.Size() - kChunkHeaderSize));
}

void TMidiFile::WriteTrackByte(std::uint8_t value) {
    trackBuffer_.Append(value);
}

void TMidiFile::WriteTrackVarLen(std::uint32_t value) {
    AppendVarLen(value, [this](std::uint8_t b) { trackBuffer_.Append(b); });
}

void TMidiFile::WriteTrackLong(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        trackBuffer_.Append(static_cast<std::uint8_t>(value >> shift));
}

void TMidiFile::WriteTrackString(std::string_view text) {
    for (const char c : text)
        trackBuffer_.Append(static_cast<std::uint8_t>(c));
}

void TMidiFile::WriteHeaderByte(std::uint8_t value) {
    headerBuffer_.Append(value);
}

void TMidiFile::WriteHeaderWord(std::uint16_t value) {
    headerBuffer_.Append(static_cast<std::uint8_t>(value >> 8));
    headerBuffer_.Append(static_cast<std::uint8_t>(value));
}

void TMidiFile::WriteHeaderLong(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        headerBuffer_.Append(static_cast<std::uint8_t>(value >> shift));
}

void TMidiFile::WriteHeaderVarLen(std::uint32_t value) {
    AppendVarLen(value, [this](std::uint8_t b) { headerBuffer_.Append(b); });
}

void TMidiFile::WriteHeaderString(std::string_view text) {
    for (const char c : text)
        headerBuffer_.Append(static_cast<std::uint8_t>(c));
}

std::vector<std::uint8_t> TMidiFile::FileBytes() const {
    const auto header = headerBuffer_.Bytes();
    const auto track = trackBuffer_.Bytes();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(header.size() + track.size());
    bytes.insert(bytes.end(), header.begin(), header.end());
    const std::size_t trackStart = bytes.size();
    bytes.insert(bytes.end(), track.begin(), track.end());
    const auto length = static_cast<std::uint32_t>(track.size() - kChunkHeaderSize);
    for (int i = 0; i < 4; ++i)
        bytes[trackStart + kChunkLengthOffset + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(length >> (24 - 8 * i));
    return bytes;
}

void TMidiFile::SaveToFile() {
    PatchTrackLength();
    WriteFileAtomically(fileName_, FileBytes());
}

} // namespace trx
