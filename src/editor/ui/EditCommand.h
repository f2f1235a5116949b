#pragma once

namespace trx {

class MainWindowServices;
class TEditorForm;

// The Edit command of the main window: the note editor on the result.
class EditCommand {
public:
    // window must outlive the command.
    explicit EditCommand(MainWindowServices& window)
        : window_(window) {}

    // The editor made at start-up; none until then.
    void SetForm(TEditorForm* form) { form_ = form; }

    void Run();

private:
    MainWindowServices& window_;
    TEditorForm* form_ = nullptr;
};

} // namespace trx
