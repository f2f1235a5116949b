#include "beats/BeatTracker.h"

#include "beats/OnsetStrength.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace trx {
namespace {

constexpr double kBandLow = 80.0;
constexpr double kBandHigh = 160.0;
// Multiples of a lag the comb adds up.
constexpr int kCombMultiples = 4;
// A pulse at half a lag this strong against the lag's own is clearly there;
// one below kWeak clearly is not; in between the tempo prior decides.
constexpr double kClearPulse = 0.5;
constexpr double kWeakPulse = 0.25;
// The weakest comb value (a correlation) that still counts as a beat.
constexpr double kLeastPeriodicity = 0.1;
// Fewest onsets, and the least share of the strongest one's height, for a
// curve to have a beat.
constexpr int kLeastPeaks = 4;
constexpr double kLeastPeak = 0.1;
// Frames of the beat search per frame of the curve.
constexpr int kUpsample = 4;
// How dearly a beat interval off the tempo is paid for, per squared log
// ratio, against onsets of unit spread.
constexpr double kTightness = 100.0;
constexpr double kFixedTightness = 400.0;
// Seconds either side of a frame for the local mean taken off the curve.
constexpr double kMeanSeconds = 0.4;
// Beats either side for the smoothed beat times and for the steadiness test.
constexpr std::ptrdiff_t kSmoothBeats = 2;
constexpr std::ptrdiff_t kSteadyBeats = 4;
constexpr double kSteadyShare = 0.02;

double Square(double x) {
    return x * x;
}

// The curve less its local mean, negatives dropped, scaled to unit spread;
// empty when nothing is left.
std::vector<double> Emphasise(std::span<const float> onset, double frameSeconds) {
    const std::size_t n = onset.size();
    const auto half =
        static_cast<std::size_t>(std::max(1.0, std::round(kMeanSeconds / frameSeconds)));
    std::vector<double> prefix(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + onset[i];
    std::vector<double> o(n, 0.0);
    double sum = 0.0;
    double squares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t lo = i > half ? i - half : 0;
        const std::size_t hi = std::min(n, i + half + 1);
        const double mean = (prefix[hi] - prefix[lo]) / static_cast<double>(hi - lo);
        o[i] = std::max(0.0, onset[i] - mean);
        sum += o[i];
        squares += o[i] * o[i];
    }
    if (n == 0)
        return {};
    const double mean = sum / static_cast<double>(n);
    const double spread = std::sqrt(std::max(0.0, squares / static_cast<double>(n) - mean * mean));
    if (!(spread > 1e-9))
        return {};
    // A beat needs onsets: a few peaks that stand out of the curve.
    const double top = *std::max_element(o.begin(), o.end());
    int peaks = 0;
    for (std::size_t i = 1; i + 1 < n; ++i)
        if (o[i] > kLeastPeak * top && o[i] > o[i - 1] && o[i] >= o[i + 1])
            ++peaks;
    if (peaks < kLeastPeaks)
        return {};
    for (double& v : o)
        v /= spread;
    return o;
}

// Normalised autocorrelation of the curve, read between lags linearly.
class Autocorrelation {
public:
    Autocorrelation(const std::vector<double>& curve, std::size_t maxLag)
        : r_(maxLag + 1, 0.0) {
        const std::size_t n = curve.size();
        // Onsets a fraction of a frame apart must still meet at fractional
        // lags: each is widened to a few frames first.
        std::vector<double> o(n, 0.0);
        constexpr std::array<double, 5> kWiden{1.0 / 9, 2.0 / 9, 3.0 / 9, 2.0 / 9, 1.0 / 9};
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t k = 0; k < kWiden.size(); ++k)
                if (i + k >= 2 && i + k - 2 < n)
                    o[i + k - 2] += kWiden[k] * curve[i];
        double mean = 0.0;
        for (const double v : o)
            mean += v / static_cast<double>(n);
        for (std::size_t lag = 0; lag <= maxLag && lag < n; ++lag) {
            double sum = 0.0;
            for (std::size_t i = 0; i + lag < n; ++i)
                sum += (o[i] - mean) * (o[i + lag] - mean);
            r_[lag] = sum / static_cast<double>(n - lag);
        }
        if (const double zero = r_.front(); zero > 0.0)
            for (double& v : r_)
                v /= zero;
    }

