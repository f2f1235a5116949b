#pragma once

namespace trx {

class MainWindowServices;
class TTuningForm;

// The Auto tune command of the main window: finds the tuning of the last
// conversion, lets the user confirm or move it in the tuning dialog, applies
// it to the window's tuning control and offers to convert again.
class AutoTuneCommand {
public:
    // window must outlive the command.
    explicit AutoTuneCommand(MainWindowServices& window)
        : window_(window) {}

    // The tuning dialog made at start-up; without one the command makes its
    // own on first use.
    void SetForm(TTuningForm* form) { form_ = form; }

    void Run();

private:
    // The search on the session's note map and samples, then the dialog
    // run modally; the offset accepted, or kNoTuning (-99) when there was
    // no candidate, the dialog was cancelled or the search failed (reported
    // under "FindOptimalTuning").
    int FindOptimalTuning();

    MainWindowServices& window_;
    TTuningForm* form_ = nullptr;
};

} // namespace trx
