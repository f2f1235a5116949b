#include "editor/ui/TEditorForm.h"

#include "app/ConversionSession.h"
#include "app/ui/MainWindowServices.h"
#include "app/ui/ModalInteraction.h"
#include "common/Rounding.h"
#include "controls/ui/THemisphereButton.h"
#include "controls/ui/WindowStyle.h"
#include "editor/BeatEnvelope.h"
#include "editor/KeyEstimate.h"
#include "editor/TimeAxis.h"
#include "editor/ui/NoteDrawing.h"
#include "editor/ui/TPianoRoll.h"
#include "notes/Extended.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace trx {
namespace {

constexpr int kMinimumSide = 300;

[[nodiscard]] Qt::KeyboardModifiers CommandModifiers(const QKeyEvent& event) {
    return event.modifiers() &
           (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

} // namespace

TEditorForm::TEditorForm(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("EditorForm"));
    setWindowTitle(QStringLiteral("Midi note editor"));
    WindowStyle::ApplyFormColor(*this);
    ui_.Build(*this);
    resize(EditorWidgets::kInitialSize);
    setMinimumSize(kMinimumSide, kMinimumSide);

    ui_.NotesPB->SetPaint([this](QPainter& canvas) { NotesPBPaint(canvas); });
    ui_.AmpsPB->SetPaint([this](QPainter& canvas) { AmpsPBPaint(canvas); });
    ui_.NotesPB->installEventFilter(this);
    ui_.NoteArea->installEventFilter(this);
    connect(ui_.TimePosition, &QScrollBar::valueChanged, this, &TEditorForm::TimePositionChange);
    // A page click moves by the large step, not by the page shown.
    connect(ui_.TimePosition, &QScrollBar::actionTriggered, this, [this](int action) {
        const int value = ui_.TimePosition->value();
        if (action == QAbstractSlider::SliderPageStepAdd)
            ui_.TimePosition->setSliderPosition(value + largeStep_);
        else if (action == QAbstractSlider::SliderPageStepSub)
            ui_.TimePosition->setSliderPosition(value - largeStep_);
    });
    connect(ui_.CloseBtn, &THemisphereButton::clicked, this, &TEditorForm::CloseBtnClick);
    connect(ui_.BeatsBtn, &THemisphereButton::clicked, this, &TEditorForm::BeatsBtnClick);
    connect(ui_.KeyCombo, &QComboBox::currentIndexChanged, this, &TEditorForm::KeyComboChange);
    // The window sees the keys before its controls do.
    for (QWidget* child : findChildren<QWidget*>())
        if (child->focusPolicy() != Qt::NoFocus)
            child->installEventFilter(this);
}

TMidiNotes* TEditorForm::Notes() const {
    return window_ == nullptr ? nullptr : &window_->Session().State.MidiNotes;
}

std::int32_t TEditorForm::SliceCount() const {
    return window_ == nullptr ? 0 : window_->Session().State.SliceCount();
}

void TEditorForm::SetSliceRange(std::int32_t sliceCount) {
    sliceCount_ = std::max(sliceCount, 0);
    ui_.TimePosition->setRange(0, sliceCount_);
    ScrollBox1Resize();
}

void TEditorForm::PrepareEditing(MainWindowServices& window) {
    window_ = &window;
    ResetPointerState();
    history_.Clear();
    {
        const QSignalBlocker quiet(ui_.KeyCombo);
        ui_.KeyCombo->setCurrentIndex(window.Session().KeySelection.value_or(-1));
    }
    UpdateVisibleRange();
    dragMode_ = NoteZone::None;
    EstimateKey();
    RepaintViews();
}

void TEditorForm::ResetPointerState() {
    if (QWidget::mouseGrabber() == ui_.NotesPB)
        ui_.NotesPB->releaseMouse();
    ui_.NotesPB->EraseGhost();
    ui_.Marker->hide();
    ui_.NotesPB->setCursor(Qt::ArrowCursor);
    hoverNote_ = nullptr;
    hoverZone_ = NoteZone::None;
    dragMode_ = NoteZone::None;
}

void TEditorForm::UpdateVisibleRange() {
    firstVisibleSlice_ = ui_.TimePosition->value();
    lastVisibleSlice_ = trx::LastVisibleSlice(firstVisibleSlice_, ui_.NotesPB->width());
    if (TMidiNotes* notes = Notes())
        notes->SetVisibleRange(firstVisibleSlice_, lastVisibleSlice_);
}

void TEditorForm::EstimateKey() {
    if (window_ == nullptr)
        return;
    ConversionSession& session = window_->Session();
    WorkingState& state = session.State;
    const std::optional<KeyEstimate> estimate = trx::EstimateKey(
        state.MidiNotes, state.NoteMap, state.NoteMapMaximum, session.AnalysedFirstNoteBin);
    if (!estimate)
        return;
    for (int k = 0; k < kKeySignatureCount; ++k)
        ui_.KeyCombo->setItemText(
            k, QString::fromStdString(estimate->EntryTexts[static_cast<std::size_t>(k)]));
    const int selection = estimate->SelectionAfter(ui_.KeyCombo->currentIndex());
    if (selection != ui_.KeyCombo->currentIndex())
        ui_.KeyCombo->setCurrentIndex(selection);
}

void TEditorForm::KeyComboChange(int index) {
    if (window_ != nullptr)
        window_->Session().KeySelection =
            index >= 0 ? std::optional<std::int32_t>(index) : std::nullopt;
}

void TEditorForm::TimePositionChange() {
    UpdateVisibleRange();
    RepaintViews();
}

void TEditorForm::ScrollBox1Resize() {
    UpdateVisibleRange();
    // The bar's width times the share of the recording the view shows;
    // an empty recording has a page of 1.
    int page = 1;
    if (sliceCount_ > 0)
        page = static_cast<int>(std::clamp<std::int64_t>(
            RoundHalfEven(static_cast<Extended>(ui_.TimePosition->width()) *
                          ui_.ScrollBox1->width() / (Extended{10} * sliceCount_)),
            1, std::numeric_limits<int>::max()));
    ui_.TimePosition->setPageStep(page);
    largeStep_ = std::max(page / 4, 1);
}

void TEditorForm::CloseBtnClick() {
    accept();
}

void TEditorForm::BeatsBtnClick() {
    // The strip's paint draws the envelope as its last step.
    ui_.AmpsPB->repaint();
}

void TEditorForm::RepaintViews() {
    ui_.NotesPB->update();
    ui_.AmpsPB->update();
}

void TEditorForm::NotesPBPaint(QPainter& canvas) {
    PaintPianoRoll(canvas, ui_.NotesPB->width(), ui_.NotesPB->height(), Notes(),
                   firstVisibleSlice_);
}

void TEditorForm::AmpsPBPaint(QPainter& canvas) {
    BeatEnvelope envelope;
    if (window_ != nullptr) {
        envelope = ComputeBeatEnvelope(window_->Session().State.Sound.Buffer, firstVisibleSlice_,
                                       lastVisibleSlice_, kVelocityStripHeight);
        if (!envelope.Ok() && !beatMessagePending_) {
            // No message box inside a paint event: it follows at once.
            beatMessagePending_ = true;
            QTimer::singleShot(0, this, &TEditorForm::ShowBeatMemoryMessage);
        }
    }
    PaintVelocityStrip(canvas, ui_.AmpsPB->width(), ui_.AmpsPB->height(), Notes(),
                       firstVisibleSlice_, envelope.Ok() ? &envelope : nullptr);
}

void TEditorForm::ShowBeatMemoryMessage() {
    beatMessagePending_ = false;
    if (window_ != nullptr)
        window_->Interaction().Tell(
            this, {kBeatMemoryMessage, "Tremolundrix", QMessageBox::Ok, QMessageBox::NoIcon});
}

bool TEditorForm::FormKeyDown(const QKeyEvent& event) {
    if (window_ == nullptr)
        return false;
    const Qt::KeyboardModifiers modifiers = CommandModifiers(event);
    switch (event.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        RunReported(*window_, "FormKeyDown", [this] { DeleteSelectedNote(); });
        return false;
    case Qt::Key_Z:
        if (modifiers == Qt::ControlModifier) {
            RunReported(*window_, "Undo", [this] { Undo(); });
            return true;
        }
        if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
            RunReported(*window_, "Redo", [this] { Redo(); });
            return true;
        }
        return false;
    case Qt::Key_Y:
        if (modifiers == Qt::ControlModifier) {
            RunReported(*window_, "Redo", [this] { Redo(); });
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TEditorForm::DeleteSelectedNote() {
    TMidiNotes* notes = Notes();
    const TMidiNote* selected = notes == nullptr ? nullptr : notes->GetSelected();
    if (selected == nullptr)
        return;
    hoverNote_ = nullptr;
    EraseGhost();
    const std::string id = selected->ID;
    history_.BeforeEdit(*notes);
    notes->DeleteNote(id);
    RepaintViews();
}

void TEditorForm::Undo() {
    TMidiNotes* notes = Notes();
    if (notes != nullptr && dragMode_ == NoteZone::None && history_.Undo(*notes))
        AfterRestore();
}

void TEditorForm::Redo() {
    TMidiNotes* notes = Notes();
    if (notes != nullptr && dragMode_ == NoteZone::None && history_.Redo(*notes))
        AfterRestore();
}

void TEditorForm::AfterRestore() {
    hoverNote_ = nullptr;
    hoverZone_ = NoteZone::None;
    UpdateVisibleRange();
    RepaintViews();
}

bool TEditorForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.NotesPB && window_ != nullptr) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            RunReported(*window_, "NotesPBMouseDown",
                        [&] { NotesPBMouseDown(static_cast<QMouseEvent&>(*event)); });
            return true;
        case QEvent::MouseMove:
            RunReported(*window_, "NotesPBMouseMove", [&] {
                NotesPBMouseMove(static_cast<QMouseEvent&>(*event).position().toPoint());
            });
            return true;
        case QEvent::MouseButtonRelease:
            RunReported(*window_, "NotesPBMouseUp", [&] {
                NotesPBMouseUp(static_cast<QMouseEvent&>(*event).position().toPoint());
            });
            return true;
        default:
            break;
        }
    }
    if (event->type() == QEvent::Resize) {
        if (watched == ui_.NoteArea)
            ui_.StretchViews();
        else if (watched == ui_.NotesPB)
            ScrollBox1Resize();
    }
    // The key then reaches the control as well, and the window after it
    // when the control ignores it: deleting again finds no selected note.
    if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent&>(*event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TEditorForm::keyPressEvent(QKeyEvent* event) {
    if (FormKeyDown(*event))
        return;
    // Escape closes the editor, as the title-bar button does.
    QDialog::keyPressEvent(event);
}

void TEditorForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ui_.Arrange(size());
}

} // namespace trx
