#pragma once

#include <string>

namespace trx {

// How long core routines report progress and learn that the user wants to
// stop. The window implements it with its status bar and progress window,
// the command line with a bar on standard error. Every member has a no-op
// default so a test can pass a plain ProgressReporter.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;

    virtual void SetStatusText(const std::string& /*text*/) {}
    // fraction in 0..1.
    virtual void SetProgress(double /*fraction*/) {}
    virtual void ResetProgress() {}
    // Abortable loops call this at each checkpoint, after SetProgress; the
    // window lets pending events run here. Returning false stops the loop.
    [[nodiscard]] virtual bool ContinueWork() { return true; }
};

} // namespace trx