    [[nodiscard]] double MaxLag() const { return static_cast<double>(r_.size() - 1); }

    [[nodiscard]] double At(double lag) const {
        if (lag < 0.0 || lag > MaxLag())
            return 0.0;
        const auto i = static_cast<std::size_t>(lag);
        if (i + 1 >= r_.size())
            return r_[i];
        const double f = lag - static_cast<double>(i);
        return r_[i] * (1.0 - f) + r_[i + 1] * f;
    }

    // The mean correlation at the lag's multiples that fit.
    [[nodiscard]] double Comb(double lag) const {
        double sum = 0.0;
        int count = 0;
        for (int k = 1; k <= kCombMultiples && k * lag <= MaxLag(); ++k, ++count)
            sum += At(k * lag);
        return count == 0 ? 0.0 : sum / count;
    }

    // How strong a pulse at lag is against the pulse at twice lag: odd
    // multiples of lag against even ones.
    [[nodiscard]] double Pulse(double lag) const {
        double odd = At(lag);
        double even = At(2 * lag);
        if (4 * lag <= MaxLag()) {
            odd += At(3 * lag);
            even += At(4 * lag);
        }
        return even > 1e-9 ? std::max(0.0, odd) / even : (odd > 0.0 ? 1.0 : 0.0);
    }

    // The comb's best lag in lo..hi, between the steps by a parabola.
    [[nodiscard]] double BestLag(double lo, double hi) const {
        constexpr double kStep = 0.01;
        double best = lo;
        double bestValue = -std::numeric_limits<double>::infinity();
        for (double lag = lo; lag <= hi; lag += kStep) {
            const double value = Comb(lag);
            if (value > bestValue) {
                bestValue = value;
                best = lag;
            }
        }
        const double left = Comb(best - kStep);
        const double right = Comb(best + kStep);
        const double curve = left - 2 * bestValue + right;
        if (curve < 0.0)
            best += std::clamp(0.5 * (left - right) / curve, -0.5, 0.5) * kStep;
        return best;
    }

private:
    std::vector<double> r_;
};

// Octaves from bpm to the 80..160 band, 0 inside it.
double BandDistance(double bpm) {
    if (bpm < kBandLow)
        return std::log2(kBandLow / bpm);
    if (bpm > kBandHigh)
        return std::log2(bpm / kBandHigh);
    return 0.0;
}

// The best beat period in frames, 0 for none.
double EstimatePeriod(const std::vector<double>& o, double frameSeconds) {
    const double shortest = 60.0 / kFastestBpm / frameSeconds;
    const double longest = 60.0 / kSlowestBpm / frameSeconds;
    const auto n = static_cast<double>(o.size());
    if (n < 3 * shortest)
        return 0.0;
    const auto maxLag =
        static_cast<std::size_t>(std::min(n - 1, std::ceil(kCombMultiples * longest) + 2));
    const Autocorrelation r(o, maxLag);
    const double top = std::min(longest, r.MaxLag() / 2);
    if (top <= shortest)
        return 0.0;
    const auto inRange = [&](double lag) { return lag >= shortest && lag <= top; };
    const auto refine = [&](double lag) {
        return r.BestLag(std::max(shortest, lag * 0.96), std::min(top, lag * 1.04));
    };
    double lag = r.BestLag(shortest, top);
    if (r.Comb(lag) < kLeastPeriodicity)
        return 0.0;

    while (inRange(lag / 2) && r.Pulse(lag / 2) >= kClearPulse)
        lag = refine(lag / 2);
    while (inRange(lag * 2) && r.Pulse(lag) < kWeakPulse)
        lag = refine(lag * 2);
    const auto prefer = [&](double fast, double slow) {
        const double fastDistance = BandDistance(60.0 / (fast * frameSeconds));
        const double slowDistance = BandDistance(60.0 / (slow * frameSeconds));
        if (fastDistance != slowDistance)
            return fastDistance < slowDistance ? fast : slow;
        return r.Comb(fast) >= r.Comb(slow) ? fast : slow;
    };
    if (inRange(lag / 2) && r.Pulse(lag / 2) >= kWeakPulse)
        lag = prefer(refine(lag / 2), lag);
    else if (inRange(lag * 2) && r.Pulse(lag) < kClearPulse)
        lag = prefer(lag, refine(lag * 2));
    return lag;
}

