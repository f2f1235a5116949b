// The whole conversion of a one-minute recording through the core: open,
// analyse, filter and save. Reports the time per minute of audio and the
// share of it spent outside the analysis. The filtering, the saving and the
// beat tracking of that minute are also timed alone, where the analysis does
// not drown them.

#include "analysis/NoteKernels.h"
#include "app/ConversionSession.h"
#include "audio/SampleBuffer.h"
#include "beats/BeatTracker.h"
#include "common/Constants.h"
#include "common/Errors.h"
#include "common/ProgressReporter.h"
#include "midi/MidiSave.h"
#include "notes/NoteFilter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void PutU16(std::ofstream& out, std::uint16_t v) {
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.write(bytes, 2);
}
void PutU32(std::ofstream& out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
}

// One minute of 16-bit mono 44100 Hz music: a melody of half-second notes
// over a held three-note chord that changes every two seconds, with a little
// noise, so the filtering has real notes, neighbours and spikes to deal with.
std::vector<std::int16_t> OneMinuteOfMusic() {
    constexpr std::size_t kFrames = 60 * 44100;
    const int melody[] = {60, 62, 64, 65, 67, 65, 64, 62};
    const int chords[][3] = {{48, 52, 55}, {53, 57, 60}, {55, 59, 62}, {48, 52, 55}};
    std::vector<std::int16_t> samples(kFrames);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const auto half = static_cast<std::size_t>(t * 2.0);
        const auto bar = static_cast<std::size_t>(t / 2.0);
        double v = 0.3 * std::sin(2.0 * std::numbers::pi * 13.75 *
                                  std::pow(2.0, melody[half % 8] / 12.0) * t);
        for (const int bin : chords[bar % 4])
            v += 0.15 * std::sin(2.0 * std::numbers::pi * 13.75 * std::pow(2.0, bin / 12.0) * t);
        noise = noise * 1664525u + 1013904223u;
        v += 0.01 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5);
        samples[i] = static_cast<std::int16_t>(std::lround(v * 32767.0 * 0.9));
    }
    return samples;
}

// The recording and a folder for the MIDI files, made once per run.
class Workspace {
public:
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "trx-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        folder_ = pattern;
        const std::vector<std::int16_t> samples = OneMinuteOfMusic();
        const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
        std::ofstream out(WavPath(), std::ios::binary);
        out.write("RIFF", 4);
        PutU32(out, 36 + dataBytes);
        out.write("WAVEfmt ", 8);
        PutU32(out, 16);
        PutU16(out, 1);
        PutU16(out, 1);
        PutU32(out, 44100);
        PutU32(out, 88200);
        PutU16(out, 2);
        PutU16(out, 16);
        out.write("data", 4);
        PutU32(out, dataBytes);
        out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    [[nodiscard]] std::string WavPath() const { return (folder_ / "minute.wav").string(); }
    [[nodiscard]] std::string MidiPath() const { return (folder_ / "minute.mid").string(); }

private:
    fs::path folder_;
};

const Workspace& SharedWorkspace() {
    static const Workspace workspace;
    return workspace;
}

// Argument: threads of the transform (0: one per hardware thread).
void BM_ConvertOneMinute(benchmark::State& state) {
    const Workspace& workspace = SharedWorkspace();
    const trx::ConversionSettings settings;
    trx::ProgressReporter quiet;
    double total = 0.0;
    double opening = 0.0;
    double analyse = 0.0;
    double filter = 0.0;
    double save = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        trx::ConversionSession session;
        trx::StageTimes times;
        std::string failure =
            session.ConvertFile(workspace.WavPath(), settings, quiet,
                                static_cast<std::int32_t>(state.range(0)), &times);
        const auto saveStart = std::chrono::steady_clock::now();
        if (failure.empty())
            failure = trx::ReportFailure("SaveMidiFile", [&] {
                session.SaveMidiFile(workspace.MidiPath(), settings.MinimumComponent);
            });
        const auto end = std::chrono::steady_clock::now();
        if (!failure.empty()) {
            state.SkipWithError(failure.c_str());
            break;
        }
        total += std::chrono::duration<double>(end - start).count();
        save += std::chrono::duration<double>(end - saveStart).count();
        opening += times.Open;
        analyse += times.Analyse;
        filter += times.Filter;
    }
    if (total <= 0.0)
        return;
    const auto iterations = static_cast<double>(state.iterations());
    // The recording is one minute long, so seconds per run are seconds per
    // minute of audio.
    state.counters["s_per_audio_min"] = total / iterations;
    state.counters["open_s"] = opening / iterations;
    state.counters["analyse_s"] = analyse / iterations;
    state.counters["filter_s"] = filter / iterations;
    state.counters["save_s"] = save / iterations;
    state.counters["outside_analysis_share"] = (total - analyse) / total;
    state.counters["filter_save_per_analysis"] = (filter + save) / analyse;
}

