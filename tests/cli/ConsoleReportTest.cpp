#include "cli/ConsoleReport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ConsoleReport, OnATerminalTheBarShowsTheBatchShareAndIsClearedAtTheEnd) {
    std::ostringstream out;
    trx::ConsoleReport report(out, true, 2);
    report.Update(0, "a.wav", "Analysing waveform", 0.5);
    EXPECT_NE(out.str().find(" 25%  0/2  a.wav: Analysing waveform"), std::string::npos);
    report.Finish(0, "a.wav -> a.mid");
    report.Update(1, "b.wav", "Filtering midi sections", 1.0);
    EXPECT_NE(out.str().find("[##############################] 100%  1/2"), std::string::npos);
    report.Close();
    const std::string text = out.str();
    EXPECT_EQ(text.substr(text.size() - 4), "\r\x1b[K");
    EXPECT_NE(text.find("\r\x1b[Ka.wav -> a.mid\n"), std::string::npos);
}

} // namespace
