#pragma once

#include "common/ProgressReporter.h"

#include <string>
#include <vector>

namespace trx::test {

// Records what a stage reports: its status texts, progress fractions and
// resets.
class RecordingProgress : public ProgressReporter {
public:
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void SetProgress(double fraction) override { fractions.push_back(fraction); }
    void ResetProgress() override { ++resets; }

    std::vector<std::string> statusTexts;
    std::vector<double> fractions;
    int resets = 0;
};

} // namespace trx::test
