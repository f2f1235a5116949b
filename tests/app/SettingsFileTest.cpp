#include "app/SettingsFile.h"

#include "common/Errors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using trx::ConversionSettings;

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("trx-settings-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // A file of little-endian 32-bit values followed by extra bytes.
    std::string WriteValues(const std::vector<std::int32_t>& values,
                            const std::string& extra = {}) {
        const std::string path = (folder_ / "values.trs").string();
        std::ofstream out(path, std::ios::binary);
        for (const std::int32_t v : values) {
            const auto bits = static_cast<std::uint32_t>(v);
            for (int shift = 0; shift < 32; shift += 8)
                out.put(static_cast<char>(bits >> shift));
        }
        out << extra;
        return path;
    }

    std::filesystem::path folder_;
};

std::vector<char> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(SettingsFile, DefaultsMatchTheGoldenFile) {
    EXPECT_EQ(trx::SettingsToValues(ConversionSettings{}),
              (std::array<std::int32_t, 10>{0, 5, 30, 80, 15, 30, 0, 1, 1, 0}));
    const auto path = folder_ / "defaults.trs";
    trx::WriteSettingsFile(path.string(), ConversionSettings{});
    EXPECT_EQ(ReadAll(path),
              ReadAll(std::string(TREMOLUNDRIX_TEST_DATA) + "/settings/defaults.trs"));
}

TEST_F(SettingsFile, SavedSettingsLoadBackUnchanged) {
    ConversionSettings saved;
    saved.TuningCents = -37;
    saved.Polyphony = 10;
    saved.ChordThreshold = 0;
    saved.NeighbourThreshold = 100;
    saved.MinimumComponent = 1;
    saved.AmplitudeFluctuation = 99;
    saved.PhaseAnalysis = true;
    saved.SpikeRemoval = false;
    saved.LoudStart = false;
    saved.DrawSpectrum = true;
    const std::string path = (folder_ / "custom.trs").string();
    trx::WriteSettingsFile(path, saved);
    EXPECT_EQ(std::filesystem::file_size(path), 40u);
    ConversionSettings loaded;
    trx::ReadSettingsFile(path, loaded);
    EXPECT_EQ(loaded, saved);
}

TEST_F(SettingsFile, TrackBarValuesAreLimitedToTheirRanges) {
    ConversionSettings settings;
    trx::ReadSettingsFile(WriteValues({75, 0, 101, -1, 50, 100000, 1, 1, 1, 1}), settings);
    EXPECT_EQ(settings.TuningCents, 50);
    EXPECT_EQ(settings.Polyphony, 1);
    EXPECT_EQ(settings.ChordThreshold, 100);
    EXPECT_EQ(settings.NeighbourThreshold, 0);
    EXPECT_EQ(settings.MinimumComponent, 50);
    EXPECT_EQ(settings.AmplitudeFluctuation, 100);

    trx::ApplySettingsValue(settings, 0, -80);
    EXPECT_EQ(settings.TuningCents, -50);
    trx::ApplySettingsValue(settings, 1, 11);
    EXPECT_EQ(settings.Polyphony, 10);
}

TEST_F(SettingsFile, OnlyExactlyOneChecksABox) {
    ConversionSettings settings;
    settings.PhaseAnalysis = true;
    trx::ReadSettingsFile(WriteValues({0, 5, 30, 80, 15, 30, 2, 2, -1, 1}), settings);
    EXPECT_FALSE(settings.PhaseAnalysis);
    EXPECT_FALSE(settings.SpikeRemoval);
    EXPECT_FALSE(settings.LoudStart);
    EXPECT_TRUE(settings.DrawSpectrum);
}

TEST_F(SettingsFile, ShortFileAppliesTheTrackBarsThenFails) {
    ConversionSettings settings;
    settings.PhaseAnalysis = true;
    settings.SpikeRemoval = false;
    const std::string path = WriteValues({-10, 3, 40, 70, 20, 25});

    trx::SettingsFileReader reader(path);
    for (int i = 0; i < 6; ++i) {
        const auto value = reader.Next();
        ASSERT_TRUE(value.has_value()) << i;
    }
    try {
        (void)reader.Next();
        FAIL() << "a 24-byte file read to its end";
    } catch (const trx::TremolundrixError& error) {
        EXPECT_STREQ(error.what(), trx::kShortSettingsFileMessage);
    }

    EXPECT_THROW(trx::ReadSettingsFile(path, settings), trx::TremolundrixError);
    EXPECT_EQ(settings.TuningCents, -10);
    EXPECT_EQ(settings.AmplitudeFluctuation, 25);
    EXPECT_TRUE(settings.PhaseAnalysis) << "check boxes keep their states";
    EXPECT_FALSE(settings.SpikeRemoval);
}

TEST_F(SettingsFile, BytesAfterTheTenthValueAreIgnored) {
    trx::SettingsFileReader reader(WriteValues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "trailing"));
    std::vector<std::int32_t> values;
    while (const auto value = reader.Next())
        values.push_back(*value);
    EXPECT_EQ(values, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_FALSE(reader.Next().has_value());
}

TEST_F(SettingsFile, MissingFileCannotBeOpened) {
    EXPECT_THROW(trx::SettingsFileReader((folder_ / "none.trs").string()), trx::SystemError);
    EXPECT_THROW(trx::WriteSettingsFile((folder_ / "no" / "x.trs").string(), {}), trx::SystemError);
}

TEST_F(SettingsFile, PipesAndDevicesAreRefusedAtOnce) {
    const std::string fifo = (folder_ / "pipe.trs").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto failure = [](const std::string& path) {
        try {
            ConversionSettings settings;
            trx::ReadSettingsFile(path, settings);
        } catch (const trx::TremolundrixError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    auto read = std::async(std::launch::async, failure, fifo);
    const bool prompt = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!prompt) // A writer releases the blocked open, so the test ends.
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(prompt);
    EXPECT_EQ(read.get(), "pipe.trs is a named pipe (FIFO), not a settings file");
    EXPECT_EQ(failure("/dev/zero"), "zero is a device, not a settings file");
}

} // namespace
