#include "cli/ConsoleReport.h"

#include <algorithm>
#include <cmath>

namespace trx {

namespace {
constexpr std::int32_t kBarWidth = 30;
}

ConsoleReport::ConsoleReport(std::ostream& out, bool terminal, std::size_t fileCount,
                             std::int32_t columns)
    : out_(out)
    , terminal_(terminal)
    , columns_(std::max<std::int32_t>(columns, 20))
    , fractions_(fileCount, 0.0) {}

ConsoleReport::~ConsoleReport() {
    Close();
}

void ConsoleReport::Update(std::size_t file, const std::string& name, const std::string& stage,
                           double fraction) {
    if (!terminal_)
        return;
    const std::lock_guard guard(lock_);
    if (closed_ || file >= fractions_.size() || fractions_[file] < 0.0)
        return;
    fractions_[file] = std::clamp(fraction, 0.0, 1.0);
    lastStage_ = stage.empty() ? name : name + ": " + stage;
    DrawBar();
}

void ConsoleReport::Finish(std::size_t file, const std::string& line) {
    const std::lock_guard guard(lock_);
    if (file < fractions_.size() && fractions_[file] >= 0.0) {
        fractions_[file] = -1.0;
        ++finished_;
    }
    if (terminal_ && !closed_)
        ClearBar();
    if (!line.empty())
        out_ << line << '\n';
    if (terminal_ && !closed_ && finished_ < fractions_.size())
        DrawBar();
    out_.flush();
}

void ConsoleReport::Print(std::ostream& stream, const std::string& line) {
    const std::lock_guard guard(lock_);
    const bool bar = terminal_ && !closed_ && !drawn_.empty();
    if (bar) {
        ClearBar();
        out_.flush();
    }
    stream << line << '\n';
    stream.flush();
    if (bar)
        DrawBar();
}

void ConsoleReport::Close() {
    const std::lock_guard guard(lock_);
    if (terminal_ && !closed_)
        ClearBar();
    closed_ = true;
    out_.flush();
}

void ConsoleReport::DrawBar() {
    double done = static_cast<double>(finished_);
    for (const double fraction : fractions_)
        if (fraction > 0.0)
            done += fraction;
    const double share = fractions_.empty() ? 1.0 : done / static_cast<double>(fractions_.size());
    const auto filled = static_cast<std::int32_t>(std::floor(share * kBarWidth));

    std::string line;
    line.reserve(static_cast<std::size_t>(columns_) + 16);
    line.push_back('[');
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    line.append("] ");
    const std::string percent = std::to_string(static_cast<int>(std::floor(share * 100.0)));
    line.append(3 - std::min<std::size_t>(percent.size(), 3), ' ');
    line.append(percent);
    line.push_back('%');
    if (fractions_.size() > 1) {
        line.append("  ");
        line.append(std::to_string(finished_));
        line.push_back('/');
        line.append(std::to_string(fractions_.size()));
    }
    line.append("  ");
    line.append(lastStage_);
    if (line.size() >= static_cast<std::size_t>(columns_))
        line.resize(static_cast<std::size_t>(columns_ - 1));
    if (line == drawn_)
        return;
    out_ << '\r' << line << "\x1b[K";
    out_.flush();
    drawn_ = line;
}

void ConsoleReport::ClearBar() {
    if (drawn_.empty())
        return;
    out_ << "\r\x1b[K";
    drawn_.clear();
}

} // namespace trx
