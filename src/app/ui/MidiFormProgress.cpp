#include "app/ui/MidiFormProgress.h"

#include "app/ui/TAbortForm.h"
#include "app/ui/TMidiForm.h"

#include <QCoreApplication>

namespace trx {

void MidiFormProgress::SetStatusText(const std::string& text) {
    form_.SetStatusText(QString::fromStdString(text));
}

void MidiFormProgress::SetProgress(double fraction) {
    form_.SetProgress(fraction);
}

void MidiFormProgress::ResetProgress() {
    form_.ResetProgress();
}

bool MidiFormProgress::ContinueWork() {
    QCoreApplication::processEvents();
    return !form_.AbortForm().Aborted();
}

} // namespace trx
