#pragma once

namespace trx {

class MainWindowServices;

// The Auto tune command of the main window: finds the recording's tuning.
class AutoTuneCommand {
public:
    // window must outlive the command.
    explicit AutoTuneCommand(MainWindowServices& window)
        : window_(window) {}

    void Run();

private:
    MainWindowServices& window_;
};

} // namespace trx
