#pragma once

#include <string>

namespace trx {

// The outcome of reading a WAV file.
struct OpenResult {
    enum class Status {
        // The file is open and its SampleBuffer filled.
        Opened,
        // The file could not be opened or mapped: ErrorCode is the errno,
        // Message the system's text for it.
        SystemError,
        // A known cause with its fixed Message; the caller closes the file
        // (CloseDataFile) and shows the message.
        Failed,
    };
    Status Outcome = Status::Opened;
    std::string Message;
    int ErrorCode = 0;

    [[nodiscard]] bool Ok() const { return Outcome == Status::Opened; }
};

} // namespace trx