BENCHMARK(BM_ConvertOneMinute)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One analysed minute, kept for the filter and save benchmarks.
const trx::ConversionSession& AnalysedMinute() {
    static trx::ConversionSession session;
    static const bool converted = [] {
        trx::ProgressReporter quiet;
        return session.ConvertFile(SharedWorkspace().WavPath(), trx::ConversionSettings{}, quiet)
            .empty();
    }();
    (void)converted;
    return session;
}

// FilterAnalysis alone on the minute's amplitude map, default settings.
void BM_FilterOneMinute(benchmark::State& state) {
    const trx::WorkingState& analysed = AnalysedMinute().State;
    const trx::ConversionSettings settings;
    const trx::NoteKernels kernels;
    const trx::SampleBuffer samples;
    trx::ProgressReporter quiet;
    trx::FloatMatrix noteMap;
    trx::FloatMatrix loudest;
    float maximum = 0.0f;
    for (auto _ : state) {
        trx::FilterAnalysis(analysed.AmplitudeMap, analysed.LastAnalysedSlice, kernels, samples,
                            settings, noteMap, loudest, maximum, quiet, nullptr);
        benchmark::DoNotOptimize(noteMap.Data());
    }
}

// The minute's MIDI file built in memory (no disk), then written to disk
// (atomically, with its fsync).
void BM_SaveOneMinute(benchmark::State& state) {
    const trx::WorkingState& analysed = AnalysedMinute().State;
    const std::int32_t firstNoteBin = AnalysedMinute().AnalysedFirstNoteBin;
    const std::string path = SharedWorkspace().MidiPath();
    const bool toDisk = state.range(0) != 0;
    for (auto _ : state) {
        if (toDisk) {
            trx::SaveNoteMapAsMidi(path, analysed.NoteMap, analysed.NoteMapMaximum, firstNoteBin,
                                   15, -1);
        } else {
            const auto bytes = trx::BuildMidiFromNoteMap(
                path, analysed.NoteMap, analysed.NoteMapMaximum, firstNoteBin, 15, -1);
            benchmark::DoNotOptimize(bytes.data());
        }
    }
}

// Beat tracking of the minute (onset strength, tempo, beats), against the
// time of the minute's whole conversion with the transform on all cores.
void BM_TrackBeatsOneMinute(benchmark::State& state) {
    const trx::ConversionSession& analysed = AnalysedMinute();
    const trx::FloatMatrix& map = analysed.State.AmplitudeMap;
    // The fastest of three conversions, so a busy machine does not flatter
    // the share.
    double conversion = 1e9;
    for (int run = 0; run < 3; ++run) {
        trx::ProgressReporter quiet;
        trx::ConversionSession session;
        const auto start = std::chrono::steady_clock::now();
        (void)session.ConvertFile(SharedWorkspace().WavPath(), trx::ConversionSettings{}, quiet);
        conversion = std::min(
            conversion,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    double tracking = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const trx::BeatTrack track =
            trx::TrackBeatsInMap(map, analysed.AnalysedFirstNoteBin, map.Rows());
        tracking += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(track.Beats.data());
    }
    state.counters["conversion_s"] = conversion;
    state.counters["share_of_conversion"] =
        tracking / static_cast<double>(state.iterations()) / conversion;
}

BENCHMARK(BM_FilterOneMinute)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackBeatsOneMinute)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveOneMinute)->ArgName("disk")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
