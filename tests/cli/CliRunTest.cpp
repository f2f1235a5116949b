#include "CliProcess.h"
#include "MidiFileReader.h"
#include "ToneSequence.h"

#include "app/SettingsFile.h"
#include "audio/MappingFault.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <thread>

namespace fs = std::filesystem;
using trx::test::BinFrequency;
using trx::test::RunCli;
using trx::test::Segment;

namespace {

std::set<int> StartedKeys(const std::string& midiPath) {
    std::set<int> keys;
    for (const auto& start :
         trx::test::NoteStarts(trx::test::ParseMidi(trx::test::ReadText(midiPath))))
        keys.insert(start.Key);
    return keys;
}

bool MapsFile(pid_t pid, const std::string& path) {
    return trx::test::ReadText("/proc/" + std::to_string(pid) + "/maps").find(path) !=
           std::string::npos;
}

std::string Numbered(int i, const char* extension) {
    std::string name = "n";
    name += std::to_string(i);
    name += extension;
    return name;
}

class CliRunTest : public ::testing::Test {
protected:
    // Two seconds of A3 (bin 48, MIDI key 57).
    std::string NoteWav(const std::string& name) {
        return trx::test::WriteToneWav(dir_, name, {{{{BinFrequency(48), 0.5}}, 2.0}});
    }
    // C5, E5 and G5 (keys 72, 76, 79) held together, the C loudest.
    std::string ChordWav(const std::string& name) {
        return trx::test::WriteToneWav(
            dir_, name,
            {{{{BinFrequency(63), 0.45}, {BinFrequency(67), 0.25}, {BinFrequency(70), 0.2}}, 2.0}});
    }
    trx::test::TempDir dir_;
};

TEST_F(CliRunTest, EachRecordingBecomesAMidiFileBesideIt) {
    const std::string a = NoteWav("a.wav");
    const std::string b = ChordWav("b.wav");
    const auto run = RunCli({a, b});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find(a + " -> " + dir_.File("a.mid")), std::string::npos) << run.Err;
    EXPECT_EQ(StartedKeys(dir_.File("a.mid")), std::set<int>{57});
    EXPECT_EQ(StartedKeys(dir_.File("b.mid")), (std::set<int>{72, 76, 79}));
}

TEST_F(CliRunTest, ABrokenRecordingFailsAloneWithTheWindowsMessage) {
    const std::string good1 = NoteWav("good1.wav");
    const std::string bad = dir_.File("bad.wav");
    trx::test::WriteBytes(bad, {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    const std::string good2 = NoteWav("good2.wav");
    const std::string silent =
        trx::test::WriteWav(dir_, "silent.wav", {}, std::vector<double>(44100, 0.0));
    const std::string tiny =
        trx::test::WriteWav(dir_, "tiny.wav", {}, std::vector<double>(2047, 0.1));

    const auto run = RunCli({"-q", good1, bad, dir_.File("missing.wav"), silent, tiny, good2});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find(bad + ": Invalid WAV file - RIFF header not found\n"), std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find(dir_.File("missing.wav") +
                           ": No such file or directory occured in OpenSoundFile\n"),
              std::string::npos)
        << run.Err;
    EXPECT_NE(
        run.Err.find(silent + ": Invalid floating point operation occured in FilterAnalysis\n"),
        std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find(tiny + ": The recording is shorter than one time slice"),
              std::string::npos)
        << run.Err;
    // -q leaves only the failures.
    EXPECT_EQ(run.Err.find("->"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_.File("good1.mid")));
    EXPECT_TRUE(fs::exists(dir_.File("good2.mid")));
    EXPECT_FALSE(fs::exists(dir_.File("bad.mid")));
    EXPECT_FALSE(fs::exists(dir_.File("silent.mid")));
}

TEST_F(CliRunTest, BadUsageExitsWithTwoAndConvertsNothing) {
    const std::string a = NoteWav("a.wav");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--tuning", "60", a}, {"-o", dir_.File("x.mid"), a, a}}) {
        const auto run = RunCli(args);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_NE(run.Err.find("tremolundrix-cli: "), std::string::npos);
        EXPECT_NE(run.Err.find("--help"), std::string::npos);
    }
    // An output folder that cannot be made, since a file is in the way.
    const auto blocked = RunCli({"-d", a + "/midi", a});
    EXPECT_EQ(blocked.ExitCode, 2) << blocked.Err;
    EXPECT_FALSE(fs::exists(dir_.File("a.mid")));
    EXPECT_FALSE(fs::exists(dir_.File("x.mid")));
}

