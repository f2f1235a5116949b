#include "analysis/AmplitudeMap.h"
#include "common/Constants.h"
#include "common/Errors.h"
#include "midi/FluidSynthPlayer.h"
#include "midi/MidiSave.h"
#include "midi/OfflineRender.h"
#include "midi/SoundFontSearch.h"
#include "support/TestWav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace {

namespace fs = std::filesystem;
using trx::test::TempDir;
using namespace std::chrono_literals;

// The small General MIDI set (6 MB) the tests play with.
const fs::path kTestSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// A at 440 Hz, key 69.
constexpr std::int32_t kNoteBin = 60;

// A MIDI file of one note in kNoteBin, full velocity, from slice 0 on.
std::string WriteOneNote(const TempDir& dir, const std::string& name, std::int32_t slices) {
    trx::FloatMatrix map(slices + 1, trx::kNoteBins);
    for (std::int32_t s = 0; s < slices; ++s)
        map(s, kNoteBin) = 1.0f;
    const std::string path = dir.File(name);
    trx::SaveNoteMapAsMidi(path, map, 1.0f, 8, 0, -1);
    return path;
}

// The note bin with the largest magnitude summed over slices first..last,
// by the program's own analysis of the samples as 16-bit PCM.
std::int32_t StrongestBin(const std::vector<float>& samples, std::int32_t first,
                          std::int32_t last) {
    std::vector<std::uint8_t> bytes;
    for (const float v : samples) {
        const auto q =
            static_cast<std::uint16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        bytes.push_back(static_cast<std::uint8_t>(q));
        bytes.push_back(static_cast<std::uint8_t>(q >> 8));
    }
    const trx::SampleBuffer buffer{bytes.data(), bytes.size(), 2, 1,
                                   static_cast<std::int32_t>(samples.size() / trx::kSliceLength)};
    const trx::NoteKernels kernels;
    trx::FloatMatrix map(buffer.SliceCount, trx::kNoteBins);
    std::int32_t analysed = 0;
    trx::ProgressReporter quiet;
    trx::AnalyseWave(buffer, kernels, map, analysed, quiet);
    std::vector<double> sums(trx::kNoteBins);
    for (std::int32_t s = first; s <= last; ++s)
        for (std::int32_t b = 0; b < trx::kNoteBins; ++b)
            sums[static_cast<std::size_t>(b)] += map(s, b);
    return static_cast<std::int32_t>(std::max_element(sums.begin(), sums.end()) - sums.begin());
}

TEST(OfflineRender, OneNoteSoundsAtItsOwnPitch) {
    ASSERT_TRUE(fs::is_regular_file(kTestSoundFont)) << "install timgm6mb-soundfont";
    const TempDir dir;
    const std::string note = WriteOneNote(dir, "note.mid", 20);
    const std::vector<float> samples = trx::RenderMidiToSamples(note, kTestSoundFont);
    // 20 slices of note, then its release.
    ASSERT_GT(samples.size(), 20U * trx::kSliceLength);
    EXPECT_EQ(StrongestBin(samples, 2, 17), kNoteBin);

    const std::string wav = dir.File("note.wav");
    trx::RenderMidiToWav(note, kTestSoundFont, wav);
    // The same frames, 16-bit stereo, after the 44-byte header.
    EXPECT_EQ(fs::file_size(wav), 44 + 4 * samples.size());
}

// Counts the end reports, which arrive on the player's own thread.
class EndCounter {
public:
    trx::MidiPlayer::EndHandler Handler() {
        return [this] {
            const std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }
    bool WaitFor(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return count_ >= count; });
    }
    int Count() {
        const std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// FluidSynth's real-time file writer instead of a sound device, and only
// the small SoundFont to find.
trx::FluidSynthPlayer::Options FileOutput(const TempDir& dir) {
    fs::create_directories(dir.Path() / "sf2");
    fs::create_symlink(kTestSoundFont, dir.Path() / "sf2" / "TimGM6mb.sf2");
    return {{dir.Path() / "sf2"}, {"no-such-driver", "file"}, dir.File("out.wav")};
}

TEST(FluidSynthPlayer, EveryPlaybackEndsOnceByItselfByStopOrByDestruction) {
    ASSERT_TRUE(fs::is_regular_file(kTestSoundFont)) << "install timgm6mb-soundfont";
    const TempDir dir;
    EndCounter ends;
    {
        trx::FluidSynthPlayer player(FileOutput(dir));
        player.Stop(); // nothing open
        player.Close();
        player.Open(WriteOneNote(dir, "short.mid", 2));
        player.Play(ends.Handler());
        EXPECT_TRUE(ends.WaitFor(1));
        // Measured now: every later Open starts the file anew, and the last
        // output may be closed before it has written a frame.
        EXPECT_GT(fs::file_size(dir.File("out.wav")), 44U);
        player.Stop(); // already ended
        EXPECT_EQ(ends.Count(), 1);

        player.Open(WriteOneNote(dir, "long.mid", 2000)); // 93 s
        player.Play(ends.Handler());
        player.Stop();
        EXPECT_EQ(ends.Count(), 2);
        player.Play(ends.Handler()); // again from the start
        EXPECT_EQ(ends.Count(), 2);
    }
    EXPECT_EQ(ends.Count(), 3);
}

TEST(FluidSynthPlayer, OpenReportsAMissingSoundFontAndAFileThatIsNotMidi) {
    const TempDir dir;
    const std::string note = WriteOneNote(dir, "note.mid", 2);
    trx::FluidSynthPlayer lacking({{dir.Path()}, {"file"}, dir.File("out.wav")});
    try {
        lacking.Open(note);
        ADD_FAILURE() << "opened without a SoundFont";
    } catch (const trx::TremolundrixError& error) {
        EXPECT_STREQ(error.what(), trx::kNoSoundFontMessage);
    }
    EXPECT_THROW(lacking.Play({}), trx::TremolundrixError);

    trx::test::WriteBytes(dir.File("text.mid"), {'M', 'T', 'r', 'k'});
    trx::FluidSynthPlayer player(FileOutput(dir));
    EXPECT_THROW(player.Open(dir.File("text.mid")), trx::TremolundrixError);
    EXPECT_THROW(player.Open(dir.File("none.mid")), trx::SystemError);
}

} // namespace
