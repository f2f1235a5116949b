#pragma once

namespace trx {

class MainWindowServices;
class TTuningForm;

// The Auto tune command of the main window: finds the recording's tuning.
class AutoTuneCommand {
public:
    // window must outlive the command.
    explicit AutoTuneCommand(MainWindowServices& window)
        : window_(window) {}

    // The tuning dialog made at start-up; none until then.
    void SetForm(TTuningForm* form) { form_ = form; }

    void Run();

private:
    MainWindowServices& window_;
    TTuningForm* form_ = nullptr;
};

} // namespace trx