TEST_F(CliRunTest, HelpListsEveryOptionAndVersionNamesTheProgram) {
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    for (const char* option :
         {"--tuning", "--polyphony", "--chord", "--neighbour", "--minimum", "--fluctuation",
          "--phase", "--spike", "--loud-start", "--settings", "--key", "--export-maps",
          "--find-tuning", "--jobs", "--quiet", "-o", "-d"})
        EXPECT_NE(help.Out.find(option), std::string::npos) << option;
    const auto version = RunCli({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out.rfind("tremolundrix-cli ", 0), 0u);
    EXPECT_EQ(std::count(version.Out.begin(), version.Out.end(), '.'), 3);
}

TEST_F(CliRunTest, OutputFileAndOutputFolder) {
    const std::string a = NoteWav("a.wav");
    const std::string b = NoteWav("b.wav");
    auto run = RunCli({"-o", dir_.File("named.mid"), a});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(fs::exists(dir_.File("named.mid")));
    EXPECT_FALSE(fs::exists(dir_.File("a.mid")));

    run = RunCli({"-d", dir_.File("out/deeper"), a, b});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(StartedKeys(dir_.File("out/deeper/a.mid")), std::set<int>{57});
    EXPECT_TRUE(fs::exists(dir_.File("out/deeper/b.mid")));
}

TEST_F(CliRunTest, RelativeInputsResolveAgainstTheWorkingFolder) {
    NoteWav("a.wav");
    const auto run = RunCli({"a.wav"}, dir_.Path().string());
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "a.wav -> a.mid\n");
    EXPECT_TRUE(fs::exists(dir_.File("a.mid")));
}

TEST_F(CliRunTest, SettingsFileThenOverridingOption) {
    const std::string chord = ChordWav("chord.wav");
    trx::ConversionSettings saved;
    saved.Polyphony = 1;
    const std::string settings = dir_.File("one-voice.trs");
    trx::WriteSettingsFile(settings, saved);

    auto run = RunCli({"--settings", settings, "-o", dir_.File("one.mid"), chord});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(StartedKeys(dir_.File("one.mid")), std::set<int>{72});

    run = RunCli({"--settings", settings, "--polyphony", "5", "-o", dir_.File("five.mid"), chord});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(StartedKeys(dir_.File("five.mid")), (std::set<int>{72, 76, 79}));
}

