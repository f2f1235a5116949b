// The Auto tune command on the main window with converted recordings, every
// dialog answered by the scripted stand-in.

#include "app/ui/TMidiForm.h"
#include "support/NamedChild.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWav.h"
#include "tuning/TuningSearch.h"
#include "tuning/ui/TTuningForm.h"

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

using trx::test::RequestKind;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;
using trx::test::TempDir;

namespace {

constexpr int kSlices = 40;
// A3 (note bin 48) played 27 cents flat.
const double kFlatA = 220.0 * std::pow(2.0, -27.0 / 1200.0);
const QString kQuestion = "Reconvert music to account for new tuning?";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// What the tuning dialog showed while it was open.
struct DialogSeen {
    int Proposal = 1000;
    QString StatusText;
};

} // namespace

class AutoTuneCommandTest : public QObject {
    Q_OBJECT

private:
    template <typename T = QWidget>
    T* Child(const char* name) const {
        return NamedChild<T>(*form, name);
    }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }

    // Opens and converts the tones sounding together, the first loudest.
    void Convert(const std::vector<double>& hertz) {
        std::vector<double> values(std::size_t(2048) * kSlices);
        double amplitude = 0.5;
        for (double hz : hertz) {
            const std::vector<double> tone = trx::test::Sine(hz, amplitude, values.size());
            std::transform(tone.begin(), tone.end(), values.begin(), values.begin(), std::plus<>());
            amplitude *= 0.6;
        }
        const std::string path =
            trx::test::WriteWav(*dir, "song" + std::to_string(++songs) + ".wav", {}, values);
        modal.Queue(ScriptedAnswer::Path(Q(path)));
        // Not saved: the previous result is let go.
        modal.Queue(ScriptedAnswer::No());
        QVERIFY(form->OpenSoundFile());
        Child<QAction>("Convert1")->trigger();
        QVERIFY(form->State().NoteMapMaximum > 0.0f);
        modal.Clear();
    }

    // The next tuning dialog is opened, noted in seen, worked by act and
    // closed with its result.
    void WorkDialog(std::function<void(trx::TTuningForm&)> act) {
        modal.Queue(ScriptedAnswer::Run([this, act](QDialog& dialog) {
            auto& tuning = static_cast<trx::TTuningForm&>(dialog);
            dialog.open();
            seen.Proposal = tuning.findChild<QSlider*>("TuningTB")->value();
            seen.StatusText = Text("StatusPanel0");
            act(tuning);
            const int result = dialog.isVisible() ? int(QDialog::Rejected) : dialog.result();
            dialog.hide();
            return result;
        }));
    }
    static void Key(trx::TTuningForm& dialog, int key) {
        QTest::keyClick(dialog.findChild<QSlider*>("TuningTB"), Qt::Key(key));
    }
    static void SetAndAccept(trx::TTuningForm& dialog, int cents) {
        dialog.findChild<QSlider*>("TuningTB")->setValue(cents);
        Key(dialog, Qt::Key_Return);
    }

    int Count(RequestKind kind) const {
        return int(std::count_if(modal.Requests().begin(), modal.Requests().end(),
                                 [kind](const auto& r) { return r.Kind == kind; }));
    }

    ScriptedInteraction modal;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<trx::TMidiForm> form;
    DialogSeen seen;
    int songs = 0;

