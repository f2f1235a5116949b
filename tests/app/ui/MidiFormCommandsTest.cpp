// The main window's commands on real files: open, convert, re-filter, save,
// settings, the version option and the codecs dialog, every dialog answered
// by the scripted stand-in.

#include "analysis/NoteKernels.h"
#include "analysis/ui/TNoteMapBox.h"
#include "app/SettingsFile.h"
#include "app/ui/OpenWith.h"
#include "app/ui/RegistryStore.h"
#include "app/ui/TAbortForm.h"
#include "app/ui/TMidiForm.h"
#include "audio/MappingFault.h"
#include "beats/BeatSignals.h"
#include "controls/ui/THemisphereButton.h"
#include "editor/NoteRows.h"
#include "midi/MidiSave.h"
#include "support/NamedChild.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWav.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintEvent>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <unistd.h>

using trx::test::RequestKind;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;
using trx::test::TempDir;

namespace {

// A 220 Hz sine, the frequency of note bin 48 at no tuning offset.
constexpr int kNoteBin = 48;
constexpr int kSlices = 40;

const QString kSaveQuestion = "The current file is not saved. Save midi file now?";
const QString kOverwriteQuestion = "File already exists. Overwrite?";

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Int32s(std::initializer_list<std::int32_t> values) {
    trx::test::ByteWriter w;
    for (std::int32_t v : values) {
        w.U32(static_cast<std::uint32_t>(v));
    }
    return w.bytes;
}

// Calls back with the region of every paint of the widgets it watches.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::function<void(const QWidget&, const QRegion&)> onPaint)
        : onPaint_(std::move(onPaint)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            onPaint_(*static_cast<QWidget*>(watched), static_cast<QPaintEvent*>(event)->region());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(const QWidget&, const QRegion&)> onPaint_;
};

QString Q(const std::string& path) {
    return QString::fromStdString(path);
}

} // namespace

class MidiFormCommandsTest : public QObject {
    Q_OBJECT

private:
    template <typename T = QWidget>
    T* Child(const char* name) const {
        return NamedChild<T>(*form, name);
    }
    QAction* Action(const char* name) const { return Child<QAction>(name); }
    // Checks a menu item, then opens a new window on the same per-user
    // store: true when the store holds "1" and the item is checked there.
    bool CheckAndReopen(const char* name, const char* key) {
        QAction* item = Action(name);
        if (!item->isCheckable() || item->isChecked())
            return false;
        item->trigger();
        if (trx::RegistryStore(Q(dir->File("store.ini"))).Read(key) != "1")
            return false;
        form = std::make_unique<trx::TMidiForm>(modal);
        form->SetRegistryStore(trx::RegistryStore(Q(dir->File("store.ini"))));
        return Action(name)->isChecked();
    }
    bool Shown(const char* name) const { return !Child(name)->isHidden(); }

    bool ConvertAvailable() const { return Shown("ConvertBtn") && Action("Convert1")->isEnabled(); }
    // Save, Save As, Re-filter, Edit, Play and Auto tune.
    int ResultCommandsAvailable() const {
        int available = 0;
        for (const char* button : {"SaveBtn", "FilterBtn", "EditBtn", "PlayBtn", "AutoTuneBtn"}) {
            available += Shown(button) ? 1 : 0;
        }
        for (const char* item : {"SaveMidiFile1", "SaveFileAs1", "Refilter1", "Edit1", "Play1"}) {
            available += Action(item)->isEnabled() ? 1 : 0;
        }
        return available;
    }

    std::string WriteSong(const char* name, int slices = kSlices) const {
        return trx::test::WriteWav(*dir, name, {},
                                   trx::test::Sine(220.0, 0.5, std::size_t(2048) * slices));
    }
    bool Open(const std::string& path) {
        modal.Queue(ScriptedAnswer::Path(Q(path)));
        return form->OpenSoundFile();
    }
    void Convert() { Action("Convert1")->trigger(); }
    // The text of the error dialog the next request shows.
    void CaptureError(QString& text) {
        modal.Queue(ScriptedAnswer::Run([&text](QDialog& dialog) {
            text = dialog.findChild<QLabel*>("ErrLabel")->text();
            return int(QDialog::Accepted);
        }));
    }

