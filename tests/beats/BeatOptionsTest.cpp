#include "cli/CommandLineParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

trx::ParsedCommandLine Parse(std::vector<std::string> args) {
    return trx::ParseCommandLine(args, trx::LoadSettingsFile);
}

TEST(BeatOptions, TempoAndQuantiseAreReadAndBadValuesAreUsageErrors) {
    EXPECT_FALSE(Parse({"a.wav"}).Options.Tempo.has_value());
    EXPECT_EQ(Parse({"--tempo", "AUTO", "a.wav"}).Options.Tempo, 0.0);
    EXPECT_EQ(Parse({"--tempo=137.5", "a.wav"}).Options.Tempo, 137.5);
    // Quantising needs a grid: the tracked one unless a tempo is given.
    const auto quantised = Parse({"--quantise", "1/16", "a.wav"});
    EXPECT_EQ(quantised.Options.Quantise, 16);
    EXPECT_EQ(quantised.Options.Tempo, 0.0);
    EXPECT_EQ(Parse({"--tempo", "90", "--quantise=1/32", "a.wav"}).Options.Tempo, 90.0);
    for (const char* bad : {"39.9", "241", "fast", ""})
        EXPECT_NE(Parse({"--tempo", bad, "a.wav"}).UsageError.find("--tempo must be"),
                  std::string::npos)
            << bad;
    for (const char* bad : {"1/4", "16", "1/64"})
        EXPECT_NE(Parse({"--quantise", bad, "a.wav"}).UsageError.find("--quantise must be"),
                  std::string::npos)
            << bad;
    EXPECT_EQ(Parse({"a.wav", "--tempo"}).UsageError, "--tempo needs a value");
}

} // namespace
