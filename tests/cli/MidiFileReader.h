#pragma once

// A small Standard MIDI File reader for checking what the converter wrote.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace trx::test {

struct MidiEvent {
    std::uint32_t Tick = 0;
    // Status byte of a channel message, or 0xFF for a meta event.
    std::uint8_t Status = 0;
    // Meta type for meta events.
    std::uint8_t MetaType = 0;
    std::vector<std::uint8_t> Data;
};

struct MidiFile {
    std::uint16_t Format = 0;
    std::uint16_t Division = 0;
    std::vector<std::vector<MidiEvent>> Tracks;
};

struct SoundingNote {
    std::uint32_t Tick;
    int Key;
    int Velocity;
};

inline MidiFile ParseMidi(const std::string& bytes) {
    std::size_t pos = 0;
    const auto need = [&](std::size_t n) {
        if (pos + n > bytes.size())
            throw std::runtime_error("MIDI file ends early");
    };
    const auto byte = [&]() -> std::uint8_t {
        need(1);
        return static_cast<std::uint8_t>(bytes[pos++]);
    };
    const auto be = [&](int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | byte();
        return v;
    };
    const auto vlq = [&]() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = byte();
            v = (v << 7) | (b & 0x7F);
            if ((b & 0x80) == 0)
                return v;
        }
        throw std::runtime_error("VLQ longer than four bytes");
    };
    const auto tag = [&](const char* expected) {
        need(4);
        if (bytes.compare(pos, 4, expected) != 0)
            throw std::runtime_error(std::string("missing ") + expected);
        pos += 4;
    };

    MidiFile file;
    tag("MThd");
    if (be(4) != 6)
        throw std::runtime_error("header length");
    file.Format = static_cast<std::uint16_t>(be(2));
    const auto tracks = be(2);
    file.Division = static_cast<std::uint16_t>(be(2));
    for (std::uint32_t t = 0; t < tracks; ++t) {
        tag("MTrk");
        const std::size_t end = pos + be(4);
        std::vector<MidiEvent> events;
        std::uint32_t tick = 0;
        std::uint8_t running = 0;
        while (pos < end) {
            MidiEvent event;
            tick += vlq();
            event.Tick = tick;
            std::uint8_t status = byte();
            if (status == 0xFF) {
                event.Status = 0xFF;
                event.MetaType = byte();
                const auto length = vlq();
                need(length);
                event.Data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(pos + length));
                pos += length;
            } else {
                if (status < 0x80) {
                    if (running == 0)
                        throw std::runtime_error("running status without a status byte");
                    --pos;
                    status = running;
                }
                running = status;
                event.Status = status;
                // The converter writes only note-on messages.
                event.Data.push_back(byte());
                event.Data.push_back(byte());
            }
            events.push_back(std::move(event));
        }
        if (pos != end)
            throw std::runtime_error("track length");
        file.Tracks.push_back(std::move(events));
    }
    return file;
}

// Note-on events with a velocity above 0, in file order.
inline std::vector<SoundingNote> NoteStarts(const MidiFile& file) {
    std::vector<SoundingNote> starts;
    for (const auto& track : file.Tracks)
        for (const MidiEvent& event : track)
            if ((event.Status & 0xF0) == 0x90 && event.Data.size() == 2 && event.Data[1] > 0)
                starts.push_back({event.Tick, event.Data[0], event.Data[1]});
    return starts;
}

// The data of the first meta event of a type, or empty.
inline std::vector<std::uint8_t> MetaData(const MidiFile& file, std::uint8_t type) {
    for (const auto& track : file.Tracks)
        for (const MidiEvent& event : track)
            if (event.Status == 0xFF && event.MetaType == type)
                return event.Data;
    return {};
}

} // namespace trx::test
