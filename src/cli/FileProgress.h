#pragma once

#include "cli/ConsoleReport.h"
#include "common/ProgressReporter.h"

#include <cstddef>
#include <string>

namespace trx {

// The progress of one file's conversion, passed on to the batch's console
// report as one fraction of the whole conversion: the analysis takes the
// first 90 percent, the filtering the rest; a tuning search after them
// shows its stage at the end of the bar.
class FileProgress : public ProgressReporter {
public:
    FileProgress(ConsoleReport& report, std::size_t file, std::string name);

    void SetStatusText(const std::string& text) override;
    void SetProgress(double fraction) override;

private:
    ConsoleReport& report_;
    std::size_t file_;
    std::string name_;
    std::string stage_;
    bool filtering_ = false;
    bool searching_ = false;
};

} // namespace trx
