#include "cli/FileProgress.h"

#include <utility>

namespace trx {

namespace {
// Share of a file's conversion time spent analysing (the benchmark puts the
// filtering and saving well under a tenth of it).
constexpr double kAnalysisShare = 0.9;
} // namespace

FileProgress::FileProgress(ConsoleReport& report, std::size_t file, std::string name)
    : report_(report)
    , file_(file)
    , name_(std::move(name)) {}

void FileProgress::SetStatusText(const std::string& text) {
    if (text.empty())
        return;
    stage_ = text;
    filtering_ = text == "Filtering midi sections";
    // The tuning search follows the conversion and takes a small part of
    // its time.
    searching_ = text == "Finding single notes" || text == "Analysing notes";
    report_.Update(file_, name_, stage_, searching_ ? 1.0 : filtering_ ? kAnalysisShare : 0.0);
}

void FileProgress::SetProgress(double fraction) {
    const double overall = searching_   ? 1.0
                           : filtering_ ? kAnalysisShare + (1.0 - kAnalysisShare) * fraction
                                        : kAnalysisShare * fraction;
    report_.Update(file_, name_, stage_, overall);
}

} // namespace trx
