#include "app/ui/QtModalInteraction.h"

#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>

#include <vector>

namespace trx {
namespace {

// A question or message shown while a busy cursor is set (an open that
// fails during its conversion, say) waits for the user: show the normal
// pointer over it and put the busy cursor back afterwards.
class NormalCursorWhileModal {
public:
    NormalCursorWhileModal() {
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            saved_.push_back(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    NormalCursorWhileModal(const NormalCursorWhileModal&) = delete;
    NormalCursorWhileModal& operator=(const NormalCursorWhileModal&) = delete;
    ~NormalCursorWhileModal() {
        for (auto cursor = saved_.rbegin(); cursor != saved_.rend(); ++cursor)
            QGuiApplication::setOverrideCursor(*cursor);
    }

private:
    std::vector<QCursor> saved_;
};

} // namespace

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
    const NormalCursorWhileModal pointer;
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
    const NormalCursorWhileModal pointer;
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
    const NormalCursorWhileModal pointer;
    QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, owner);
    box.setTextFormat(Qt::PlainText); // texts from outside (the update server) are no markup
    box.exec();
}

int QtModalInteraction::Exec(QDialog& dialog) {
    const NormalCursorWhileModal pointer;
    return dialog.exec();
}

} // namespace trx
