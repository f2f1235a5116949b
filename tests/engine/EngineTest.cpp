#include "analysis/SliceTransform.h"
#include "beats/BeatGridMidi.h"
#include "beats/OnsetStrength.h"
#include "common/Constants.h"
#include "common/Errors.h"
#include "engine/AccurateEngine.h"
#include "engine/NetworkInput.h"
#include "engine/NetworkStream.h"
#include "engine/NoteTracker.h"
#include "support/TestWav.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace {

using trx::FloatMatrix;
using trx::NetworkModel;

const NetworkModel& Model() {
    static const NetworkModel model = trx::LoadNetworkModel(TREMOLUNDRIX_MODEL_PATH);
    return model;
}

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T Take(const std::vector<char>& bytes, std::size_t& pos) {
    T v{};
    std::memcpy(&v, bytes.data() + pos, sizeof v);
    pos += sizeof v;
    return v;
}

TEST(AccurateEngine, ForwardPassEqualsTheTrainingScriptsOwn) {
    // Samples, then frames x keys onset and note probabilities, written by
    // training/train.py with the committed weights.
    const auto bytes = ReadBytes(TREMOLUNDRIX_TEST_DATA "/engine/forward_fixture.bin");
    ASSERT_GT(bytes.size(), 16u);
    std::size_t pos = 0;
    std::vector<float> samples(Take<std::uint32_t>(bytes, pos));
    for (float& s : samples)
        s = Take<float>(bytes, pos);
    const auto frames = static_cast<std::int32_t>(Take<std::uint32_t>(bytes, pos));
    const auto keys = Take<std::uint32_t>(bytes, pos);
    ASSERT_EQ(keys, static_cast<std::uint32_t>(Model().KeyCount));
    std::vector<float> expected((bytes.size() - pos) / sizeof(float));
    for (float& e : expected)
        e = Take<float>(bytes, pos);
    ASSERT_EQ(expected.size(), 2u * static_cast<std::size_t>(frames) * keys);

    // On every vector width the machine has.
    for (const std::int64_t target : trx::AvailableTransformTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        trx::NetworkInput spectrum(Model());
        std::vector<float> window(static_cast<std::size_t>(Model().FftSize));
        std::vector<float> features(spectrum.FeatureSize());
        double worst = 0.0;
        std::int32_t seen = 0;
        trx::NetworkStream network(
            Model(), frames,
            [&](std::int32_t f, std::span<const float> onset, std::span<const float> note) {
                EXPECT_EQ(f, seen++);
                for (std::size_t k = 0; k < keys; ++k) {
                    const std::size_t at = static_cast<std::size_t>(f) * keys + k;
                    worst =
                        std::max<double>({worst, std::fabs(onset[k] - expected[at]),
                                          std::fabs(note[k] - expected[expected.size() / 2 + at])});
                }
            });
        const std::int32_t lead = (Model().FftSize - Model().Hop) / 2;
        for (std::int32_t f = 0; f < frames; ++f) {
            for (std::size_t i = 0; i < window.size(); ++i) {
                const std::int64_t n =
                    std::int64_t{f} * Model().Hop - lead + static_cast<std::int64_t>(i);
                window[i] = n >= 0 && n < static_cast<std::int64_t>(samples.size())
                                ? samples[static_cast<std::size_t>(n)]
                                : 0.0f;
            }
            spectrum.Compute(window, features);
            network.Push(features);
        }
        network.Finish();
        EXPECT_EQ(seen, frames);
        EXPECT_LT(worst, 1e-4);
    }
    hwy::SetSupportedTargetsForTest(0);
}

