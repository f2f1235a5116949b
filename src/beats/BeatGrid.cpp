#include "beats/BeatGrid.h"

#include <algorithm>
#include <cmath>

namespace trx {
namespace {

// MIDI clocks (24 a quarter note) a metronome click: one click a beat.
constexpr std::uint8_t kClocksPerBeat = 24;
constexpr std::uint32_t kLongestQuarter = 0xFFFFFF;

} // namespace

BeatGrid::BeatGrid(const BeatTrack& track, double endSeconds)
    : end_(std::max(0.0, endSeconds)) {
    // The music's beats lie between the first and the last tracked one.
    const double margin = 30.0 / track.Bpm;
    musicStart_ = track.Beats.front() - margin;
    musicEnd_ = std::min(end_, track.Beats.back() + margin);
    std::vector<double> beats;
    const double period = 60.0 / track.Bpm;
    if (track.Steady) {
        double first = std::fmod(track.Phase, period);
        if (first < 0.0)
            first += period;
        for (double t = first; t <= end_ + period; t += period)
            beats.push_back(t);
    } else {
        beats = track.Beats;
    }
    beats.erase(beats.begin(),
                std::find_if(beats.begin(), beats.end(), [](double t) { return t >= 0.0; }));
    if (beats.empty())
        beats.push_back(0.0);
    const double firstStep = beats.size() > 1 ? beats[1] - beats[0] : period;
    // A short stretch before the first beat joins the first beat's quarter.
    if (beats.front() < firstStep / 4 && beats.size() > 1)
        beats.front() = 0.0;
    leadIn_ = beats.front() > 0.0;
    if (leadIn_)
        beats.insert(beats.begin(), 0.0);
    while (beats.size() < 2 || beats.back() <= end_) {
        const double step =
            beats.size() > 1 ? beats[beats.size() - 1] - beats[beats.size() - 2] : period;
        beats.push_back(beats.back() + step);
    }
    // The file's times are whole microseconds a quarter; the grid keeps to
    // them so ticks and tempo agree exactly.
    quarters_.push_back(0.0);
    for (std::size_t k = 0; k + 1 < beats.size(); ++k) {
        const auto micros = static_cast<std::uint32_t>(std::clamp<long long>(
            std::llround((beats[k + 1] - beats[k]) * 1e6), 1, kLongestQuarter));
        micros_.push_back(micros);
        quarters_.push_back(quarters_.back() + micros * 1e-6);
    }
}

double BeatGrid::TickAt(double seconds) const {
    if (seconds <= 0.0)
        return 0.0;
    const auto after = std::upper_bound(quarters_.begin(), quarters_.end(), seconds);
    std::size_t k = static_cast<std::size_t>(after - quarters_.begin()) - 1;
    k = std::min(k, micros_.size() - 1);
    return kTicksPerQuarter *
           (static_cast<double>(k) + (seconds - quarters_[k]) / (micros_[k] * 1e-6));
}

MidiTimeBase BeatGrid::TimeBase() const {
    MidiTimeBase base;
    base.Division = kTicksPerQuarter;
    base.ClocksPerClick = kClocksPerBeat;
    base.Tempi.clear();
    for (std::size_t k = 0; k < micros_.size(); ++k)
        if (base.Tempi.empty() || base.Tempi.back().MicrosecondsPerQuarter != micros_[k])
            base.Tempi.push_back({static_cast<std::uint32_t>(k * kTicksPerQuarter), micros_[k]});
    return base;
}

std::vector<BeatGrid::Beat> BeatGrid::Beats() const {
    std::vector<Beat> beats;
    for (std::size_t k = leadIn_ ? 1 : 0; k < micros_.size() && quarters_[k] <= musicEnd_; ++k)
        if (quarters_[k] >= musicStart_)
            beats.push_back({quarters_[k], 60e6 / micros_[k]});
    return beats;
}

} // namespace trx
