#include "app/ui/QtModalInteraction.h"

#include <QDialog>
#include <QFileDialog>

namespace trx {

QStringList QtModalInteraction::ToNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            // "*.*" means every file, also those without an extension.
            if (pattern == "*.*") {
                pattern = "*";
            }
        }
        result.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(' ')));
    }
    return result;
}

bool QtModalInteraction::RunFileDialog(QWidget* owner, FileDialog& dialog, bool save) {
    QFileDialog box(owner, dialog.Title);
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(save || !dialog.FileMustExist ? QFileDialog::AnyFile
                                                  : QFileDialog::ExistingFile);
    box.setOption(QFileDialog::DontConfirmOverwrite, !dialog.OverwritePrompt);
    const QStringList filters = ToNameFilters(dialog.Filter);
    if (!filters.isEmpty()) {
        box.setNameFilters(filters);
    }
    box.setDefaultSuffix(dialog.DefaultExt.startsWith('.') ? dialog.DefaultExt.mid(1)
                                                           : dialog.DefaultExt);
    if (!dialog.InitialDir.isEmpty()) {
        box.setDirectory(dialog.InitialDir);
    }
    if (!dialog.FileName.isEmpty()) {
        box.selectFile(dialog.FileName);
    }
    if (box.exec() != QDialog::Accepted) {
        return false;
    }
    const QStringList chosen = box.selectedFiles();
    if (chosen.isEmpty()) {
        return false;
    }
    dialog.FileName = chosen.front();
    return true;
}

bool QtModalInteraction::RunOpenDialog(QWidget* owner, FileDialog& dialog) {
    return RunFileDialog(owner, dialog, false);
}

bool QtModalInteraction::RunSaveDialog(QWidget* owner, FileDialog& dialog) {
    return RunFileDialog(owner, dialog, true);
}

QMessageBox::StandardButton QtModalInteraction::Ask(QWidget* owner, const MessageRequest& request) {
    QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, owner);
    const int answer = box.exec();
    const auto button = static_cast<QMessageBox::StandardButton>(answer);
    if (!request.Buttons.testFlag(button)) {
        return request.Buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                                                             : QMessageBox::NoButton;
    }
    return button;
}

void QtModalInteraction::Tell(QWidget* owner, const MessageRequest& request) {
    QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, owner);
    box.exec();
}

int QtModalInteraction::Exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace trx
