// The note editor driven with real mouse and key events through the Edit
// command of the main window; each opening is answered by the scripted
// stand-in, which shows the editor and lets the test work it.

#include "app/ui/TMidiForm.h"
#include "controls/ui/THemisphereButton.h"
#include "editor/NoteRows.h"
#include "editor/TimeAxis.h"
#include "editor/ui/TEditorForm.h"
#include "editor/ui/TPianoRoll.h"
#include "support/ScriptedInteraction.h"

#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

using trx::TEditorForm;
using trx::test::RequestKind;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;

namespace {

constexpr int kSlices = 30;
constexpr int kFirstBin = 10;

// A run of note-map cells in one bin.
struct Run {
    int Bin;
    int Start;
    int Length;
};

QtMessageHandler platformHandler = nullptr;

// The headless platform cannot grab the mouse and says so at every press;
// the drags do not depend on the grab.
void QuietAboutGrabs(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message != QLatin1String("This plugin does not support grabbing the mouse"))
        platformHandler(type, context, message);
}

} // namespace

class EditorFormTest : public QObject {
    Q_OBJECT

private:
    // A silent recording of slices slices whose note map holds runs, all
    // at the loudest value.
    void Load(int slices, const std::vector<Run>& runs) {
        samples.assign(static_cast<std::size_t>(slices) * 2048, 0);
        trx::WorkingState& state = form->State();
        state.Sound.Buffer = {reinterpret_cast<const std::uint8_t*>(samples.data()),
                              samples.size() * 2, 2, 1, slices};
        state.SizeMaps(slices);
        for (const Run& run : runs)
            for (int s = run.Start; s <= run.Start + run.Length; ++s)
                state.NoteMap(s, run.Bin) = 0.5f;
        state.NoteMapMaximum = runs.empty() ? 0.0f : 0.5f;
        form->Session().AnalysedFirstNoteBin = kFirstBin;
        form->CreateFourierMap(slices);
    }

    // Runs the Edit command; act works the shown editor, which closes
    // afterwards by its Close button unless act closed it.
    void Edit(const std::function<void()>& act) {
        modal.Queue(ScriptedAnswer::Run([&](QDialog& dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                qFatal("editor not shown");
            act();
            if (dialog.isVisible())
                Click("CloseBtn");
            return dialog.result();
        }));
        form->EditBtnClick();
    }

    void Click(const char* button) {
        auto* b = editor->findChild<trx::THemisphereButton*>(QLatin1String(button));
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    }
    trx::TPianoRoll* Roll() const { return editor->findChild<trx::TPianoRoll*>("NotesPB"); }
    // Where slice and bin meet on the roll.
    QPoint At(int slice, int bin) const {
        return {trx::SliceX(slice, editor->FirstVisibleSlice()),
                trx::GetNoteY(static_cast<std::uint16_t>(bin))};
    }
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseMove(Roll(), from);
        QTest::mousePress(Roll(), button, {}, from);
        QTest::mouseMove(Roll(), (from + to) / 2);
        QTest::mouseMove(Roll(), to);
        QTest::mouseRelease(Roll(), button, {}, to);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(editor, static_cast<Qt::Key>(key), modifiers);
    }
    trx::TMidiNotes& Notes() const { return form->State().MidiNotes; }
    // The note of the list in this bin, or null.
    trx::TMidiNote* InBin(int bin) const {
        for (std::size_t i = 0; i < Notes().Count(); ++i)
            if (Notes()[i].Note == bin)
                return &Notes()[i];
        return nullptr;
    }
    QComboBox* KeyCombo() const { return editor->findChild<QComboBox*>("KeyCombo"); }

    ScriptedInteraction modal;
    std::vector<std::int16_t> samples;
    std::unique_ptr<trx::TMidiForm> form;
    TEditorForm* editor = nullptr;