TEST_F(CliRunTest, KeySignatureGoesIntoTheConductorTrack) {
    const std::string a = NoteWav("a.wav");
    const auto keyOf = [&](const std::vector<std::string>& keyArgs) {
        std::vector<std::string> args = keyArgs;
        args.insert(args.end(), {"-o", dir_.File("k.mid"), a});
        EXPECT_EQ(RunCli(args).ExitCode, 0);
        return trx::test::MetaData(trx::test::ParseMidi(trx::test::ReadText(dir_.File("k.mid"))),
                                   0x59);
    };
    EXPECT_EQ(keyOf({}), (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(keyOf({"--key", "E minor"}), (std::vector<std::uint8_t>{1, 1}));
    EXPECT_EQ(keyOf({"--key", "1"}), (std::vector<std::uint8_t>{0xFA, 0}));
}

TEST_F(CliRunTest, AutomaticKeyOfAGMajorScaleIsOneSharp) {
    // G4 A4 B4 C5 D5 E5 F#5 G5, eight slices each.
    std::vector<trx::test::Segment> scale;
    for (const int bin : {58, 60, 62, 63, 65, 67, 69, 70})
        scale.push_back({{{BinFrequency(bin), 0.5}}, trx::test::SlicesLong(8)});
    const std::string g = trx::test::WriteToneWav(dir_, "g.wav", scale);
    const auto run = RunCli({"--key", "AUTO", "--export-maps", dir_.File("maps"), g});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(
        trx::test::MetaData(trx::test::ParseMidi(trx::test::ReadText(dir_.File("g.mid"))), 0x59),
        (std::vector<std::uint8_t>{1, 0}));
    const std::string key = trx::test::ReadText(dir_.File("maps/key.json"));
    EXPECT_NE(key.find("\"percentages\": ["), std::string::npos) << key;
    EXPECT_NE(key.find("\"midi_key_index\": 8}"), std::string::npos) << key;
}

TEST_F(CliRunTest, ExportedMapsAreNumpyFilesOfTheWholeRecording) {
    const std::string a = NoteWav("a.wav");
    const auto run = RunCli({"--export-maps", dir_.File("maps"), a});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    // Two seconds hold 43 whole slices of 2048 samples.
    const std::size_t slices = 88200 / 2048;
    for (const char* name : {"amplitude_map.npy", "note_map.npy"}) {
        const std::string bytes = trx::test::ReadText(dir_.File(std::string("maps/") + name));
        ASSERT_GT(bytes.size(), 10u) << name;
        EXPECT_EQ(bytes.substr(0, 8), std::string("\x93NUMPY\x01\x00", 8));
        const std::size_t headerLength =
            static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
        const std::string header = bytes.substr(10, headerLength);
        EXPECT_NE(header.find("'descr': '<f4'"), std::string::npos);
        std::string shape = "'shape': (";
        shape += std::to_string(slices);
        shape += ", 107)";
        EXPECT_NE(header.find(shape), std::string::npos) << header;
        EXPECT_EQ(bytes.size(), 10 + headerLength + slices * 107 * 4) << name;
    }
    const std::string csv = trx::test::ReadText(dir_.File("maps/notes.csv"));
    EXPECT_EQ(csv.rfind("id,note_bin,midi_key,start_slice,length,velocity\n", 0), 0u);
    EXPECT_NE(csv.find(",48,57,"), std::string::npos) << csv;
}

TEST_F(CliRunTest, FindTuningPrintsTheProposalAndWritesMidiOnlyWhenAsked) {
    // A3 C#4 E4 A4, 27 cents flat, a quarter of a second each.
    std::vector<Segment> melody;
    for (const int bin : {48, 52, 55, 60})
        melody.push_back({{{BinFrequency(bin) * std::pow(2.0, -27.0 / 1200), 0.5}}, 0.25});
    const std::string flat = trx::test::WriteToneWav(dir_, "flat.wav", melody);
    const std::string chord = ChordWav("chord.wav");

    auto run = RunCli({"--find-tuning", "-q", flat, chord});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    int cents = 0;
    int notes = 0;
    ASSERT_EQ(std::sscanf(run.Out.c_str(), (flat + ": %d cents from %d single notes\n").c_str(),
                          &cents, &notes),
              2)
        << run.Out;
    EXPECT_NEAR(cents, -27, 3);
    EXPECT_GT(notes, 10);
    EXPECT_NE(
        run.Out.find("\n" + chord + ": Unable to find suitable candidate for pitch detection.\n"),
        std::string::npos)
        << run.Out;
    EXPECT_EQ(run.Err, "");
    EXPECT_FALSE(fs::exists(dir_.File("flat.mid")));
    EXPECT_FALSE(fs::exists(dir_.File("chord.mid")));

    run = RunCli(
        {"--find-tuning", "-o", dir_.File("out.mid"), "--export-maps", dir_.File("maps"), flat});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(fs::exists(dir_.File("out.mid")));
    const std::string json = trx::test::ReadText(dir_.File("maps/tuning.json"));
    EXPECT_EQ(std::count(json.begin(), json.end(), ','), 100 + 2) << json;
    EXPECT_NE(json.find("\"proposed_cents\": " + std::to_string(cents) + ","), std::string::npos)
        << json;
}

TEST_F(CliRunTest, AnOutputThatWouldReplaceAnInputIsRefused) {
    const std::string a = NoteWav("a.wav");
    const std::string before = trx::test::ReadText(a);
    const auto run = RunCli({"-o", dir_.File("./a.wav"), a});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("refusing to overwrite the input file"), std::string::npos) << run.Err;
    EXPECT_EQ(trx::test::ReadText(a), before);
}

TEST_F(CliRunTest, ParallelJobsWriteTheSameFilesAsOneJob) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i)
        inputs.push_back(i % 2 ? NoteWav(Numbered(i, ".wav")) : ChordWav(Numbered(i, ".wav")));
    ASSERT_EQ(RunCli(inputs).ExitCode, 0);
    std::vector<std::string> single;
    for (int i = 0; i < 4; ++i)
        single.push_back(trx::test::ReadText(dir_.File(Numbered(i, ".mid"))));

    std::vector<std::string> args{"--jobs", "3"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    ASSERT_EQ(RunCli(args).ExitCode, 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(trx::test::ReadText(dir_.File(Numbered(i, ".mid"))), single[i]) << i;
}

TEST_F(CliRunTest, RecordersStereoAndFloatFilesConvertToTheSameNote) {
    const std::vector<Segment> a3{{{{BinFrequency(48), 0.5}}, 2.0}};
    trx::test::WavSpec stereo24;
    stereo24.channels = 2;
    stereo24.sampleRate = 48000;
    stereo24.bitsPerSample = 24;
    trx::test::WavSpec floating;
    floating.formatTag = 3;
    floating.bitsPerSample = 32;
    floating.sampleRate = 48000;
    floating.channels = 2;
    const std::string s = trx::test::WriteToneWav(dir_, "stereo24.wav", a3, stereo24);
    const std::string f = trx::test::WriteToneWav(dir_, "float.wav", a3, floating);
    const auto run = RunCli({s, f});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(StartedKeys(dir_.File("stereo24.mid")), std::set<int>{57});
    EXPECT_EQ(StartedKeys(dir_.File("float.mid")), std::set<int>{57});
}

TEST_F(CliRunTest, ARecordingShortenedWhileConvertedFailsAloneInABatch) {
    // Two minutes, analysed straight from its mapping for most of a second.
    const std::string longWav =
        trx::test::WriteToneWav(dir_, "long.wav", {{{{BinFrequency(48), 0.5}}, 120.0}});
    const std::string other = NoteWav("other.wav");
    trx::test::CliProcess cli({"-j", "2", longWav, other});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!MapsFile(cli.Pid(), longWav) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(::truncate(longWav.c_str(), 4096), 0);
    const auto run = cli.Wait();
    EXPECT_EQ(run.ExitCode, 1) << "signal " << run.Signal;
    EXPECT_NE(run.Err.find(longWav + ": " + trx::kMappingFaultMessage + " occured in "),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(StartedKeys(dir_.File("other.mid")), std::set<int>{57});
}

TEST_F(CliRunTest, AFileSizeLimitHitWhileSavingLeavesNoTemporaryFile) {
    const std::string a = NoteWav("a.wav");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 8192; // more than the MIDI file, less than a map
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    trx::test::CliProcess cli({"--export-maps", dir_.File("maps"), a});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    const auto run = cli.Wait();
    EXPECT_EQ(run.Signal, SIGXFSZ) << run.Err;
    for (const auto& entry : fs::directory_iterator(dir_.File("maps")))
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

} // namespace
