#include "editor/ui/EditCommand.h"

#include "app/ConversionSession.h"
#include "app/ui/MainWindowServices.h"
#include "app/ui/ModalInteraction.h"
#include "editor/ui/TEditorForm.h"
#include "notes/NoteList.h"

namespace trx {

void EditCommand::Run() {
    if (form_ == nullptr)
        return;
    TEditorForm& form = *form_;
    ConversionSession& session = window_.Session();
    WorkingState& state = session.State;

    // A list that could not be built is not written back: the map would
    // lose the notes missing from it.
    const bool built = RunReported(window_, "EditNotes", [&] {
        form.SetSliceRange(state.SliceCount());
        CreateNoteList(state.NoteMap, state.NoteMapMaximum, session.AnalysedFirstNoteBin,
                       state.MidiNotes);
    });
    if (!built)
        return;
    RunReported(window_, "EditNotes", [&] {
        form.PrepareEditing(window_);
        // Close, Escape and the title-bar button all end here.
        window_.Interaction().Exec(form);
    });
    RunReported(window_, "WriteNotesToMap", [&] {
        WriteNotesToMap(state.MidiNotes, window_.CurrentSettings().LoudStart,
                        session.AnalysedFirstNoteBin, state.NoteMap, state.NoteMapMaximum);
    });
    RunReported(window_, "DrawNoteMap", [&] { window_.DrawNoteMap(); });
}

} // namespace trx
