#pragma once

namespace trx {

class MainWindowServices;

// The About command of the main window.
class AboutCommand {
public:
    // window must outlive the command.
    explicit AboutCommand(MainWindowServices& window)
        : window_(window) {}

    void Run();

private:
    MainWindowServices& window_;
};

} // namespace trx
