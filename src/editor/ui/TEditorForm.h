#pragma once

#include "editor/NoteListHistory.h"
#include "editor/NoteZone.h"
#include "editor/PointerPosition.h"
#include "editor/ui/EditorWidgets.h"

#include <QDialog>

#include <cstdint>

class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace trx {

class MainWindowServices;
class TMidiNote;
class TMidiNotes;

// The note editor ("Midi note editor"): the note list as a piano roll beside
// a keyboard, the velocities in a strip below with the recording's beat
// envelope, the key signature list. Notes are moved in time or pitch,
// lengthened, shortened and deleted with the mouse and the keyboard; every
// such edit can be undone and redone until the editor closes. Created once
// and kept; each opening works on the note list of the session it is
// prepared for.
//
//   form.SetSliceRange(state.SliceCount());
//   CreateNoteList(...);
//   form.PrepareEditing(window);
//   window.Interaction().Exec(form);
class TEditorForm : public QDialog {
    Q_OBJECT

public:
    explicit TEditorForm(QWidget* parent = nullptr);

    // TimePosition runs from slice 0 to sliceCount; its page follows the
    // view's width over the recording's.
    void SetSliceRange(std::int32_t sliceCount);
    // The preparation of every opening, on the note list of window's
    // session, already built: nothing of an earlier opening is left (the
    // note under the pointer, a drag, its preview bar, the undo steps); the
    // key list shows the session's key; then UpdateVisibleRange, DragMode
    // 0 and EstimateKey. window must outlive the editor.
    void PrepareEditing(MainWindowServices& window);

    // The slices both views show, from TimePosition's position on.
    void UpdateVisibleRange();
    // Scores the 30 keys against the notes, shows each score in its entry
    // and selects the best key when none is selected; nothing for an empty
    // list.
    void EstimateKey();
    // Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y. Not while a drag is in progress.
    void Undo();
    void Redo();

    void TimePositionChange();
    void ScrollBox1Resize();
    void CloseBtnClick();
    void BeatsBtnClick();
    void KeyComboChange(int index);
    // Delete or Backspace delete the selected note; true when the key was an
    // undo or redo, which no control should see.
    bool FormKeyDown(const QKeyEvent& event);

    void NotesPBMouseMove(QPoint at);
    void NotesPBMouseDown(const QMouseEvent& event);
    void NotesPBMouseUp(QPoint at);

    // 0 none, 1 time move, 2 pitch move, 3 length change.
    [[nodiscard]] NoteZone DragMode() const { return dragMode_; }
    [[nodiscard]] const TMidiNote* HoverNote() const { return hoverNote_; }
    [[nodiscard]] std::int32_t FirstVisibleSlice() const { return firstVisibleSlice_; }
    [[nodiscard]] std::int32_t LastVisibleSlice() const { return lastVisibleSlice_; }

protected:
    // Paints and pointer events of the piano roll, resizes of the views,
    // and the keys of the controls before they see them.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] TMidiNotes* Notes() const;
    [[nodiscard]] std::int32_t SliceCount() const;
    void NotesPBPaint(QPainter& canvas);
    void AmpsPBPaint(QPainter& canvas);
    void RepaintViews();
    void ShowBeatMemoryMessage();
    void DeleteSelectedNote();
    // After the list was replaced by an undo step: nothing points into it.
    void AfterRestore();
    void ResetPointerState();

    // The pointer at a piano-roll position, clamped into the roll first.
    [[nodiscard]] PointerPosition Pointer(QPoint at) const;
    void PlaceMarker(const PointerPosition& pointer);
    void SetHoverCursor();
    void DrawGhost(int x, int y, int width);
    void EraseGhost();
    // The slice under the press that started the drag.
    [[nodiscard]] std::int32_t PressSlice() const;
    // Where the dragged note lands: moved by the slices the pointer
    // travelled, as its preview shows, and kept inside the map.
    [[nodiscard]] std::int32_t DroppedStart(const PointerPosition& pointer) const;
    [[nodiscard]] std::int16_t DroppedNote(const PointerPosition& pointer) const;
    void DropNote(const PointerPosition& pointer);

    EditorWidgets ui_;
    MainWindowServices* window_ = nullptr;
    NoteListHistory history_;
    std::int32_t sliceCount_ = 0;
    // TimePosition's large step, a quarter of its page.
    int largeStep_ = 5;
    bool beatMessagePending_ = false;

    std::int32_t firstVisibleSlice_ = 0;
    std::int32_t lastVisibleSlice_ = 0;
    // Snapped x of the press that started the drag.
    std::int32_t dragStartX_ = 0;
    NoteZone dragMode_ = NoteZone::None;
    NoteZone hoverZone_ = NoteZone::None;
    // A note of the current list, or none; never kept across an opening or
    // a change of the list.
    TMidiNote* hoverNote_ = nullptr;
};

} // namespace trx
