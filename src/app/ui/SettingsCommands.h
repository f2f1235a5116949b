#pragma once

#include "app/ui/ModalInteraction.h"

#include <QString>

namespace trx {

class MainWindowServices;
struct MidiFormWidgets;

// Save Settings and Load Settings: the ten parameters of the main window's
// controls to and from a settings file.
class SettingsCommands {
public:
    // Everything given must outlive the commands.
    SettingsCommands(MainWindowServices& window, MidiFormWidgets& widgets, FileDialog& openDialog,
                     FileDialog& saveDialog);

    void Save();
    void Load();

private:
    // Moves each value of the file through its control.
    void ApplySettingsFile(const QString& path);

    MainWindowServices& window_;
    MidiFormWidgets& widgets_;
    FileDialog& openDialog_;
    FileDialog& saveDialog_;
};

} // namespace trx
