#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace trx {

// What a batch shows on standard error. On a terminal a one-line bar is
// redrawn in place with the share of the whole batch done and the stage of
// the file last heard from; finished-file lines and errors scroll above it.
// Safe to call from several worker threads.
class ConsoleReport {
public:
    // columns: the terminal's width, for cutting the bar line to fit.
    ConsoleReport(std::ostream& out, bool terminal, std::size_t fileCount,
                  std::int32_t columns = 80);
    ConsoleReport(const ConsoleReport&) = delete;
    ConsoleReport& operator=(const ConsoleReport&) = delete;
    ~ConsoleReport();

    // fraction: 0..1 of that file's whole conversion.
    void Update(std::size_t file, const std::string& name, const std::string& stage,
                double fraction);
    // Counts the file as done and prints line (when not empty) above the bar.
    void Finish(std::size_t file, const std::string& line);
    // Prints a result line on stream (standard output), clear of the bar.
    void Print(std::ostream& stream, const std::string& line);
    // Removes the bar; later lines print plainly.
    void Close();

private:
    void DrawBar();
    void ClearBar();

    std::ostream& out_;
    const bool terminal_;
    const std::int32_t columns_;
    std::mutex lock_;
    std::vector<double> fractions_;
    std::size_t finished_ = 0;
    std::string lastStage_;
    std::string drawn_;
    bool closed_ = false;
};

} // namespace trx
