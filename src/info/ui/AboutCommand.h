#pragma once

#include <QPointer>

namespace trx {

class MainWindowServices;
class TAboutBox;
class TVersionDM;

// The About command of the main window: the about box with the version and
// the home page the start-up check has found.
class AboutCommand {
public:
    // window must outlive the command.
    explicit AboutCommand(MainWindowServices& window)
        : window_(window) {}

    // The box and the check created at start-up; without them the box is
    // made on first use and shows the built-in home page.
    void SetWindows(TAboutBox* box, TVersionDM* versionCheck);
    void Run();

private:
    MainWindowServices& window_;
    QPointer<TAboutBox> box_;
    QPointer<TVersionDM> versionCheck_;
};

} // namespace trx