    ScriptedInteraction modal;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<trx::TMidiForm> form;

private slots:
    void init() {
        modal.Clear();
        dir = std::make_unique<TempDir>();
        form = std::make_unique<trx::TMidiForm>(modal);
        form->SetRegistryStore(trx::RegistryStore(Q(dir->File("store.ini"))));
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    void OpeningAWavFileOffersConvertAndProposesItsMidiName() {
        const std::string song = WriteSong("song.wav");
        QVERIFY(Open(song));
        const auto& dialog = modal.Requests().front();
        QCOMPARE(dialog.Kind, RequestKind::OpenDialog);
        QCOMPARE(dialog.Dialog.Filter, QString("WAV files|*.wav|All files|*.*"));
        QVERIFY(dialog.Dialog.FileMustExist);

        QVERIFY(ConvertAvailable());
        QCOMPARE(ResultCommandsAvailable(), 0);
        QCOMPARE(form->windowTitle(), QString("Tremolundrix - song.wav"));
        QCOMPARE(Q(form->Session().WavFileName), Q(song));
        QCOMPARE(form->SaveDialog1.InitialDir, Q(dir->Path().string()));
        QCOMPARE(form->SaveDialog1.FileName, QString("song.mid"));
        QCOMPARE(form->SaveDialog2.InitialDir, Q(dir->Path().string()));
        const trx::WorkingState& state = form->State();
        QCOMPARE(state.SliceCount(), kSlices);
        QCOMPARE(state.AmplitudeMap, trx::FloatMatrix(kSlices, 107));
        QCOMPARE(state.NoteMap, trx::FloatMatrix(kSlices, 107));
        QCOMPARE(state.LoudestComponents, trx::FloatMatrix(kSlices, 10));
        QCOMPARE(form->findChild<QLabel*>("StatusPanel0")->text(), QString());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        // Nothing converted yet, so nothing to lose.
        form->show();
        QVERIFY(form->close());
        QCOMPARE(modal.Requests().size(), std::size_t{1});
    }

    void ConvertingOffersTheResultAndDrawsTheMap() {
        QVERIFY(Open(WriteSong("song.wav")));
        form->show();
        Convert();
        QCOMPARE(modal.Requests().size(), std::size_t{1});
        QCOMPARE(ResultCommandsAvailable(), 10);
        QVERIFY(ConvertAvailable());
        QVERIFY(!form->Session().Saved);
        QVERIFY(!form->AnalysisBusy);
        QVERIFY(!form->AbortForm().isVisible());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        // The placeholders stay greyed: they do nothing.
        QVERIFY(!Child("DummyBtn1")->isEnabled());
        QVERIFY(!Child("Dummy6Btn")->isEnabled());
        QVERIFY(Child("TuningTB")->isEnabled());

        const trx::WorkingState& state = form->State();
        QCOMPARE(state.LastAnalysedSlice, kSlices - 1);
        QCOMPARE(state.AnalysedFileName, Q(form->Session().WavFileName).toStdString());
        QVERIFY(state.NoteMap(20, kNoteBin) > 0.0f);

        // The note's row is lit in the map, the rows far from it are not.
        auto* map = Child<trx::TNoteMapBox>("PaintBox1");
        QCOMPARE(map->width(), kSlices);
        const QImage picture = map->grab().toImage();
        QVERIFY(qGray(picture.pixel(20, trx::GetNoteY(kNoteBin))) > 0);
        QCOMPARE(qGray(picture.pixel(20, trx::GetNoteY(kNoteBin + 12))), 0);

        // Now there is something to lose.
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->close());
        QCOMPARE(modal.Requests().back().Text, kSaveQuestion);
    }

    void SecondOpenAsksAboutTheResultOnlyAfterTheDialog() {
        const std::string first = WriteSong("first.wav");
        QVERIFY(Open(first));
        Convert();
        const trx::FloatMatrix result = form->State().NoteMap;

        // Cancelling the dialog asks nothing more.
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->OpenSoundFile());
        QCOMPARE(modal.Requests().size(), std::size_t{2});