TEST(AccurateEngine, DamagedOrMissingWeightsFileIsNamed) {
    const trx::test::TempDir dir;
    const std::string path = dir.File("net.trxw");
    auto bytes = ReadBytes(TREMOLUNDRIX_MODEL_PATH);
    const auto expectFailure = [&](const std::vector<char>& content, const std::string& why) {
        std::ofstream(path, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
        try {
            (void)trx::LoadNetworkModel(path);
            ADD_FAILURE() << why;
        } catch (const trx::TremolundrixError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
            EXPECT_EQ(e.FileName(), path);
        }
    };
    auto flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x10;
    expectFailure(flipped, "checksum");
    expectFailure({bytes.begin(), bytes.begin() + 100}, "damaged");
    auto otherVersion = bytes;
    otherVersion[4] = 9;
    expectFailure(otherVersion, "version 9");
    expectFailure({'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0}, "not a weights file");
    EXPECT_THROW((void)trx::LoadNetworkModel(dir.File("none.trxw")), trx::TremolundrixError);

    // Whole and with a good checksum, but with a layer of 2 x 8193 x
    // (2^20 - 1) weights, more than 2^32, in a file of a hundred bytes.
    const std::vector<std::uint32_t> fields{
        0x57585254, 1, 44100, 4096, 1024,           21, 88, 9, 1, 0, 0, 0, 1, 0,
        1,          1, 2,     8193, (1u << 20) - 1, 1,  0};
    std::vector<char> crafted(fields.size() * 4);
    std::memcpy(crafted.data(), fields.data(), crafted.size());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : crafted) {
        crc ^= static_cast<std::uint8_t>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    crafted.resize(crafted.size() + 4);
    std::memcpy(crafted.data() + crafted.size() - 4, &crc, 4);
    expectFailure(crafted, "ends early");
}

// Notes (start slice, key) the engine finds in a recording of tones.
std::vector<std::pair<int, int>> Transcribe(const std::vector<std::vector<double>>& segments,
                                            int slicesEach) {
    std::vector<std::int16_t> pcm;
    for (const auto& keys : segments)
        for (int i = 0; i < slicesEach * 2048; ++i) {
            double v = 0.0;
            for (double key : keys)
                v += 0.25 * std::sin(2.0 * std::numbers::pi * 440.0 *
                                     std::pow(2.0, (key - 69.0) / 12.0) * i / 44100.0);
            pcm.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
        }
    trx::SampleBuffer buffer;
    buffer.Samples = reinterpret_cast<const std::uint8_t*>(pcm.data());
    buffer.ByteCount = pcm.size() * 2;
    buffer.SampleWidth = 2;
    buffer.ChannelStride = 1;
    buffer.SliceCount = static_cast<std::int32_t>(pcm.size() / 2048);
    FloatMatrix map;
    float maximum = 0.0f;
    trx::ProgressReporter progress;
    EXPECT_TRUE(trx::TranscribeAccurately(buffer, Model(), map, maximum, progress));
    EXPECT_EQ(map.Rows(), buffer.SliceCount);
    std::vector<std::pair<int, int>> notes;
    for (const trx::TimedNote& n : trx::NotesOfNoteMap(map, maximum, 0, 15))
        notes.emplace_back(static_cast<int>(std::lround(n.Start / trx::kSliceSeconds)), n.Key);
    std::sort(notes.begin(), notes.end());
    return notes;
}

TEST(AccurateEngine, SineAndChordBecomeExactlyThoseNotes) {
    // A4 alone, then C4 + E4 + G4, 20 slices (0.93 s) each.
    const auto notes = Transcribe({{69}, {60, 64, 67}}, 20);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].second, 69);
    EXPECT_LE(notes[0].first, 1);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(notes[i].second, std::vector<int>({60, 64, 67})[i - 1]);
        EXPECT_NEAR(notes[i].first, 20, 1);
    }
}

TEST(AccurateEngine, NotesKeepASilentCellAndAMinimumLength) {
    // Two frames a slice; key 0 is MIDI key 21 = bin 12.
    FloatMatrix map(6, trx::kNoteBins);
    trx::NoteTracker tracker(map, 21, 2, 0.5f, 0.5f, 2, 12, 2);
    // Frames: struck at 0, struck again at 2 (next slice), a one-frame blip
    // on key 1 at frame 6, silence from 8.
    const float onsets[12][2] = {{0.9f, 0}, {0.2f, 0}, {0.8f, 0}, {0.1f, 0}, {0, 0}, {0, 0},
                                 {0, 0.9f}, {0, 0},    {0, 0},    {0, 0},    {0, 0}, {0, 0}};
    for (int f = 0; f < 12; ++f) {
        const float note[2] = {f < 8 ? 0.9f : 0.1f, 0.1f};
        tracker.Push(onsets[f], note);
    }
    tracker.Finish();
    std::vector<float> key21, key22;
    for (int s = 0; s < 6; ++s) {
        key21.push_back(map(s, 12));
        key22.push_back(map(s, 13));
    }
    const float v = trx::NoteTracker::kCellValue;
    // The second strike starts a slice late so that a silent cell parts it.
    EXPECT_EQ(key21, (std::vector<float>{v, 0, v, v, 0, 0}));
    EXPECT_EQ(key22, (std::vector<float>(6, 0.0f)));
}

} // namespace
