// The pointer on the piano roll: what lies under it, and the drags that move
// a note in time or pitch or change its length.

#include "app/ConversionSession.h"
#include "app/ui/MainWindowServices.h"
#include "editor/EditConfinement.h"
#include "editor/HoverTarget.h"
#include "editor/NoteRows.h"
#include "editor/TimeAxis.h"
#include "editor/ui/TEditorForm.h"
#include "editor/ui/TPianoRoll.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace trx {
namespace {

[[nodiscard]] std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Only the left button with no modifier drags; anything else selects.
[[nodiscard]] bool StartsDrag(const QMouseEvent& event) {
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return event.type() == QEvent::MouseButtonPress && event.button() == Qt::LeftButton &&
           event.buttons() == Qt::LeftButton && modifiers == Qt::NoModifier;
}

} // namespace

PointerPosition TEditorForm::Pointer(QPoint at) const {
    const QPoint inside = ui_.NotesPB->Clamped(at);
    return DerivePointer(inside.x(), inside.y(), ui_.TimePosition->value());
}

void TEditorForm::PlaceMarker(const PointerPosition& pointer) {
    ui_.Marker->move(MarkerLeft(pointer.Row), pointer.RowY - kMarkerAboveRow);
}

void TEditorForm::SetHoverCursor() {
    switch (hoverZone_) {
    case NoteZone::TimeMove:
    case NoteZone::LengthChange:
        ui_.NotesPB->setCursor(Qt::SizeHorCursor);
        break;
    case NoteZone::PitchMove:
        ui_.NotesPB->setCursor(Qt::SizeVerCursor);
        break;
    case NoteZone::None:
        ui_.NotesPB->setCursor(Qt::ArrowCursor);
        break;
    }
}

void TEditorForm::DrawGhost(int x, int y, int width) {
    ui_.NotesPB->DrawGhost(x, y, width);
}

void TEditorForm::EraseGhost() {
    ui_.NotesPB->EraseGhost();
}

std::int32_t TEditorForm::PressSlice() const {
    return SliceFromX(dragStartX_, ui_.TimePosition->value());
}

std::int32_t TEditorForm::DroppedStart(const PointerPosition& pointer) const {
    const std::int32_t slice =
        Saturate(std::int64_t{pointer.Slice} + hoverNote_->Start - PressSlice());
    return ConfineStart(slice, hoverNote_->Length, SliceCount());
}

std::int16_t TEditorForm::DroppedNote(const PointerPosition& pointer) const {
    return ConfineNote(pointer.Row, window_->Session().AnalysedFirstNoteBin);
}

void TEditorForm::NotesPBMouseMove(QPoint at) {
    if (Notes() == nullptr)
        return;
    const PointerPosition pointer = Pointer(at);
    PlaceMarker(pointer);
    if (dragMode_ == NoteZone::None) {
        const HoverTarget target = FindHover(*Notes(), pointer, firstVisibleSlice_);
        hoverNote_ = target.Note;
        hoverZone_ = target.Zone;
        SetHoverCursor();
        return;
    }
    if (hoverNote_ == nullptr)
        return;
    // The preview shows where the note would land if dropped here.
    const TMidiNote& note = *hoverNote_;
    const int left = SliceX(note.Start, firstVisibleSlice_);
    const int rowY = GetNoteY(static_cast<std::uint16_t>(note.Note));
    switch (dragMode_) {
    case NoteZone::TimeMove:
        DrawGhost(SliceX(DroppedStart(pointer), firstVisibleSlice_), rowY, BarWidth(note.Length));
        break;
    case NoteZone::PitchMove:
        DrawGhost(left, GetNoteY(static_cast<std::uint16_t>(DroppedNote(pointer))),
                  BarWidth(note.Length));
        break;
    case NoteZone::LengthChange:
        // A length of 0 or less keeps the previous preview.
        if (const auto length =
                LengthAfterDrag(note.Start, note.Length, PressSlice(), pointer.Slice, SliceCount()))
            DrawGhost(left, rowY, BarWidth(*length));
        break;
    case NoteZone::None:
        break;
    }
}

void TEditorForm::NotesPBMouseDown(const QMouseEvent& event) {
    // A second button pressed during a drag changes nothing.
    if (dragMode_ != NoteZone::None || Notes() == nullptr)
        return;
    TMidiNotes& notes = *Notes();
    const PointerPosition pointer = Pointer(event.position().toPoint());
    // Held until the release, which may happen outside the roll.
    if (QWidget::mouseGrabber() != ui_.NotesPB)
        ui_.NotesPB->grabMouse();
    if (TMidiNote* selected = notes.GetSelected())
        selected->SetSelected(false);
    PlaceMarker(pointer);
    ui_.Marker->show();
    // Found again at every press: the list may have changed since the last
    // move (a new opening, a deletion, an undo).
    const HoverTarget target = FindHover(notes, pointer, firstVisibleSlice_);
    hoverNote_ = target.Note;
    hoverZone_ = target.Zone;
    SetHoverCursor();
    RepaintViews();
    if (hoverNote_ == nullptr)
        return;
    hoverNote_->SetSelected(true);
    if (!StartsDrag(event))
        return;
    dragMode_ = hoverZone_;
    dragStartX_ = pointer.SnappedX;
}

void TEditorForm::NotesPBMouseUp(QPoint at) {
    const PointerPosition pointer = Pointer(at);
    // Where the platform does not let a program move the pointer, this does
    // nothing and the drop is the same.
    QCursor::setPos(ui_.NotesPB->mapToGlobal(QPoint(pointer.SnappedX, pointer.RowY)));
    ui_.Marker->hide();
    EraseGhost();
    if (QWidget::mouseGrabber() == ui_.NotesPB)
        ui_.NotesPB->releaseMouse();
    if (hoverNote_ != nullptr && Notes() != nullptr)
        DropNote(pointer);
    dragMode_ = NoteZone::None;
}

void TEditorForm::DropNote(const PointerPosition& pointer) {
    TMidiNote& note = *hoverNote_;
    TMidiNotes& notes = *Notes();
    switch (dragMode_) {
    case NoteZone::TimeMove:
        if (const std::int32_t start = DroppedStart(pointer); start != note.Start) {
            history_.BeforeEdit(notes);
            note.Start = start;
            UpdateVisibleRange();
        }
        break;
    case NoteZone::PitchMove:
        if (const std::int16_t bin = DroppedNote(pointer); bin != note.Note) {
            history_.BeforeEdit(notes);
            note.Note = bin;
        }
        break;
    case NoteZone::LengthChange:
        if (const auto length =
                LengthAfterDrag(note.Start, note.Length, PressSlice(), pointer.Slice, SliceCount());
            length && *length != note.Length) {
            history_.BeforeEdit(notes);
            note.Length = *length;
            UpdateVisibleRange();
        }
        break;
    case NoteZone::None:
        return;
    }
    RepaintViews();
}

} // namespace trx