        modal.Queue(ScriptedAnswer::Path(Q(WriteSong("second.wav"))));
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->OpenSoundFile());
        QCOMPARE(modal.Requests().size(), std::size_t{4});
        QCOMPARE(modal.Requests()[2].Kind, RequestKind::OpenDialog);
        QCOMPARE(modal.Requests()[3].Text, kSaveQuestion);

        // Cancel keeps the first file and its result.
        QCOMPARE(Q(form->Session().WavFileName), Q(first));
        QCOMPARE(form->windowTitle(), QString("Tremolundrix - first.wav"));
        QCOMPARE(form->State().NoteMap, result);
        QVERIFY(form->State().Sound.IsOpen());
        QVERIFY(!form->Session().Saved);
        QVERIFY(ConvertAvailable());
        QCOMPARE(ResultCommandsAvailable(), 10);
        QCOMPARE(modal.Unanswered(), 0);
    }

    void CancellingTheFirstOpenLeavesConvertUnavailable() {
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->OpenSoundFile());
        QVERIFY(!ConvertAvailable());
        QCOMPARE(form->windowTitle(), QString("Tremolundrix - Wave to Midi conversion"));
    }

    void FailedOpenShowsItsMessageAndHidesEveryCommand_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const auto wav = [](const trx::test::WavSpec& spec) {
            const auto bytes = trx::test::BuildWav(spec, std::vector<std::uint8_t>(8192, 0));
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        };
        QByteArray riff = wav({});
        riff[3] = 'X';
        QTest::newRow("no RIFF") << riff << "Invalid WAV file - RIFF header not found";
        QByteArray wave = wav({});
        wave[8] = 'w';
        QTest::newRow("no WAVE") << wave << "Invalid WAV file - WAVE header not found";
        trx::test::WavSpec junk;
        junk.chunksBeforeFmt = {'J', 'U', 'N', 'K', 4, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("chunk before fmt")
            << wav(junk) << "Invalid WAV file - format header not found";
        QByteArray noData = wav({});
        noData.replace("data", "dada");
        QTest::newRow("no data") << noData << "Invalid WAV file - unable to find data block";
    }
    void FailedOpenShowsItsMessageAndHidesEveryCommand() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QVERIFY(Open(WriteSong("good.wav")));
        Convert();
        const std::string bad = dir->File("bad.wav");
        trx::test::WriteBytes(bad, {bytes.begin(), bytes.end()});

        modal.Queue(ScriptedAnswer::Path(Q(bad)));
        modal.Queue(ScriptedAnswer::No());
        QVERIFY(!form->OpenSoundFile());
        const auto& shown = modal.Requests().back();
        QCOMPARE(shown.Kind, RequestKind::Tell);
        QCOMPARE(shown.Text, message);
        QCOMPARE(shown.Caption, QString("Tremolundrix"));
        QCOMPARE(shown.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        QVERIFY(!ConvertAvailable());
        QCOMPARE(ResultCommandsAvailable(), 0);
        // Nothing is open, so the caption names no file.
        QCOMPARE(form->windowTitle(), QString("Tremolundrix - Wave to Midi conversion"));
        QVERIFY(!form->State().Sound.IsOpen());
        QVERIFY(Q(form->Session().WavFileName).isEmpty());
        QCOMPARE(form->State().SliceCount(), 0);
        QVERIFY(form->Session().Saved);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void UnreadableFilesReportTheirCause() {
        // A file that is not there: the error report names the routine.
        QString error;
        modal.Queue(ScriptedAnswer::Path(Q(dir->File("missing.wav"))));
        CaptureError(error);
        QVERIFY(!form->OpenSoundFile());
        QVERIFY2(error.endsWith(" occured in OpenSoundFile"), qPrintable(error));
        QVERIFY(!ConvertAvailable());

        // A folder opens but is no WAV file: it is named for what it is.
        modal.Queue(ScriptedAnswer::Path(Q(dir->Path().string())));
        QVERIFY(!form->OpenSoundFile());
        const auto& shown = modal.Requests().back();
        QCOMPARE(shown.Kind, RequestKind::Tell);
        QCOMPARE(shown.Caption, QString("Tremolundrix"));
        QVERIFY2(shown.Text.endsWith(" is a folder, not a WAV file"), qPrintable(shown.Text));
        QVERIFY(!ConvertAvailable());
    }

    void RecordingShorterThanASliceIsNotConverted() {
        QVERIFY(Open(trx::test::WriteWav(*dir, "short.wav", {}, trx::test::Sine(220, 0.5, 2000))));
        QCOMPARE(form->State().SliceCount(), 0);
        QVERIFY(ConvertAvailable());
        Convert();
        const auto& shown = modal.Requests().back();
        QCOMPARE(shown.Kind, RequestKind::Tell);
        QCOMPARE(shown.Text, QString("The recording is shorter than one time slice (2048 samples); "
                                     "nothing to convert"));
        QCOMPARE(ResultCommandsAvailable(), 0);
        QVERIFY(form->Session().Saved);
    }

    void AbortAtTheFirstCheckpointStillOffersTheResult() {
        QVERIFY(Open(WriteSong("song.wav")));
        // Runs when the analysis first lets events in, before slice 9.
        QTimer::singleShot(0, form.get(), [this] { form->AbortForm().AbortBtnClick(); });
        Convert();
        const trx::WorkingState& state = form->State();
        QCOMPARE(state.LastAnalysedSlice, 8);
        QVERIFY(state.AmplitudeMap(8, kNoteBin) > 0.0f);
        QCOMPARE(state.AmplitudeMap(9, kNoteBin), 0.0f);
        QVERIFY(state.NoteMap(4, kNoteBin) > 0.0f);
        QCOMPARE(ResultCommandsAvailable(), 10);
        QVERIFY(!form->Session().Saved);
        QVERIFY(!form->AbortForm().isVisible());

        // The same file again, aborted at once: the maps are not cleared
        // first, so the slices after the abort point keep what the first
        // run left there.
        Convert();
        const float fullRun = state.AmplitudeMap(30, kNoteBin);
        QVERIFY(fullRun > 0.0f);
        QTimer::singleShot(0, form.get(), [this] { form->AbortForm().AbortBtnClick(); });
        Convert();
        QCOMPARE(state.LastAnalysedSlice, 8);
        QCOMPARE(state.AmplitudeMap(30, kNoteBin), fullRun);
    }

    void ErrorInTheAnalysisIsReportedAfterEverythingIsRestored() {
        QVERIFY(Open(WriteSong("song.wav")));
        form->show();
        // A map that does not fit the recording makes the analysis fail.
        form->State().AmplitudeMap.Resize(1, 107);
        QString error;
        bool restored = false;
        modal.Queue(ScriptedAnswer::Run([&](QDialog& dialog) {
            error = dialog.findChild<QLabel*>("ErrLabel")->text();
            restored = !form->AbortForm().isVisible() && Child("TuningTB")->isEnabled() &&
                       Child("OpenBtn")->isEnabled() && Action("Open1")->isEnabled() &&
                       QGuiApplication::overrideCursor() == nullptr &&
                       ResultCommandsAvailable() == 10 && !form->AnalysisRunning();
            return int(QDialog::Accepted);
        }));
        // The filtering that always follows finds nothing to filter.
        modal.Queue(ScriptedAnswer::Accept());
        Convert();
        QVERIFY2(error.endsWith(" occured in AnalyseWave"), qPrintable(error));
        QVERIFY(error.size() > QString(" occured in AnalyseWave").size());
        QVERIFY(restored);
        QCOMPARE(modal.Requests().back().DialogTitle, QString("Unanticipated Error"));
        QCOMPARE(modal.Unanswered(), 0);
    }

    void WindowIsRepaintedOnceTheProgressWindowHasGone() {
        QVERIFY(Open(WriteSong("song.wav")));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        // Filtering lets no event in, so the window system's request to paint
        // what lay under the progress window would wait until the command
        // ends: the pictures' box, which the end of the analysis leaves as it
        // was, is painted whole before filtering.
        QRegion painted;
        bool converting = true;
        PaintWatch watch([&](const QWidget&, const QRegion& region) {
            if (converting && !form->AnalysisRunning() && !form->AbortForm().isVisible()) {
                painted += region;
            }
        });
        QWidget* pictures = Child("ScrollBox1");
        pictures->installEventFilter(&watch);
        Convert();
        converting = false;
        QVERIFY(painted.contains(pictures->rect()));
    }

    void SilentRecordingReportsTheFilterErrorThenClearsTheProgress() {
        const std::string quiet = trx::test::WriteWav(
            *dir, "quiet.wav", {}, std::vector<double>(std::size_t(2048) * kSlices, 0.0));
        QVERIFY(Open(quiet));
        QString error;
        QString statusAtReport;
        modal.Queue(ScriptedAnswer::Run([&](QDialog& dialog) {
            error = dialog.findChild<QLabel*>("ErrLabel")->text();
            statusAtReport = Child<QLabel>("StatusPanel0")->text();
            return int(QDialog::Accepted);
        }));
        Convert();
        QCOMPARE(error, QString("Invalid floating point operation occured in FilterAnalysis"));
        // Shown while the message is read, gone once it is closed.
        QCOMPARE(statusAtReport, QString("Filtering midi sections"));
        QCOMPARE(Child<QLabel>("StatusPanel0")->text(), QString());
        QCOMPARE(form->Progress(), 0.0);
    }

    void GivenAndDroppedFilesOpenLikeTheOpenCommand() {
        // No file given: nothing happens.
        trx::OpenAtStart(*form, {"tremolundrix"});
        QCoreApplication::processEvents();
        QVERIFY(modal.Requests().empty());
        QVERIFY(!ConvertAvailable());

        const std::string first = WriteSong("first.wav");
        trx::OpenAtStart(*form, {"tremolundrix", Q(first)});
        QTRY_VERIFY(ConvertAvailable());
        QCOMPARE(Q(form->Session().WavFileName), Q(first));
        QCOMPARE(form->OpenDialog1.FileName, Q(first));
        QVERIFY(modal.Requests().empty());
        Convert();

        // A dropped WAV file asks about the unsaved result first.
        const std::string second = WriteSong("second.WAV");
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(Q(second))});
        const auto dropSecond = [&] {
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(form.get(), &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(form.get(), &drop);
            return enter.isAccepted() && drop.isAccepted();
        };
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(dropSecond());
        QTRY_COMPARE(modal.Requests().size(), std::size_t{1});
        QCOMPARE(modal.Requests()[0].Text, kSaveQuestion);
        QCOMPARE(Q(form->Session().WavFileName), Q(first));
        modal.Queue(ScriptedAnswer::No());
        QVERIFY(dropSecond());
        QTRY_COMPARE(Q(form->Session().WavFileName), Q(second));
        delete data;

        // Anything but one local WAV file is refused.
        QMimeData text;
        text.setUrls({QUrl::fromLocalFile("/tmp/notes.txt")});
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form.get(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    void ARecordingShortenedUnderItsMappingIsReportedAndTheProgramGoesOn() {
        const std::string song = WriteSong("song.wav");
        QVERIFY(Open(song));
        // Another program cuts the file, read in place, before the analysis.
        QCOMPARE(::truncate(song.c_str(), 4096), 0);
        QString error;
        CaptureError(error);
        Convert();
        QCOMPARE(error, QString(trx::kMappingFaultMessage) + " occured in AnalyseWave");
        QVERIFY(ConvertAvailable());
        QVERIFY(!form->AnalysisBusy);
    }

    void MenuAndShortcutsAreLockedWhileTheAnalysisRuns() {
        QVERIFY(Open(WriteSong("song.wav")));
        form->show();
        QStringList enabledDuring;
        bool panelsLocked = false;
        bool progressShown = false;
        bool closed = true;
        QTimer::singleShot(0, form.get(), [&] {
            const QList<QAction*> actions = form->findChildren<QAction*>();
            for (const QAction* action : actions) {
                if (action->isEnabled() && !action->isSeparator() &&
                    !action->objectName().isEmpty()) {
                    enabledDuring.append(action->objectName());
                }
            }
            panelsLocked = !Child("TuningTB")->isEnabled() && !Child("OpenBtn")->isEnabled();
            progressShown = form->AbortForm().isVisible() && form->AnalysisRunning();
            closed = form->close();
        });
        Convert();
        QVERIFY2(enabledDuring.isEmpty(), qPrintable(enabledDuring.join(' ')));
        QVERIFY(panelsLocked);
        QVERIFY(progressShown);
        QVERIFY(!closed);
        QVERIFY(form->isVisible());
        QCOMPARE(form->State().LastAnalysedSlice, kSlices - 1);

        // Given back as they were, then the result commands on top.
        for (const char* name :
             {"File1", "Midi1", "Help1", "Open1", "SaveSettings1", "LoadSettings1", "Options1",
              "VersionCheck", "Exit1", "Convert1", "InstalledCodecs1", "AboutTremolundrix1"}) {
            QVERIFY2(Action(name)->isEnabled(), name);
        }
        QVERIFY(Action("VersionCheck")->isChecked());
        QCOMPARE(ResultCommandsAvailable(), 10);
    }

    void RefilterRepeatsTheConversionWithoutTheAnalyser() {
        QVERIFY(Open(WriteSong("song.wav")));
        form->show();
        auto* pretty = Child<QCheckBox>("PrettyCB");
        pretty->setChecked(true);
        int paints = 0;
        struct Counter : QObject {
            int& count;
            explicit Counter(int& c)
                : count(c) {}
            bool eventFilter(QObject*, QEvent* event) override {
                count += event->type() == QEvent::Paint ? 1 : 0;
                return false;
            }
        } counter(paints);
        Child("ampsPB")->installEventFilter(&counter);

        Convert();
        // The analyser was shown, at the display's pace rather than per slice.
        QVERIFY2(paints >= 2, qPrintable(QString::number(paints)));
        const trx::FloatMatrix converted = form->State().NoteMap;
        const float maximum = form->State().NoteMapMaximum;
        modal.Queue(ScriptedAnswer::Path(Q(dir->File("song.mid"))));
        Action("SaveMidiFile1")->trigger();
        QVERIFY(form->Session().Saved);

        form->State().NoteMap.Fill(0.0f);
        paints = 0;
        Action("Refilter1")->trigger();
        QCOMPARE(form->State().NoteMap, converted);
        QCOMPARE(form->State().NoteMapMaximum, maximum);
        QVERIFY(pretty->isChecked());
        QVERIFY2(paints <= 3, qPrintable(QString::number(paints)));
        QVERIFY(!form->Session().Saved);
    }

    void AccurateEngineIsRememberedAndMakesTheMap() {
        QVERIFY(CheckAndReopen("AccurateEngine1", "Accurate Engine"));
        QVERIFY(form->Session().Engine == trx::TranscriptionEngine::Accurate);
        QVERIFY(Open(WriteSong("song.wav")));
        Convert();
        QCOMPARE(Child<QLabel>("StatusPanel0")->text(), QString("Note map by the accurate engine"));
        QCOMPARE(form->State().NoteMap.Rows(), form->State().SliceCount());
        Action("AccurateEngine1")->trigger();
        Convert();
        QCOMPARE(Child<QLabel>("StatusPanel0")->text(), QString("Note map by the classic engine"));
    }

    void WriteBeatGridIsRememberedAndPutsTheSavedFileOnTheBeat() {
        QVERIFY(CheckAndReopen("WriteBeatGrid1", "Write Beat Grid"));

        std::vector<trx::test::Pluck> clicks;
        for (const double t : trx::test::BeatTimes(100, 100, 0.3, 12.0))
            clicks.push_back({t, 72, 0.6});
        QVERIFY(Open(
            trx::test::WriteWav(*dir, "clicks.wav", {}, trx::test::PluckValues(clicks, 12.0))));
        Convert();
        const std::string midi = dir->File("clicks.mid");
        QVERIFY(form->SaveMidiFile(Q(midi)));
        // Division 480 ticks per quarter note: the file is on the beat grid.
        const std::vector<std::uint8_t> onGrid = ReadAll(midi);
        QVERIFY(onGrid.size() > 14 && onGrid[12] == 0x01 && onGrid[13] == 0xE0);

        QVERIFY(Open(WriteSong("held.wav")));
        Convert();
        QVERIFY(form->SaveMidiFile(Q(dir->File("held.mid"))));
        QCOMPARE(Child<QLabel>("StatusPanel0")->text(),
                 QString("No beat found, written without beat grid"));
        const trx::WorkingState& state = form->State();
        QVERIFY(ReadAll(dir->File("held.mid")) ==
                trx::BuildMidiFromNoteMap(dir->File("held.mid"), state.NoteMap,
                                          state.NoteMapMaximum, state.NoteKernels.FirstNoteBin, 15,
                                          -1));
    }

    void SaveWritesTheNoteMapAndMarksTheResultSaved() {
        QVERIFY(Open(WriteSong("song.wav")));
        Convert();
        const std::string midi = dir->File("song.mid");
        modal.Queue(ScriptedAnswer::Path(Q(midi)));
        QTest::mouseClick(Child("SaveBtn"), Qt::LeftButton, {}, QPoint(25, 15));
        const auto& dialog = modal.Requests().back().Dialog;
        QCOMPARE(dialog.Filter, QString("MIDI files|*.mid;*.mdi;*.midi|All files|*.*"));
        QCOMPARE(dialog.DefaultExt, QString(".mid"));
        QCOMPARE(dialog.FileName, QString("song.mid"));

        const trx::WorkingState& state = form->State();
        const std::vector<std::uint8_t> expected = trx::BuildMidiFromNoteMap(
            midi, state.NoteMap, state.NoteMapMaximum, state.NoteKernels.FirstNoteBin, 15, -1);
        QVERIFY(ReadAll(midi) == expected);
        QVERIFY(form->Session().Saved);
        QCOMPARE(Q(form->Session().MidiFileName), Q(midi));
        QVERIFY(Shown("PlayBtn") && Action("Play1")->isEnabled());

        // Saving again goes to the same file without asking.
        form->Session().Saved = false;
        const std::size_t asked = modal.Requests().size();
        Action("SaveMidiFile1")->trigger();
        QCOMPARE(modal.Requests().size(), asked);
        QVERIFY(form->Session().Saved);
        QVERIFY(ReadAll(midi) == expected);

        // A folder that does not exist: reported, nothing changes.
        form->Session().Saved = false;
        QString error;
        CaptureError(error);
        QVERIFY(!form->SaveMidiFile(Q(dir->File("no/such/folder.mid"))));
        QVERIFY2(error.endsWith(" occured in SaveMidiFile"), qPrintable(error));
        QVERIFY(!form->Session().Saved);
        QCOMPARE(Q(form->Session().MidiFileName), Q(midi));
    }

    void SaveAsAsksBeforeReplacingAnotherFile() {
        QVERIFY(Open(WriteSong("song.wav")));
        Convert();
        const std::string taken = dir->File("taken.mid");
        trx::test::WriteBytes(taken, {'o', 'l', 'd'});
        const std::string fresh = dir->File("fresh.mid");

        // No shows the dialog again.
        modal.Queue(ScriptedAnswer::Path(Q(taken)));
        modal.Queue(ScriptedAnswer::No());
        modal.Queue(ScriptedAnswer::Path(Q(fresh)));
        Action("SaveFileAs1")->trigger();
        const auto& requests = modal.Requests();
        QCOMPARE(requests.size(), std::size_t{4});
        QCOMPARE(requests[1].Kind, RequestKind::SaveDialog);
        QCOMPARE(requests[2].Text, kOverwriteQuestion);
        QCOMPARE(requests[2].Caption, QString("Tremolundrix"));
        QCOMPARE(requests[2].Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(requests[2].Icon, QMessageBox::Question);
        QCOMPARE(requests[3].Kind, RequestKind::SaveDialog);
        QVERIFY(ReadAll(taken) == std::vector<std::uint8_t>({'o', 'l', 'd'}));
        QVERIFY(QFile::exists(Q(fresh)));
        QCOMPARE(Q(form->Session().MidiFileName), Q(fresh));

        // Cancel writes nothing; the current file is replaced without asking.
        modal.Queue(ScriptedAnswer::Path(Q(taken)));
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->SaveMidiFileAs());
        QVERIFY(ReadAll(taken) == std::vector<std::uint8_t>({'o', 'l', 'd'}));
        modal.Queue(ScriptedAnswer::Path(Q(fresh)));
        QVERIFY(form->SaveMidiFileAs());
        QCOMPARE(modal.Requests().size(), std::size_t{7});

        modal.Queue(ScriptedAnswer::Path(Q(taken)));
        modal.Queue(ScriptedAnswer::Yes());
        QVERIFY(form->SaveMidiFileAs());
        QCOMPARE(ReadAll(taken).size(), ReadAll(fresh).size());
        QCOMPARE(Q(form->Session().MidiFileName), Q(taken));
        QCOMPARE(modal.Unanswered(), 0);
    }

    void YesToTheUnsavedQuestionSavesBeforeTheNextFileOpens() {
        QVERIFY(Open(WriteSong("first.wav")));
        Convert();
        const std::string midi = dir->File("first.mid");
        const std::string second = WriteSong("second.wav");
        modal.Queue(ScriptedAnswer::Path(Q(second)));
        modal.Queue(ScriptedAnswer::Yes());
        modal.Queue(ScriptedAnswer::Path(Q(midi)));
        QVERIFY(form->OpenSoundFile());
        QVERIFY(QFile::exists(Q(midi)));
        QCOMPARE(Q(form->Session().WavFileName), Q(second));
        QVERIFY(Q(form->Session().MidiFileName).isEmpty());
        QVERIFY(form->Session().Saved);
        QCOMPARE(ResultCommandsAvailable(), 0);
        QCOMPARE(modal.Unanswered(), 0);
    }

    void SettingsRoundTripThroughTheControls() {
        auto* tuning = Child<QSlider>("TuningTB");
        tuning->setValue(-7);
        Child<QSlider>("PolyTB")->setValue(10);
        Child<QSlider>("ChordThresholdTB")->setValue(45);
        Child<QCheckBox>("PhaseCB")->setChecked(true);
        Child<QCheckBox>("SpikeCB")->setChecked(false);
        const trx::ConversionSettings chosen = form->CurrentSettings();

        // With no MIDI file saved, no name is proposed.
        const std::string path = dir->File("mine.trs");
        modal.Queue(ScriptedAnswer::Path(Q(path)));
        Action("SaveSettings1")->trigger();
        const auto& dialog = modal.Requests().back().Dialog;
        QCOMPARE(dialog.FileName, QString());
        QCOMPARE(dialog.Filter, QString("Tremolundrix Settings Files|*.trs|All files|*.*"));
        const auto bytes = trx::SettingsFileBytes(chosen);
        QVERIFY(ReadAll(path) == std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        QCOMPARE(Q(form->Session().SettingsFileName), Q(path));

        tuning->setValue(0);
        Child<QSlider>("PolyTB")->setValue(5);
        Child<QCheckBox>("SpikeCB")->setChecked(true);
        modal.Queue(ScriptedAnswer::Path(Q(path)));
        Action("LoadSettings1")->trigger();
        QCOMPARE(form->CurrentSettings(), chosen);
        QCOMPARE(Child<QLabel>("TuneLbl")->text(), QString("-7"));
        QCOMPARE(Child<QLabel>("PolyLbl")->text(), QString("Any"));
        QCOMPARE(Child<QLabel>("ThresholdLbl")->text(), QString("45%"));
        // The kernels followed the loaded tuning.
        trx::NoteKernels detuned;
        detuned.CreateFrequencyMap(trx::CentsRatio()[43]);
        QCOMPARE(form->State().NoteKernels.NoteFrequencies, detuned.NoteFrequencies);

        // A folder that does not exist: reported under the command's name.
        QString error;
        const std::string nowhere = dir->File("no/such/folder.trs");
        modal.Queue(ScriptedAnswer::Path(Q(nowhere)));
        CaptureError(error);
        Action("SaveSettings1")->trigger();
        QVERIFY2(error.endsWith(" occured in SaveSettingsClick"), qPrintable(error));
        QCOMPARE(Q(form->Session().SettingsFileName), Q(nowhere));
        QCOMPARE(modal.Unanswered(), 0);
    }

    void SaveSettingsProposesTheMidiNameAndAsksBeforeReplacing() {
        QVERIFY(Open(WriteSong("song.wav")));
        Convert();
        modal.Queue(ScriptedAnswer::Path(Q(dir->File("song.mid"))));
        Action("SaveFileAs1")->trigger();
        const std::string proposed = dir->File("song.trs");
        trx::test::WriteBytes(proposed, {1, 2, 3});

        // The proposal exists already: choosing it still asks.
        modal.Queue(ScriptedAnswer::Path(Q(proposed)));
        modal.Queue(ScriptedAnswer::Cancel());
        Action("SaveSettings1")->trigger();
        const auto& requests = modal.Requests();
        QCOMPARE(requests[requests.size() - 2].Dialog.FileName, Q(proposed));
        QCOMPARE(requests.back().Text, kOverwriteQuestion);
        QCOMPARE(ReadAll(proposed).size(), std::size_t{3});
        QVERIFY(Q(form->Session().SettingsFileName).isEmpty());

        modal.Queue(ScriptedAnswer::Path(Q(proposed)));
        modal.Queue(ScriptedAnswer::Yes());
        Action("SaveSettings1")->trigger();
        QCOMPARE(ReadAll(proposed).size(), std::size_t{40});
        // The file now in use is written again without a question.
        const std::size_t asked = modal.Requests().size();
        modal.Queue(ScriptedAnswer::Path(Q(proposed)));
        Action("SaveSettings1")->trigger();
        QCOMPARE(modal.Requests().size(), asked + 1);
        QCOMPARE(modal.Unanswered(), 0);
    }

    void LoadingClampsTrackBarsAndChecksOnlyOnOne() {
        const std::string path = dir->File("odd.trs");
        trx::test::WriteBytes(path, Int32s({75, 0, 30, 80, 15, 30, 2, 2, 1, 2}));
        modal.Queue(ScriptedAnswer::Path(Q(path)));
        Action("LoadSettings1")->trigger();
        QCOMPARE(Child<QSlider>("TuningTB")->value(), 50);
        QCOMPARE(Child<QLabel>("TuneLbl")->text(), QString("50"));
        QCOMPARE(Child<QSlider>("PolyTB")->value(), 1);
        QVERIFY(!Child<QCheckBox>("SpikeCB")->isChecked());
        QVERIFY(Child<QCheckBox>("LoudStartCB")->isChecked());
        QCOMPARE(modal.Requests().size(), std::size_t{1});
    }

    void ShortSettingsFileAppliesWhatItHoldsThenReports() {
        Child<QCheckBox>("PhaseCB")->setChecked(true);
        Child<QCheckBox>("SpikeCB")->setChecked(false);
        const std::string path = dir->File("short.trs");
        trx::test::WriteBytes(path, Int32s({-20, 3, 10, 20, 30, 40}));
        QString error;
        modal.Queue(ScriptedAnswer::Path(Q(path)));
        CaptureError(error);
        Action("LoadSettings1")->trigger();
        QCOMPARE(error, QString("Read beyond end of file occured in LoadSettingClick"));
        const trx::ConversionSettings loaded = form->CurrentSettings();
        QCOMPARE(loaded.TuningCents, -20);
        QCOMPARE(loaded.AmplitudeFluctuation, 40);
        QVERIFY(loaded.PhaseAnalysis);
        QVERIFY(!loaded.SpikeRemoval);
        QCOMPARE(Q(form->Session().SettingsFileName), Q(path));
    }

    void VersionOptionStoresTheStartUpSwitch() {
        QAction* option = Action("VersionCheck");
        QVERIFY(option->isChecked());
        QCOMPARE(form->ReadRegString("Check Version"), QString());
        option->trigger();
        QVERIFY(!option->isChecked());
        QCOMPARE(form->ReadRegString("Check Version"), QString("0"));
        option->trigger();
        QCOMPARE(form->ReadRegString("Check Version"), QString("1"));
        // A fresh window shows it checked whatever is stored.
        option->trigger();
        trx::TMidiForm next(modal);
        QVERIFY(next.findChild<QAction*>("VersionCheck")->isChecked());

        // A store that cannot be written: reported, the mark stays as chosen.
        const std::string blocker = dir->File("file");
        trx::test::WriteBytes(blocker, {0});
        form->SetRegistryStore(trx::RegistryStore(Q(blocker + "/store.ini")));
        QString error;
        CaptureError(error);
        option->trigger();
        QVERIFY2(error.endsWith(" occured in WriteRegString"), qPrintable(error));
        QVERIFY(option->isChecked());

        // A store that cannot be opened for reading holds no values: it
        // reads empty, and nothing is reported.
        form->SetRegistryStore(trx::RegistryStore(Q(dir->Path().string())));
        const std::size_t asked = modal.Requests().size();
        QCOMPARE(form->ReadRegString("Check Version"), QString());
        QCOMPARE(modal.Requests().size(), asked);
        QCOMPARE(modal.Unanswered(), 0);
    }

    void ADamagedStoreKeepsWhatCanBeReadAndIsRewrittenWhole() {
        // One malformed line after the user's opt-out, in a key line and in a
        // section header.
        for (const char* damage : {"garbage line\n", "[General\n"}) {
            const std::string file = dir->File("damaged.ini");
            std::ofstream(file) << "Check%20Version=0\n" << damage;
            const trx::RegistryStore store(Q(file));
            QCOMPARE(store.Read("Check Version"), QString("0"));
            QVERIFY_THROWS_NO_EXCEPTION(store.Write("Message", "news"));
            const std::vector<std::uint8_t> bytes = ReadAll(file);
            const std::string text(bytes.begin(), bytes.end());
            QVERIFY2(text.find(damage) == std::string::npos, text.c_str());
            QCOMPARE(store.Read("Check Version"), QString("0"));
            QCOMPARE(store.Read("Message"), QString("news"));
        }
    }

    void InstalledCodecsShowsTheCodecsDialog() {
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        modal.Queue(ScriptedAnswer::Accept());
        QTest::keyClick(form.get(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(modal.Requests().size(), std::size_t{1});
        QCOMPARE(modal.Requests().front().DialogTitle, QString("Installed Codecs"));
        QVERIFY(!form->Codecs().Drivers().empty());
    }

    void TuningBarRebuildsTheKernels() {
        auto* tuning = Child<QSlider>("TuningTB");
        tuning->setValue(-50);
        QCOMPARE(form->State().NoteKernels.FirstNoteBin, 9);
        tuning->setValue(0);
        QCOMPARE(form->State().NoteKernels.FirstNoteBin, 8);
        QCOMPARE(form->State().NoteKernels.NoteFrequencies[48], 220.0f);
    }
};

QTEST_MAIN(MidiFormCommandsTest)
#include "MidiFormCommandsTest.moc"
