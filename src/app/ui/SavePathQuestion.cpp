#include "app/ui/SavePathQuestion.h"

#include <QFileInfo>

namespace trx {

std::optional<QString> AskSavePath(ModalInteraction& interaction, QWidget* owner,
                                   FileDialog& dialog, const QString& current) {
    for (;;) {
        if (!interaction.RunSaveDialog(owner, dialog)) {
            return std::nullopt;
        }
        const QString path = dialog.FileName;
        // Writing the current file again asks nothing.
        if (path == current || !QFileInfo::exists(path)) {
            return path;
        }
        const QMessageBox::StandardButton answer =
            interaction.Ask(owner, {"File already exists. Overwrite?", "Tremolundrix",
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                    QMessageBox::Question});
        if (answer == QMessageBox::Yes) {
            return path;
        }
        if (answer != QMessageBox::No) {
            return std::nullopt;
        }
    }
}

FileDialog WavOpenDialog() {
    FileDialog dialog;
    dialog.Filter = "WAV files|*.wav|All files|*.*";
    dialog.DefaultExt = ".wav";
    dialog.FileMustExist = true;
    return dialog;
}

FileDialog MidiSaveDialog() {
    FileDialog dialog;
    dialog.Filter = "MIDI files|*.mid;*.mdi;*.midi|All files|*.*";
    dialog.DefaultExt = ".mid";
    return dialog;
}

FileDialog SettingsDialog(bool open) {
    FileDialog dialog;
    dialog.Filter = "Tremolundrix Settings Files|*.trs|All files|*.*";
    dialog.DefaultExt = ".trs";
    dialog.FileMustExist = open;
    return dialog;
}

} // namespace trx
