#include "cli/CommandLineParser.h"

#include "app/SettingsFile.h"
#include "support/TestWav.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

trx::ParsedCommandLine Parse(std::vector<std::string> args) {
    return trx::ParseCommandLine(args, trx::LoadSettingsFile);
}

TEST(CommandLineParser, PlainInputGetsTheWindowsDefaults) {
    const auto parsed = Parse({"song.wav"});
    ASSERT_EQ(parsed.UsageError, "");
    EXPECT_EQ(parsed.Options.Settings, trx::ConversionSettings{});
    EXPECT_FALSE(parsed.Options.KeyIndex.has_value());
    EXPECT_EQ(parsed.Options.Jobs, 1);
    EXPECT_EQ(parsed.Options.Inputs, std::vector<std::string>{"song.wav"});
}

TEST(CommandLineParser, EveryParameterReachesItsField) {
    const auto parsed = Parse({"--tuning",
                               "-50",
                               "--polyphony=10",
                               "--chord",
                               "0",
                               "--neighbour",
                               "100",
                               "--minimum",
                               "+7",
                               "--fluctuation",
                               "45",
                               "--phase",
                               "--no-spike",
                               "--no-loud-start",
                               "-j",
                               "3",
                               "-q",
                               "a.wav",
                               "--",
                               "-odd.wav"});
    ASSERT_EQ(parsed.UsageError, "");
    const trx::ConversionSettings& s = parsed.Options.Settings;
    EXPECT_EQ(s.TuningCents, -50);
    EXPECT_EQ(s.Polyphony, 10);
    EXPECT_EQ(s.ChordThreshold, 0);
    EXPECT_EQ(s.NeighbourThreshold, 100);
    EXPECT_EQ(s.MinimumComponent, 7);
    EXPECT_EQ(s.AmplitudeFluctuation, 45);
    EXPECT_TRUE(s.PhaseAnalysis);
    EXPECT_FALSE(s.SpikeRemoval);
    EXPECT_FALSE(s.LoudStart);
    EXPECT_EQ(parsed.Options.Jobs, 3);
    EXPECT_TRUE(parsed.Options.Quiet);
    EXPECT_EQ(parsed.Options.Inputs, (std::vector<std::string>{"a.wav", "-odd.wav"}));
}

TEST(CommandLineParser, ValuesOutsideTheTrackBarRangesAreBadUsageNamingTheRange) {
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"--tuning", "51", "a.wav"}, "--tuning must be a whole number from -50 to 50, not \"51\""},
        {{"--tuning=+-5", "a.wav"}, "--tuning must be a whole number from -50 to 50"},
        {{"--polyphony", "0", "a.wav"}, "--polyphony must be a whole number from 1 to 10"},
        {{"--chord", "101", "a.wav"}, "--chord must be a whole number from 0 to 100"},
        {{"--minimum", "1.5", "a.wav"}, "--minimum must be a whole number"},
        {{"--fluctuation", "", "a.wav"}, "--fluctuation must be a whole number"},
        {{"--jobs", "0", "a.wav"}, "--jobs must be a whole number from 1 to 64"},
        {{"--neighbour"}, "--neighbour needs a value"},
        {{"--frobnicate", "a.wav"}, "unknown option --frobnicate"},
        {{"--phase=1", "a.wav"}, "--phase takes no value"},
        {{"--key", "H major", "a.wav"}, "--key must be a key signature name"},
        {{}, "no input files"},
        {{"-q"}, "no input files"},
        {{"-o", "x.mid", "a.wav", "b.wav"}, "-o needs exactly one input file, not 2"},
        {{"-o", "x.mid", "-d", "out", "a.wav"}, "-o and -d cannot be used together"},
    };
    for (const auto& c : cases) {
        const auto parsed = Parse(c.args);
        EXPECT_EQ(parsed.UsageError.rfind(c.expected, 0), 0u)
            << "got \"" << parsed.UsageError << "\" for " << c.expected;
    }
}

TEST(CommandLineParser, HelpAndVersionWinOverEverythingAfterThem) {
    EXPECT_EQ(Parse({"--help", "--bogus"}).Options.Request, trx::CliOptions::Action::ShowHelp);
    EXPECT_EQ(Parse({"--version"}).Options.Request, trx::CliOptions::Action::ShowVersion);
    EXPECT_EQ(Parse({"--version"}).UsageError, "");
}

TEST(CommandLineParser, KeySignaturesByNameShortNameOrIndex) {
    EXPECT_EQ(trx::FindKeySignature("G major (1 sharp)"), 8);
    EXPECT_EQ(trx::FindKeySignature("g MAJOR"), 8);
    EXPECT_EQ(trx::FindKeySignature("a minor"), 22);
    EXPECT_EQ(trx::FindKeySignature("F# minor"), 25);
    EXPECT_EQ(trx::FindKeySignature("0"), 0);
    EXPECT_EQ(trx::FindKeySignature("29"), 29);
    EXPECT_FALSE(trx::FindKeySignature("30").has_value());
    EXPECT_FALSE(trx::FindKeySignature("-1").has_value());
    EXPECT_FALSE(trx::FindKeySignature("G").has_value());
}

class SettingsOptionTest : public ::testing::Test {
protected:
    std::string SettingsFile(const trx::ConversionSettings& settings) {
        const std::string path = dir_.File("saved.trs");
        trx::WriteSettingsFile(path, settings);
        return path;
    }
    trx::test::TempDir dir_;
};

TEST_F(SettingsOptionTest, LaterOptionsOverrideTheFileAndTheFileOverridesEarlierOnes) {
    trx::ConversionSettings saved;
    saved.Polyphony = 2;
    saved.ChordThreshold = 55;
    saved.PhaseAnalysis = true;
    saved.DrawSpectrum = true;
    const std::string path = SettingsFile(saved);

    auto parsed = Parse({"--polyphony", "9", "--settings", path, "--chord", "10", "a.wav"});
    ASSERT_EQ(parsed.UsageError, "");
    EXPECT_EQ(parsed.Options.Settings.Polyphony, 2);
    EXPECT_EQ(parsed.Options.Settings.ChordThreshold, 10);
    EXPECT_TRUE(parsed.Options.Settings.PhaseAnalysis);

    parsed = Parse({"--settings=" + path, "--no-phase", "a.wav"});
    EXPECT_FALSE(parsed.Options.Settings.PhaseAnalysis);
}

TEST_F(SettingsOptionTest, AShortOrMissingSettingsFileIsBadUsageWithTheWindowsText) {
    const std::string shortFile = dir_.File("short.trs");
    trx::test::WriteBytes(shortFile, std::vector<std::uint8_t>(24, 0));
    auto parsed = Parse({"--settings", shortFile, "a.wav"});
    EXPECT_EQ(parsed.UsageError,
              shortFile + ": Read beyond end of file occured in LoadSettingClick");

    parsed = Parse({"--settings", dir_.File("missing.trs"), "a.wav"});
    EXPECT_NE(parsed.UsageError.find("No such file or directory"), std::string::npos);
}

} // namespace