// Frame positions of the beats: the best-scoring chain of onsets whose
// steps stay near period (frames), on a grid kUpsample times finer.
std::vector<double> FindBeats(const std::vector<double>& o, double period, double tightness) {
    const std::size_t n = o.size();
    const std::size_t m = (n - 1) * kUpsample + 1;
    std::vector<double> u(m);
    for (std::size_t j = 0; j < m; ++j) {
        const std::size_t i = j / kUpsample;
        const double f = static_cast<double>(j % kUpsample) / kUpsample;
        u[j] = i + 1 < n ? o[i] * (1.0 - f) + o[i + 1] * f : o[i];
    }
    const double p = period * kUpsample;
    const auto shortest = static_cast<std::size_t>(std::max(1.0, std::round(p * 0.6)));
    const auto longest = static_cast<std::size_t>(std::round(p * 1.6));
    std::vector<double> penalty(longest + 1, 0.0);
    for (std::size_t step = shortest; step <= longest; ++step)
        penalty[step] = tightness * Square(std::log(static_cast<double>(step) / p));
    std::vector<double> score(m);
    std::vector<std::ptrdiff_t> back(m, -1);
    for (std::size_t j = 0; j < m; ++j) {
        double best = -std::numeric_limits<double>::infinity();
        for (std::size_t step = shortest; step <= longest && step <= j; ++step) {
            const double value = score[j - step] - penalty[step];
            if (value > best) {
                best = value;
                back[j] = static_cast<std::ptrdiff_t>(j - step);
            }
        }
        score[j] = u[j] + (back[j] >= 0 ? best : 0.0);
    }
    const std::size_t tailStart =
        m > static_cast<std::size_t>(p) ? m - static_cast<std::size_t>(p) : 0;
    std::ptrdiff_t j = static_cast<std::ptrdiff_t>(
        std::max_element(score.begin() + static_cast<std::ptrdiff_t>(tailStart), score.end()) -
        score.begin());
    std::vector<double> beats;
    for (; j >= 0; j = back[static_cast<std::size_t>(j)])
        beats.push_back(static_cast<double>(j) / kUpsample);
    std::reverse(beats.begin(), beats.end());
    return beats;
}

// A beat near an onset moves to the onset's centre between frames: an
// onset inside a frame shares its rise between that frame and the next.
double CentreOnOnset(const std::vector<double>& o, double position) {
    const auto n = static_cast<std::ptrdiff_t>(o.size());
    const auto at = [&](std::ptrdiff_t i) {
        return i >= 0 && i < n ? o[static_cast<std::size_t>(i)] : 0.0;
    };
    auto peak = static_cast<std::ptrdiff_t>(std::lround(position));
    for (const std::ptrdiff_t i : {peak - 1, peak + 1})
        if (at(i) > at(peak))
            peak = i;
    if (at(peak) < 1.0)
        return position;
    const double left = at(peak - 1);
    const double right = at(peak + 1);
    return static_cast<double>(peak) + (right - left) / (left + at(peak) + right);
}

// Least-squares line through (x, y) for indices lo..hi: slope and value at x0.
struct Line {
    double Slope = 0.0;
    double Intercept = 0.0;
};

Line FitLine(const std::vector<double>& x, const std::vector<double>& y, std::size_t lo,
             std::size_t hi) {
    double mx = 0.0;
    double my = 0.0;
    const auto count = static_cast<double>(hi - lo + 1);
    for (std::size_t k = lo; k <= hi; ++k) {
        mx += x[k];
        my += y[k];
    }
    mx /= count;
    my /= count;
    double sxy = 0.0;
    double sxx = 0.0;
    for (std::size_t k = lo; k <= hi; ++k) {
        sxy += (x[k] - mx) * (y[k] - my);
        sxx += (x[k] - mx) * (x[k] - mx);
    }
    const double slope = sxx > 0.0 ? sxy / sxx : 0.0;
    return {slope, my - slope * mx};
}

} // namespace

