#include "cli/OutputPlan.h"

#include "support/TestWav.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class OutputPlanTest : public ::testing::Test {
protected:
    std::string Touch(const std::string& name) {
        const std::string path = dir_.File(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        trx::test::WriteBytes(path, {1});
        return path;
    }
    trx::test::TempDir dir_;
};

TEST_F(OutputPlanTest, OutputDirectoryTakesEveryFileName) {
    trx::CliOptions options;
    options.Inputs = {Touch("a/one.wav"), Touch("b/two.wav")};
    options.OutputDirectory = dir_.File("out");
    options.ExportDirectory = dir_.File("maps");
    const auto plans = trx::PlanOutputs(options);
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0].MidiPath, dir_.File("out/one.mid"));
    EXPECT_EQ(plans[1].MidiPath, dir_.File("out/two.mid"));
    EXPECT_EQ(plans[0].ExportDirectory, dir_.File("maps/one"));
    EXPECT_EQ(plans[1].ExportDirectory, dir_.File("maps/two"));
    EXPECT_TRUE(plans[0].Refusal.empty());
    EXPECT_TRUE(plans[1].Refusal.empty());
}

TEST_F(OutputPlanTest, AnOutputThatIsAnInputUnderAnotherSpellingIsRefused) {
    trx::CliOptions options;
    const std::string input = Touch("sub/song.wav");
    options.Inputs = {input};
    options.OutputFile = dir_.File("sub/../sub/./song.wav");
    EXPECT_FALSE(trx::PlanOutputs(options)[0].Refusal.empty());

    std::filesystem::create_symlink(input, dir_.File("link.mid"));
    options.OutputFile = dir_.File("link.mid");
    EXPECT_FALSE(trx::PlanOutputs(options)[0].Refusal.empty());
}

TEST_F(OutputPlanTest, AWaveNamedLikeAnotherInputsOutputIsNeverOverwritten) {
    trx::CliOptions options;
    // take.mid is a recording despite its name; take.wav would be written to it.
    options.Inputs = {Touch("take.wav"), Touch("take.mid")};
    const auto plans = trx::PlanOutputs(options);
    EXPECT_NE(plans[0].Refusal.find("take.mid"), std::string::npos);
    EXPECT_FALSE(plans[1].Refusal.empty());
}

TEST_F(OutputPlanTest, TwoInputsWithOneOutputNameConvertOnlyTheFirst) {
    trx::CliOptions options;
    options.Inputs = {Touch("a/song.wav"), Touch("b/song.wav")};
    options.OutputDirectory = dir_.File("out");
    const auto plans = trx::PlanOutputs(options);
    EXPECT_TRUE(plans[0].Refusal.empty());
    EXPECT_NE(plans[1].Refusal.find("a/song.wav"), std::string::npos);
}

} // namespace