private slots:
    void initTestCase() { platformHandler = qInstallMessageHandler(QuietAboutGrabs); }
    void init() {
        modal.Clear();
        form = std::make_unique<trx::TMidiForm>(modal);
        editor = new TEditorForm(form.get());
        form->SetEditorForm(editor);
    }
    void cleanup() { form.reset(); }

    void LayoutAndEmptyRecording() {
        QCOMPARE(editor->windowTitle(), QStringLiteral("Midi note editor"));
        QCOMPARE(editor->minimumSize(), QSize(300, 300));
        QCOMPARE(KeyCombo()->count(), 30);
        QCOMPARE(KeyCombo()->currentIndex(), -1);
        QCOMPARE(editor->findChild<QLabel*>("Amp75Lbl")->text(), QStringLiteral("75"));
        QCOMPARE(editor->findChild<trx::THemisphereButton*>("BeatsBtn")->Hint(),
                 QStringLiteral("Detect beats"));

        Load(0, {});
        auto* time = editor->findChild<QScrollBar*>("TimePosition");
        Edit([&] {
            QCOMPARE(Roll()->geometry(), QRect(64, 0, 652, 512));
            QCOMPARE(time->geometry(), QRect(64, 686, 652, 16));
            editor->resize(300, 300);
            QTest::qWait(0);
            QCOMPARE(time->geometry().bottom(), 299);
            QCOMPARE(Roll()->width(), editor->findChild<QWidget*>("AmpsPB")->width());
            QVERIFY(Roll()->width() < 300 - 64);
            // Nothing to hover, press or delete.
            Drag(At(2, 40), At(6, 44));
            Key(Qt::Key_Delete);
            Key(Qt::Key_Z, Qt::ControlModifier);
        });
        QCOMPARE(modal.Requests().size(), std::size_t(1));
        QCOMPARE(modal.Requests()[0].Kind, RequestKind::Exec);
        QCOMPARE(time->maximum(), 0);
        QVERIFY(time->pageStep() >= 1);
        QCOMPARE(KeyCombo()->currentIndex(), -1);
        QVERIFY(!form->Session().KeySelection.has_value());
        QVERIFY(!form->Session().Saved);
    }

    void KeyListEstimatesOnceAndKeepsTheChoice() {
        // C, E and G: bins 3, 7 and 10 above an A.
        Load(kSlices, {{39, 0, 2}, {43, 4, 2}, {46, 8, 2}});
        Edit([] {});
        QCOMPARE(KeyCombo()->currentIndex(), 6);
        QCOMPARE(KeyCombo()->itemText(6), QStringLiteral("F major (1 flat) 100%"));
        QCOMPARE(form->Session().KeySelection, std::optional<std::int32_t>(6));
        Edit([&] { KeyCombo()->setCurrentIndex(9); });
        Edit([] {});
        QCOMPARE(form->Session().KeySelection, std::optional<std::int32_t>(9));
    }

    void DragsChangeLengthTimeAndPitchInsideTheMap() {
        Load(kSlices, {{40, 5, 4}});
        Edit([&] {
            auto* marker = editor->findChild<QLabel*>("Marker");
            QTest::mouseMove(Roll(), At(3, 40)); // A#: a black key
            QCOMPARE(marker->x(), 28);
            QCOMPARE(marker->y(), trx::GetNoteY(40) - 3);
            QTest::mouseMove(Roll(), At(3, 41)); // B
            QCOMPARE(marker->x(), 48);
            QVERIFY(marker->isHidden());

            // A bar of 40 pixels: the last third from slice 8 on.
            Drag(At(8, 40), At(12, 40));
            QCOMPARE(InBin(40)->Length, 8);
            Drag(At(13, 40), At(1, 40));
            // A length of 0 or less is ignored.
            QCOMPARE(InBin(40)->Length, 8);

            Drag(At(5, 40), At(20, 40), Qt::RightButton);
            QCOMPARE(InBin(40)->Start, 5);
            QVERIFY(InBin(40)->IsSelected());

            // The first third, dragged far past the roll's right edge: the
            // note ends on the last slice. The preview inverts the roll.
            QTest::mouseMove(Roll(), At(6, 40));
            QTest::mousePress(Roll(), Qt::LeftButton, {}, At(6, 40));
            QTest::mouseMove(Roll(), At(9, 40));
            QVERIFY(Roll()->GhostShown());
            QCOMPARE(Roll()->GhostPosition(), At(8, 40));
            const QImage picture = Roll()->grab().toImage();
            QCOMPARE(picture.pixel(At(8, 40) + QPoint(75, 0)), qRgb(0, 0, 0));
            QTest::mouseMove(Roll(), QPoint(5000, At(6, 40).y()));
            QTest::mouseRelease(Roll(), Qt::LeftButton, {}, QPoint(5000, At(6, 40).y()));
            QVERIFY(!Roll()->GhostShown());
            QCOMPARE(InBin(40)->Start, kSlices - 1 - 8);

            // The middle third, above the top row and below the lowest bin.
            const int middle = InBin(40)->Start + 4;
            Drag(At(middle, 40), QPoint(At(middle, 40).x(), -50));
            QCOMPARE(InBin(106)->Start, kSlices - 9);
            Drag(At(middle, 106), QPoint(At(middle, 106).x(), 2000));
            QVERIFY(InBin(kFirstBin) != nullptr);
        });
        QCOMPARE(form->State().NoteMap(kSlices - 9, kFirstBin), 127.0f);
        QCOMPARE(form->State().NoteMap(kSlices - 1, kFirstBin),
                 127.0f * 0.99f * 0.99f * 0.99f * 0.99f * 0.99f * 0.99f * 0.99f * 0.99f);
        QCOMPARE(form->State().NoteMap(5, 40), 0.0f);
    }

    void DeleteUndoAndRedo() {
        Load(kSlices, {{40, 2, 3}, {50, 10, 2}});
        Edit([&] {
            QTest::mouseClick(Roll(), Qt::RightButton, {}, At(3, 40));
            Key(Qt::Key_Delete);
            QCOMPARE(InBin(40), nullptr);
            Drag(At(10, 50), At(14, 50));
            QCOMPARE(InBin(50)->Start, 14);
            Key(Qt::Key_Backspace); // the moved note is the selected one
            QCOMPARE(InBin(50), nullptr);

            Key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(InBin(50)->Start, 14);
            // The selection follows the restored list.
            QVERIFY(InBin(50)->IsSelected());
            Key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(InBin(50)->Start, 10);
            Key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(InBin(40)->Start, 2);
            QVERIFY(InBin(40)->IsSelected());
            Key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(Notes().Count(), std::size_t(2));

            Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(InBin(40), nullptr);
            Key(Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(InBin(50)->Start, 14);
            // Keys reach the editor before the focused control.
            KeyCombo()->setFocus();
            QTest::keyClick(KeyCombo(), Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(InBin(50), nullptr);
            QTest::keyClick(KeyCombo(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(InBin(50)->Start, 14);
            QTest::keyClick(KeyCombo(), Qt::Key_Escape);
            QVERIFY(!editor->isVisible());
        });
        const trx::FloatMatrix& map = form->State().NoteMap;
        for (int s = 0; s < kSlices; ++s)
            QCOMPARE(map(s, 40), 0.0f);
        QCOMPARE(map(14, 50), 127.0f);
        QCOMPARE(map(10, 50), 0.0f);
    }

    void EveryWayOfClosingWritesBackAndReopeningForgetsThePointer() {
        const std::vector<std::function<void()>> closings{
            [&] { Click("CloseBtn"); }, [&] { Key(Qt::Key_Escape); }, [&] { editor->close(); }};
        for (const auto& close : closings) {
            Load(kSlices, {{40, 2, 6}});
            Edit([&] {
                QCOMPARE(editor->HoverNote(), nullptr);
                // Over the note: it is the hover note until the editor closes.
                // A move to where the pointer already is sends nothing.
                QTest::mouseMove(Roll(), At(20, 60));
                QTest::mouseMove(Roll(), At(3, 40));
                QVERIFY(editor->HoverNote() != nullptr);
                close();
            });
            QCOMPARE(form->State().NoteMap(2, 40), 127.0f);
        }
        // The list is rebuilt at the opening: a press before any move finds
        // the note anew, or nothing.
        Edit([&] {
            QTest::mousePress(Roll(), Qt::LeftButton, {}, At(20, 60));
            QTest::mouseRelease(Roll(), Qt::LeftButton, {}, At(20, 60));
            QCOMPARE(Notes().Count(), std::size_t(1));
            QTest::mousePress(Roll(), Qt::LeftButton, {}, At(8, 40));
            QTest::mouseMove(Roll(), At(10, 40));
            QTest::mouseRelease(Roll(), Qt::LeftButton, {}, At(10, 40));
            QCOMPARE(InBin(40)->Length, 8);
        });
        QCOMPARE(modal.Unanswered(), 0);
    }
};

QTEST_MAIN(EditorFormTest)
#include "EditorFormTest.moc"
