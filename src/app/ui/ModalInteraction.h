#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

namespace trx {

// A file dialog that keeps its settings between runs, like the program's
// OpenDialog1 and SaveDialog1: the last chosen path stays in FileName.
struct FileDialog {
    // Empty: the toolkit's own title ("Open", "Save As").
    QString Title;
    // Pairs of description and patterns, all separated by "|", patterns of
    // one pair by ";": "MIDI files|*.mid;*.midi|All files|*.*".
    QString Filter;
    // Appended when the user types a name without extension (".wav").
    QString DefaultExt;
    QString InitialDir;
    QString FileName;
    // Open dialogs: the chosen path and file must exist.
    bool FileMustExist = false;
    // Save dialogs: the toolkit asks before replacing a file. The program
    // asks its own question, so this stays off.
    bool OverwritePrompt = false;
};

// A message box: text, caption, buttons and icon.
struct MessageRequest {
    QString Text;
    QString Caption;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Every file dialog, message box, question and modal window of the program
// goes through this, so that tests can answer them without a screen.
class ModalInteraction {
public:
    virtual ~ModalInteraction() = default;

    // Runs an open dialog; true when the user chose a file, whose path is
    // then in dialog.FileName.
    [[nodiscard]] virtual bool RunOpenDialog(QWidget* owner, FileDialog& dialog) = 0;
    // Runs a save dialog; true when the user chose a path, then in
    // dialog.FileName.
    [[nodiscard]] virtual bool RunSaveDialog(QWidget* owner, FileDialog& dialog) = 0;
    // A question; the answer is one of request.Buttons, or Cancel when the
    // box is closed otherwise and Cancel is among them.
    [[nodiscard]] virtual QMessageBox::StandardButton Ask(QWidget* owner,
                                                          const MessageRequest& request) = 0;
    // A message the user can only acknowledge. No owner: the box belongs to
    // no window of the program (system error texts).
    virtual void Tell(QWidget* owner, const MessageRequest& request) = 0;
    // Shows a dialog of the program modally; returns its result
    // (QDialog::Accepted, QDialog::Rejected or the code it was done with).
    virtual int Exec(QDialog& dialog) = 0;
};

} // namespace trx
