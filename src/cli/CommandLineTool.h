#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

namespace trx {

// Where the tool writes and what it knows about the terminal.
struct ConsoleStreams {
    // --help and --version.
    std::ostream& Out;
    // Progress, per-file lines and errors.
    std::ostream& Err;
    // Err is a terminal: draw the progress bar.
    bool ErrIsTerminal = false;
    std::int32_t Columns = 80;
};

// Exit statuses of the tool.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFileFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs tremolundrix-cli with the arguments after the program name and
// returns its exit status.
[[nodiscard]] int RunCommandLine(std::span<const std::string> args, const ConsoleStreams& console);

} // namespace trx