private slots:
    void init() {
        modal.Clear();
        seen = {};
        dir = std::make_unique<TempDir>();
        form = std::make_unique<trx::TMidiForm>(modal);
        form->SetTuningForm(new trx::TTuningForm(form.get()));
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    void WithoutACandidateOnlyTheMessageShows() {
        const auto expectMessageOnly = [this] {
            form->AutoTuneBtnClick();
            QCOMPARE(modal.Requests().size(), std::size_t(1));
            const auto& told = modal.Requests().front();
            QCOMPARE(told.Kind, RequestKind::Tell);
            QCOMPARE(told.Text, QString("Unable to find suitable candidate for pitch detection."));
            QCOMPARE(told.Caption, QString("Tremolundrix"));
            QCOMPARE(Text("TuneLbl"), QString("True"));
            QCOMPARE(Text("StatusPanel0"), QString());
            modal.Clear();
        };
        // A chord in every slice.
        Convert({523.25, 659.26, 783.99});
        expectMessageOnly();

        // Without its sound file the notes have nothing to fold.
        Convert({kFlatA});
        QVERIFY(form->CloseDataFile());
        expectMessageOnly();
    }

    void CancelEscapeAndCloseChangeNothing() {
        Convert({kFlatA});
        const trx::WorkingState& state = form->State();
        const trx::FloatMatrix notes = state.NoteMap;
        const trx::FloatMatrix amplitudes = state.AmplitudeMap;
        const auto frequencies = state.NoteKernels.NoteFrequencies;
        const std::function<void(trx::TTuningForm&)> ways[] = {
            [](trx::TTuningForm& d) {
                auto* cancel = d.findChild<QWidget*>("CancelBtn");
                QTest::mouseClick(cancel, Qt::LeftButton, {}, cancel->rect().center());
            },
            [](trx::TTuningForm& d) { Key(d, Qt::Key_Escape); },
            [](trx::TTuningForm& d) { d.close(); }};
        for (const auto& way : ways) {
            WorkDialog(way);
            form->AutoTuneBtnClick();
            QCOMPARE(modal.PendingAnswers(), std::size_t(0));
            QCOMPARE(Count(RequestKind::Ask), 0);
            // The progress stays until the dialog has closed.
            QCOMPARE(seen.StatusText, QString("Analysing notes"));
            QVERIFY2(std::abs(seen.Proposal + 27) <= 3, qPrintable(QString::number(seen.Proposal)));
            QCOMPARE(Text("StatusPanel0"), QString());
            QCOMPARE(Text("TuneLbl"), QString("True"));
            QCOMPARE(Child<QSlider>("TuningTB")->value(), 0);
            QVERIFY(state.NoteMap == notes);
            QVERIFY(state.AmplitudeMap == amplitudes);
            QVERIFY(state.NoteKernels.NoteFrequencies == frequencies);
            modal.Clear();
        }
    }

    void ReturnAcceptsAHandMovedPositionAndYesConvertsAgain() {
        Convert({kFlatA});
        const trx::FloatMatrix amplitudes = form->State().AmplitudeMap;
        WorkDialog([](trx::TTuningForm& d) {
            Key(d, Qt::Key_Right);
            Key(d, Qt::Key_Right);
            Key(d, Qt::Key_Return);
        });
        modal.Queue(ScriptedAnswer::Yes());
        form->AutoTuneBtnClick();
        QCOMPARE(modal.PendingAnswers(), std::size_t(0));
        const auto& question = modal.Requests().back();
        QCOMPARE(question.Kind, RequestKind::Ask);
        QCOMPARE(question.Text, kQuestion);
        QCOMPARE(question.Caption, QString("Tremolundrix"));
        QCOMPARE(question.Buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(Text("TuneLbl"), QString::number(seen.Proposal + 2));
        // Analysed again under the new tuning.
        QVERIFY(!(form->State().AmplitudeMap == amplitudes));
        QVERIFY(form->State().AmplitudeMap(20, 48) > amplitudes(20, 48));
    }

    void NoKeepsTheNotesAndSavingKeepsTheirLowestBin() {
        Convert({kFlatA});
        // Note bin 8 is analysed at 0 cents but not at -30; the search
        // still has the other slices' single notes.
        trx::WorkingState& state = form->State();
        for (int s = 0; s < 6; ++s)
            std::fill_n(&state.NoteMap(s, 0), trx::kNoteBins, 0.0f);
        for (int s = 2; s < 6; ++s)
            state.NoteMap(s, 8) = state.NoteMapMaximum;
        const trx::FloatMatrix notes = state.NoteMap;
        WorkDialog([](trx::TTuningForm& d) { SetAndAccept(d, -30); });
        modal.Queue(ScriptedAnswer::No());
        form->AutoTuneBtnClick();
        QCOMPARE(modal.PendingAnswers(), std::size_t(0));
        QCOMPARE(Text("TuneLbl"), QString("-30"));
        QCOMPARE(state.NoteKernels.FirstNoteBin, 9);
        QVERIFY(state.NoteMap == notes);

        const std::string midi = dir->File("song.mid");
        QVERIFY(form->SaveMidiFile(Q(midi)));
        std::ifstream in(midi, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        const char noteOn[] = {char(0x90), 8 + 9};
        QVERIFY(std::search(bytes.begin(), bytes.end(), std::begin(noteOn), std::end(noteOn)) !=
                bytes.end());

        // Accepting 0 from -30.
        modal.Clear();
        WorkDialog([](trx::TTuningForm& d) { SetAndAccept(d, 0); });
        modal.Queue(ScriptedAnswer::No());
        form->AutoTuneBtnClick();
        QCOMPARE(Text("TuneLbl"), QString("True"));
        QVERIFY(state.NoteMap == notes);
    }
};

QTEST_MAIN(AutoTuneCommandTest)
#include "AutoTuneCommandTest.moc"
