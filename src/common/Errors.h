#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace trx {

// The one family of exceptions the core throws for unexpected failures.
// Failures with a known cause are returned as results with their fixed text.
class TremolundrixError : public std::runtime_error {
public:
    explicit TremolundrixError(const std::string& message, std::string fileName = {})
        : std::runtime_error(message)
        , fileName_(std::move(fileName)) {}
    // The file the failure concerns; empty when none.
    [[nodiscard]] const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

// A failed system call: the message is the system's text for errno.
class SystemError : public TremolundrixError {
public:
    SystemError(int errorCode, const std::string& fileName = {});
    [[nodiscard]] int Code() const { return code_; }

private:
    int code_;
};

// The report of an unexpected failure in a routine, as the window, the core
// and the command line show it: "Disk full occured in SaveMidiFile".
[[nodiscard]] std::string OccurredIn(std::string_view message, std::string_view routine);

// Runs work; returns empty, or the report of the exception it raised under
// the routine's name.
template <typename Work>
[[nodiscard]] std::string ReportFailure(std::string_view routine, Work&& work) {
    try {
        std::forward<Work>(work)();
    } catch (const std::exception& e) {
        return OccurredIn(e.what(), routine);
    }
    return {};
}

} // namespace trx
