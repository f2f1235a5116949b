#pragma once

#include "beats/BeatTracker.h"
#include "midi/TMidiFile.h"

#include <cstdint>
#include <vector>

namespace trx {

// The MIDI time of a beat grid: 480 ticks a quarter note, every beat on a
// quarter note. A steady track gets one tempo, any other a tempo event at
// every beat. The stretch before the first beat is one quarter note of its
// own (merged with the first beat's when shorter than a quarter of a beat),
// so tick 0 stays the recording's start.
class BeatGrid {
public:
    static constexpr std::uint16_t kTicksPerQuarter = 480;

    // The grid of track (which must have beats) over a recording of
    // endSeconds: steady grids reach past its end, others follow the last
    // beat's tempo past the last beat.
    BeatGrid(const BeatTrack& track, double endSeconds);

    // The tick (fractional) at a time of the recording.
    [[nodiscard]] double TickAt(double seconds) const;
    // Division 480, 24 MIDI clocks a click, the set-tempo events.
    [[nodiscard]] MidiTimeBase TimeBase() const;
    // The beats as the file places them, in seconds, from the first tracked
    // beat to the last, each with its tempo in beats per minute.
    struct Beat {
        double Seconds = 0.0;
        double Bpm = 0.0;
    };
    [[nodiscard]] std::vector<Beat> Beats() const;

private:
    // Seconds of quarter note k's start (tick 480 k), from 0 on; the first
    // is a lead-in, not a beat, when leadIn_.
    std::vector<double> quarters_;
    std::vector<std::uint32_t> micros_;
    bool leadIn_ = false;
    double end_ = 0.0;
    double musicStart_ = 0.0;
    double musicEnd_ = 0.0;
};

} // namespace trx
