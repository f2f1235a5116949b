#pragma once

#include "app/ui/ModalInteraction.h"

#include <QStringList>

namespace trx {

// The program's real dialogs: QFileDialog, QMessageBox and QDialog::exec.
class QtModalInteraction : public ModalInteraction {
public:
    [[nodiscard]] bool RunOpenDialog(QWidget* owner, FileDialog& dialog) override;
    [[nodiscard]] bool RunSaveDialog(QWidget* owner, FileDialog& dialog) override;
    [[nodiscard]] QMessageBox::StandardButton Ask(QWidget* owner,
                                                  const MessageRequest& request) override;
    void Tell(QWidget* owner, const MessageRequest& request) override;
    int Exec(QDialog& dialog) override;

    // "WAV files|*.wav|All files|*.*" as the toolkit's name filters:
    // "WAV files (*.wav)", "All files (*)".
    [[nodiscard]] static QStringList ToNameFilters(const QString& filter);

private:
    [[nodiscard]] static bool RunFileDialog(QWidget* owner, FileDialog& dialog, bool save);
};

} // namespace trx
