#include "tuning/ui/AutoTuneCommand.h"

#include "app/ConversionSession.h"
#include "app/ui/MainWindowServices.h"
#include "app/ui/ModalInteraction.h"
#include "tuning/TuningSearch.h"
#include "tuning/ui/TTuningForm.h"

namespace trx {

namespace {

// The search's status texts and progress on the main window's status bar.
class WindowProgress : public ProgressReporter {
public:
    explicit WindowProgress(MainWindowServices& window)
        : window_(window) {}

    void SetStatusText(const std::string& text) override {
        window_.SetStatusText(QString::fromStdString(text));
    }
    void SetProgress(double fraction) override { window_.SetProgress(fraction); }

private:
    MainWindowServices& window_;
};

} // namespace

int AutoTuneCommand::FindOptimalTuning() {
    int chosen = kNoTuning;
    RunReported(window_, "FindOptimalTuning", [&] {
        const WorkingState& state = window_.Session().State;
        WindowProgress progress(window_);
        // Without a sound file every slice reads as silence, which leaves no
        // usable note: the message below, not a failure.
        const TuningSearchResult search = trx::FindOptimalTuning(
            state.NoteMap, state.NoteMapMaximum, state.Sound.Buffer, progress);
        if (!search.SingleNotesFailure.empty())
            window_.ReportError(QString::fromStdString(search.SingleNotesFailure),
                                "FindSingleNotes");
        if (!search.Succeeded()) {
            window_.Interaction().Tell(&window_.Window(),
                                       {QString::fromStdString(search.Message), "Tremolundrix",
                                        QMessageBox::Ok, QMessageBox::NoIcon});
            return;
        }
        if (form_ == nullptr)
            form_ = new TTuningForm(&window_.Window());
        form_->ShowSearchResult(search);
        chosen = form_->ChosenOffset(window_.Interaction().Exec(*form_));
    });
    return chosen;
}

void AutoTuneCommand::Run() {
    window_.SetStatusText("Analysing tuning");
    const int cents = FindOptimalTuning();
    window_.ShowAutoTuneReleased();
    window_.ResetProgress();
    if (cents == kNoTuning)
        return;
    window_.SetTuning(cents);
    const QMessageBox::StandardButton answer = window_.Interaction().Ask(
        &window_.Window(), {"Reconvert music to account for new tuning?", "Tremolundrix",
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::Question});
    if (answer == QMessageBox::Yes)
        window_.ConvertAgain();
}

} // namespace trx
