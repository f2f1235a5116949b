#pragma once

namespace trx {

class MainWindowServices;

// The Edit command of the main window: the note editor on the result.
class EditCommand {
public:
    // window must outlive the command.
    explicit EditCommand(MainWindowServices& window)
        : window_(window) {}

    void Run();

private:
    MainWindowServices& window_;
};

} // namespace trx
