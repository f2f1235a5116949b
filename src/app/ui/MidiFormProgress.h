#pragma once

#include "common/ProgressReporter.h"

namespace trx {

class TMidiForm;

// Long core routines report to the main window through this: the status
// text and bar go to its status bar, and at each checkpoint pending events
// run (repaints, the Abort button) before the progress window's flag is read.
class MidiFormProgress : public ProgressReporter {
public:
    explicit MidiFormProgress(TMidiForm& form)
        : form_(form) {}

    void SetStatusText(const std::string& text) override;
    void SetProgress(double fraction) override;
    void ResetProgress() override;
    [[nodiscard]] bool ContinueWork() override;

private:
    TMidiForm& form_;
};

} // namespace trx
