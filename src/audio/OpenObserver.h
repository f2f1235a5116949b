#pragma once

#include <string>

namespace trx {

// Moments of reading a WAV file the window reacts to. Both have no-op
// defaults, so a plain OpenObserver will do where nothing is shown.
class OpenObserver {
public:
    virtual ~OpenObserver();

    // The file's size is known and its contents are not yet checked (the
    // window sets its caption here).
    virtual void FileSizeKnown(const std::string& /*fileNameWithoutFolder*/) {}
    // A converter was found and the conversion begins (the busy cursor).
    virtual void ConversionStarted() {}
};

} // namespace trx
