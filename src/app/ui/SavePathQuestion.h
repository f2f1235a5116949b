#pragma once

#include "app/ui/ModalInteraction.h"

#include <QString>

#include <optional>

class QWidget;

namespace trx {

// Shows the save dialog until the user picks a path that is new, equal to
// current, or confirmed as to be replaced; nothing when the user cancels.
[[nodiscard]] std::optional<QString> AskSavePath(ModalInteraction& interaction, QWidget* owner,
                                                 FileDialog& dialog, const QString& current);

// The program's file dialogs with their filters and default extensions: the
// WAV file to open, the MIDI file to save, the settings file to open or save.
[[nodiscard]] FileDialog WavOpenDialog();
[[nodiscard]] FileDialog MidiSaveDialog();
[[nodiscard]] FileDialog SettingsDialog(bool open);

} // namespace trx