double EstimateTempo(std::span<const float> onset, double frameSeconds) {
    const std::vector<double> o = Emphasise(onset, frameSeconds);
    if (o.empty())
        return 0.0;
    const double period = EstimatePeriod(o, frameSeconds);
    return period > 0.0 ? 60.0 / (period * frameSeconds) : 0.0;
}

BeatTrack TrackBeats(std::span<const float> onset, double frameSeconds, double fixedBpm) {
    BeatTrack track;
    const std::vector<double> o = Emphasise(onset, frameSeconds);
    if (o.empty())
        return track;
    const double period =
        fixedBpm > 0.0 ? 60.0 / (fixedBpm * frameSeconds) : EstimatePeriod(o, frameSeconds);
    if (!(period > 0.0))
        return track;
    std::vector<double> beats = FindBeats(o, period, fixedBpm > 0.0 ? kFixedTightness : kTightness);
    // Beats the chain carries through silence before the first onset and
    // after the last are no beats of the music.
    const auto onOnset = [&](double position) { return CentreOnOnset(o, position) != position; };
    while (!beats.empty() && !onOnset(beats.back()))
        beats.pop_back();
    beats.erase(beats.begin(), std::find_if(beats.begin(), beats.end(), onOnset));
    if (beats.size() < 2)
        return track;
    for (double& b : beats)
        b = CentreOnOnset(o, b) * frameSeconds;

    // Beat numbers on the grid of the tempo: a skipped beat keeps its place.
    const double seconds = period * frameSeconds;
    std::vector<double> numbers(beats.size(), 0.0);
    for (std::size_t k = 1; k < beats.size(); ++k)
        numbers[k] =
            numbers[k - 1] + std::max(1.0, std::round((beats[k] - beats[k - 1]) / seconds));
    const std::size_t last = beats.size() - 1;
    Line grid = FitLine(numbers, beats, 0, last);
    if (fixedBpm > 0.0) {
        grid.Slope = seconds;
        double sum = 0.0;
        for (std::size_t k = 0; k <= last; ++k)
            sum += beats[k] - numbers[k] * seconds;
        grid.Intercept = sum / static_cast<double>(beats.size());
    }
    if (!(grid.Slope > 0.0))
        return track;
    track.Bpm = 60.0 / grid.Slope;
    track.Phase = grid.Intercept;

    const auto window = [&](std::size_t k, std::ptrdiff_t half) {
        const auto lo = static_cast<std::size_t>(
            std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(k) - half));
        const std::size_t hi = std::min(last, k + static_cast<std::size_t>(half));
        return FitLine(numbers, beats, lo, hi);
    };
    track.Steady = true;
    if (fixedBpm <= 0.0)
        for (std::size_t k = 0; k <= last && last >= 2; ++k)
            if (std::abs(window(k, kSteadyBeats).Slope / grid.Slope - 1.0) > kSteadyShare)
                track.Steady = false;
    // Every beat number, a skipped one too, from the line of its neighbours.
    for (std::size_t k = 0; k <= last; ++k) {
        const Line local = last >= 2 ? window(k, kSmoothBeats) : grid;
        const double next = k < last ? numbers[k + 1] : numbers[k] + 1;
        for (double n = numbers[k]; n < next; ++n)
            track.Beats.push_back(local.Intercept + local.Slope * n);
    }
    // Smoothing may not reorder beats of a sharp tempo change.
    for (std::size_t k = 1; k < track.Beats.size(); ++k)
        track.Beats[k] = std::max(track.Beats[k], track.Beats[k - 1] + 1e-3);
    return track;
}

BeatTrack TrackBeatsInMap(const FloatMatrix& amplitudeMap, std::int32_t firstNoteBin,
                          std::int32_t sliceCount, double fixedBpm) {
    const std::vector<float> onset = ComputeOnsetStrength(amplitudeMap, firstNoteBin, sliceCount);
    return TrackBeats(onset, kSliceSeconds, fixedBpm);
}

} // namespace trx
