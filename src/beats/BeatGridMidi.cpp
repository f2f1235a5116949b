#include "beats/BeatGridMidi.h"

#include "beats/OnsetStrength.h"
#include "common/AtomicFile.h"
#include "common/Constants.h"
#include "midi/NoteMapEvents.h"
#include "midi/TMidiFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>

namespace trx {
namespace {

constexpr std::uint8_t kNoteOn = 0x90;

struct TickNote {
    std::int64_t Start = 0;
    std::int64_t End = 0;
    std::int32_t Key = 0;
    std::uint8_t Velocity = 0;
};

std::int64_t Nearest(double value) {
    return static_cast<std::int64_t>(std::llround(value));
}

std::int64_t NearestStep(double tick, std::int64_t step) {
    return Nearest(tick / static_cast<double>(step)) * step;
}

// Snaps starts and lengths to step ticks; per key, no note starts on or
// before the previous one nor overlaps it.
void Quantise(std::vector<TickNote>& notes, const std::vector<TimedNote>& times,
              const BeatGrid& grid, std::int64_t step) {
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const double start = grid.TickAt(times[i].Start);
        const double length = grid.TickAt(times[i].End) - start;
        notes[i].Start = NearestStep(start, step);
        notes[i].End = notes[i].Start + std::max(step, NearestStep(length, step));
    }
    std::stable_sort(notes.begin(), notes.end(), [](const TickNote& a, const TickNote& b) {
        return std::tie(a.Key, a.Start) < std::tie(b.Key, b.Start);
    });
    for (std::size_t i = 1; i < notes.size(); ++i) {
        TickNote& previous = notes[i - 1];
        TickNote& note = notes[i];
        if (note.Key != previous.Key)
            continue;
        if (note.Start <= previous.Start) {
            const std::int64_t length = note.End - note.Start;
            note.Start = previous.Start + step;
            note.End = note.Start + length;
        }
        previous.End = std::min(previous.End, note.Start);
    }
}

} // namespace

std::vector<TimedNote> NotesOfNoteMap(const FloatMatrix& noteMap, float noteMapMaximum,
                                      std::int32_t firstNoteBin, std::int32_t minimumComponent) {
    std::vector<TimedNote> notes;
    std::array<std::size_t, kNoteBins> open{};
    WalkNoteMap(noteMap, noteMapMaximum, firstNoteBin, minimumComponent,
                [&](std::int32_t slice, std::int32_t bin, std::uint8_t velocity) {
                    const double seconds = slice * kSliceSeconds;
                    const auto b = static_cast<std::size_t>(bin);
                    // A start at velocity 0 is an end to a player, as in the
                    // plain file; the walk still pairs it with its end.
                    if (open[b] == 0) {
                        notes.push_back({seconds, seconds, bin + kFirstMidiKey, velocity});
                        open[b] = notes.size();
                    } else {
                        notes[open[b] - 1].End = seconds;
                        open[b] = 0;
                    }
                });
    return notes;
}

std::vector<std::uint8_t> BuildBeatGridMidi(const std::string& fileName,
                                            const std::vector<TimedNote>& notes, int keyIndex,
                                            const BeatGrid& grid, int quantise) {
    std::vector<TickNote> ticks(notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const TimedNote& n = notes[i];
        const std::int64_t start = Nearest(grid.TickAt(n.Start));
        ticks[i] = {start, std::max(start + 1, Nearest(grid.TickAt(n.End))), n.Key, n.Velocity};
    }
    if (quantise > 0)
        Quantise(ticks, notes, grid, BeatGrid::kTicksPerQuarter * 4 / quantise);

    // (tick, 0 for an end and 1 for a start, key, velocity): ends first.
    std::vector<std::tuple<std::int64_t, int, std::int32_t, std::uint8_t>> events;
    events.reserve(2 * ticks.size());
    for (const TickNote& n : ticks) {
        events.emplace_back(n.Start, 1, n.Key, n.Velocity);
        events.emplace_back(n.End, 0, n.Key, std::uint8_t{0});
    }
    std::sort(events.begin(), events.end());

    TMidiFile file(fileName, keyIndex, grid.TimeBase());
    std::int64_t last = 0;
    bool status = false;
    for (const auto& [tick, kind, key, velocity] : events) {
        file.WriteTrackVarLen(static_cast<std::uint32_t>(tick - last));
        if (!status)
            file.WriteTrackByte(kNoteOn);
        status = true;
        file.WriteTrackByte(static_cast<std::uint8_t>(key));
        file.WriteTrackByte(velocity);
        last = tick;
    }
    file.WriteTrackVarLen(0);
    file.WriteTrackString("\xFF\x2F");
    file.WriteTrackByte(0);
    return file.FileBytes();
}

std::optional<BeatGrid> FindBeatGrid(const FloatMatrix& amplitudeMap, std::int32_t firstNoteBin,
                                     std::int32_t sliceCount, double fixedBpm) {
    const BeatTrack track = TrackBeatsInMap(amplitudeMap, firstNoteBin, sliceCount, fixedBpm);
    if (!track.Found())
        return std::nullopt;
    return BeatGrid(track, std::clamp(sliceCount, 0, amplitudeMap.Rows()) * kSliceSeconds);
}

void SaveNoteMapOnBeatGrid(const std::string& fileName, const FloatMatrix& noteMap,
                           float noteMapMaximum, std::int32_t firstNoteBin,
                           std::int32_t minimumComponent, int keyIndex, const BeatGrid& grid,
                           int quantise) {
    const std::vector<TimedNote> notes =
        NotesOfNoteMap(noteMap, noteMapMaximum, firstNoteBin, minimumComponent);
    WriteFileAtomically(fileName, BuildBeatGridMidi(fileName, notes, keyIndex, grid, quantise));
}

} // namespace trx
