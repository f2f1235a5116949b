// The whole conversion of a one-minute recording through the core: open,
// analyse, filter and save. Reports the time per minute of audio and the
// share of it spent outside the analysis. The filtering, the saving and the
// beat tracking of that minute are also timed alone, where the analysis does
// not drown them. The fixed costs of a conversion (up to its first slice)
// are timed apart, and a ten-minute recording goes through tremolundrix-cli
// as a user would run it, against the bound of the multiply-adds on all
// cores.

#include "MultiplyAddRate.h"

#include "analysis/AmplitudeMap.h"
#include "analysis/NoteKernels.h"
#include "analysis/SliceTransform.h"
#include "analysis/WorkerPool.h"
#include "app/ConversionSession.h"
#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
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
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

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

// Writes samples, repeated times over, as a 16-bit mono 44100 Hz WAV file.
void WriteWav(const std::string& path, const std::vector<std::int16_t>& samples, int times) {
    const auto dataBytes =
        static_cast<std::uint32_t>(samples.size() * 2 * static_cast<std::size_t>(times));
    std::ofstream out(path, std::ios::binary);
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
    for (int i = 0; i < times; ++i)
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * 2));
}

// The recordings and a folder for the MIDI files, made once per run.
class Workspace {
public:
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "trx-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        folder_ = pattern;
        const std::vector<std::int16_t> samples = OneMinuteOfMusic();
        WriteWav(WavPath(), samples, 1);
        WriteWav(TenMinutePath(), samples, 10);
        WriteWav(OneSlicePath(),
                 std::vector<std::int16_t>(samples.begin(), samples.begin() + trx::kSliceLength),
                 1);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    [[nodiscard]] std::string WavPath() const { return (folder_ / "minute.wav").string(); }
    [[nodiscard]] std::string MidiPath() const { return (folder_ / "minute.mid").string(); }
    [[nodiscard]] std::string TenMinutePath() const { return (folder_ / "ten.wav").string(); }
    [[nodiscard]] std::string OneSlicePath() const { return (folder_ / "slice.wav").string(); }
    [[nodiscard]] std::string Folder() const { return folder_.string(); }

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

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What a conversion costs before its first slice, in the order it happens:
// building the kernels (a session starts at 0 cents), mapping the ten-minute
// WAV file and sizing the maps, starting the analysis threads (one job, so
// that every thread has run). In milliseconds.
void BM_FixedCosts(benchmark::State& state) {
    const Workspace& workspace = SharedWorkspace();
    double kernels = 0.0;
    double open = 0.0;
    double threads = 0.0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        trx::ConversionSession session;
        kernels += SecondsSince(start);

        start = std::chrono::steady_clock::now();
        trx::CodecList codecs;
        trx::OpenObserver observer;
        session.NameFiles(workspace.TenMinutePath());
        if (!session.ReadFile(codecs, observer).Ok()) {
            state.SkipWithError("cannot open the recording");
            return;
        }
        open += SecondsSince(start);

        start = std::chrono::steady_clock::now();
        {
            trx::WorkerPool pool(trx::AnalysisThreads({}));
            auto nothing = [](std::int32_t /*index*/) {};
            pool.Run(nothing);
            threads += SecondsSince(start);
        }
        int error = 0;
        (void)session.CloseDataFile(error);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["kernels_ms"] = kernels / iterations * 1e3;
    state.counters["open_ms"] = open / iterations * 1e3;
    state.counters["threads_ms"] = threads / iterations * 1e3;
    state.counters["to_first_slice_ms"] = (kernels + open + threads) / iterations * 1e3;
}
BENCHMARK(BM_FixedCosts)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs tremolundrix-cli on one file, output to the workspace; wall seconds,
// and the processor seconds of the process in cpuSeconds. Negative when it
// could not run or failed.
double RunCli(const std::string& wavPath, double& cpuSeconds) {
    const std::string midi = SharedWorkspace().Folder() + "/cli.mid";
    std::vector<std::string> args{TREMOLUNDRIX_CLI, "-q", "-o", midi, wavPath};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, TREMOLUNDRIX_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1.0;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1.0;
    const double wall = SecondsSince(start);
    cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return wall;
}

// The command-line converter from process start to exit. range(0): 0 for a
// recording of one slice (the fixed costs of a process: loading, kernels,
// mapping, threads, writing), 1 for ten minutes of mono sound, against the
// time the multiply-adds of its analysis take on all cores at the widest
// vector width (x_bound).
void BM_CommandLine(benchmark::State& state) {
    const Workspace& workspace = SharedWorkspace();
    const bool tenMinutes = state.range(0) != 0;
    const std::string path = tenMinutes ? workspace.TenMinutePath() : workspace.OneSlicePath();
    double wall = 0.0;
    double cpu = 0.0;
    for (auto _ : state) {
        double cpuSeconds = 0.0;
        const double seconds = RunCli(path, cpuSeconds);
        if (seconds < 0.0) {
            state.SkipWithError("tremolundrix-cli failed");
            return;
        }
        wall += seconds;
        cpu += cpuSeconds;
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["s"] = wall / iterations;
    state.counters["cpu_s"] = cpu / iterations;
    if (tenMinutes) {
        const double slices = std::floor(10.0 * 60 * trx::kSampleRate / trx::kSliceLength);
        const double cores = std::thread::hardware_concurrency();
        const double bound =
            slices * trx::bench::MultiplyAddsPerSlice() / trx::bench::MultiplyAddRate() / cores;
        state.counters["bound_s"] = bound;
        state.counters["x_bound"] = wall / iterations / bound;
        state.counters["x_bound_cpu"] = cpu / iterations / (bound * cores);
        state.SetLabel(std::string(trx::ChosenTransformTarget().Name) + " on " +
                       std::to_string(static_cast<int>(cores)) + " cores");
    }
}
BENCHMARK(BM_CommandLine)
    ->ArgName("ten_minutes")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
