#include "app/ui/MidiFormProgress.h"
#include "app/ui/TMidiForm.h"

// Midi > Accurate Engine: the choice, kept in the per-user store, and the
// conversion stage it selects.
namespace trx {

void TMidiForm::TranscribeAccurately() {
    const bool done = Guarded("AccurateEngine", [this] {
        MidiFormProgress progress(*this);
        (void)session_.Transcribe(progress);
        ResetProgress();
        DrawNoteMap();
        SetStatusText("Note map by the accurate engine");
    });
    if (!done) {
        ResetProgress();
    }
}

void TMidiForm::AccurateEngineClick() {
    const bool accurate = ui_.AccurateEngine1->isChecked();
    session_.Engine = accurate ? TranscriptionEngine::Accurate : TranscriptionEngine::Classic;
    WriteRegString("Accurate Engine", accurate ? "1" : "0");
}

void TMidiForm::RestoreEngineChoice() {
    const bool accurate = ReadRegString("Accurate Engine") == "1";
    ui_.AccurateEngine1->setChecked(accurate);
    session_.Engine = accurate ? TranscriptionEngine::Accurate : TranscriptionEngine::Classic;
}

} // namespace trx
