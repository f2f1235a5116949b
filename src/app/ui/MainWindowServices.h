#pragma once

#include "common/ConversionSettings.h"

#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace trx {

class ConversionSession;
class ModalInteraction;

// What the commands of the features (playback, editor, auto-tune, about and
// version check) may ask of the main window. The window implements it; a
// command object is given it at construction.
class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    // The window, as the owner of dialogs and the context of queued events.
    [[nodiscard]] virtual QWidget& Window() = 0;
    [[nodiscard]] virtual ConversionSession& Session() = 0;
    [[nodiscard]] virtual ModalInteraction& Interaction() const = 0;

    // Shows the error dialog: message, " occured in ", routine.
    virtual void ReportError(const QString& message, const QString& routine) = 0;
    // The system's text for an errno value.
    virtual void ShowSystemError(int errorCode) = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // fraction in 0..1.
    virtual void SetProgress(double fraction) = 0;
    virtual void ResetProgress() = 0;

    // Runs exactly what the Convert command runs.
    virtual void ConvertAgain() = 0;
    // Moves the tuning control to cents and applies it as its change
    // handler does, also when it already stands there.
    virtual void SetTuning(int cents) = 0;
    // Writes the result to path as the Save command does; true when written.
    [[nodiscard]] virtual bool SaveMidiFile(const QString& path) = 0;
    // Redraws the note map picture; the result then counts as unsaved.
    virtual void DrawNoteMap() = 0;
    // The conversion parameters as the controls hold them now.
    [[nodiscard]] virtual ConversionSettings CurrentSettings() const = 0;
    // Shows StopBtn over PlayBtn, or hides it.
    virtual void SetStopShown(bool shown) = 0;
    // Shows AutoTuneBtn released (not down) and repaints it.
    virtual void ShowAutoTuneReleased() = 0;
};

// Runs work; an exception it raises is reported under the routine's name
// and ends the command. True when work ran to its end.
template <typename Work>
bool RunReported(MainWindowServices& window, const QString& routine, Work&& work) {
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const std::exception& error) {
        window.ReportError(QString::fromUtf8(error.what()), routine);
        return false;
    }
}

} // namespace trx
