#include "app/ui/TMidiForm.h"

#include "analysis/ui/TAnalyserBox.h"
#include "analysis/ui/TNoteMapBox.h"
#include "app/FileNames.h"
#include "app/ui/ActionLock.h"
#include "app/ui/LocalPath.h"
#include "app/ui/MidiFormProgress.h"
#include "app/ui/OpenWith.h"
#include "app/ui/ProgressPanel.h"
#include "app/ui/SavePathQuestion.h"
#include "app/ui/ScopeExit.h"
#include "app/ui/TAbortForm.h"
#include "app/ui/TErrorDlg.h"
#include "audio/OpenObserver.h"
#include "audio/ui/ShowCodecs.h"
#include "audio/ui/TCodecForm.h"
#include "common/Errors.h"
#include "common/Rounding.h"
#include "controls/ui/THemisphereButton.h"
#include "controls/ui/WindowStyle.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QToolTip>

#include <cstring>
#include <string>

namespace trx {

namespace {

const QString kNoFileCaption = "Tremolundrix - Wave to Midi conversion";

void RestoreDefaultCursor() {
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
}

QString ErrorText(std::exception_ptr error) {
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return "Unknown error";
    }
}

// What the reading of a WAV file shows in the window while it works.
class WindowOpenObserver : public OpenObserver {
public:
    explicit WindowOpenObserver(QWidget& window)
        : window_(window) {}

    void FileSizeKnown(const std::string& fileNameWithoutFolder) override {
        window_.setWindowTitle("Tremolundrix - " + DisplayPath(fileNameWithoutFolder));
    }
    void ConversionStarted() override { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

private:
    QWidget& window_;
};

} // namespace

TMidiForm::TMidiForm(ModalInteraction& interaction, QWidget* parent)
    : QMainWindow(parent)
    , interaction_(interaction) {
    setObjectName("MidiForm");
    setWindowTitle(kNoFileCaption);
    WindowStyle::ApplyFormColor(*this);

    ui_.Build(*this);
    // One pixel column per slice; no file, no slices.
    ui_.PaintBox1->SetStateSource([this] {
        return MapPaintState{State().SliceCount(), State().LastAnalysedSlice, AnalysisBusy};
    });
    results_ =
        ResultCommands({ui_.ConvertBtn, {ui_.Convert1}}, {ui_.FilterBtn, {ui_.Refilter1}},
                       {ui_.EditBtn, {ui_.Edit1}}, {ui_.PlayBtn, {ui_.Play1}},
                       {ui_.AutoTuneBtn, {}}, {ui_.SaveBtn, {ui_.SaveMidiFile1, ui_.SaveFileAs1}});
    ConnectCommands();
    AcceptFileDrops(*this);

    resize(784, 766);
    setMinimumWidth(784);
    setMaximumHeight(766);

    FormCreate();
}

TMidiForm::~TMidiForm() {
    FormDestroy();
}

void TMidiForm::ConnectCommands() {
    const std::pair<THemisphereButton*, void (TMidiForm::*)()> buttons[] = {
        {ui_.OpenBtn, &TMidiForm::OpenBtnClick},
        {ui_.SaveBtn, &TMidiForm::SaveBtnClick},
        {ui_.PlayBtn, &TMidiForm::PlayBtnClick},
        {ui_.StopBtn, &TMidiForm::StopBtnClick},
        {ui_.ConvertBtn, &TMidiForm::ConvertBtnClick},
        {ui_.FilterBtn, &TMidiForm::FilterBtnClick},
        {ui_.EditBtn, &TMidiForm::EditBtnClick},
        {ui_.ExitBtn, &TMidiForm::ExitBtnClick},
        {ui_.AboutBtn, &TMidiForm::AboutBtnClick},
        {ui_.AutoTuneBtn, &TMidiForm::AutoTuneBtnClick}};
    for (const auto& [button, handler] : buttons) {
        connect(button, &THemisphereButton::clicked, this, handler);
    }
    const std::pair<QAction*, void (TMidiForm::*)()> actions[] = {
        {ui_.Open1, &TMidiForm::OpenBtnClick},
        {ui_.SaveMidiFile1, &TMidiForm::SaveBtnClick},
        {ui_.SaveFileAs1, &TMidiForm::SaveFileAs1Click},
        {ui_.SaveSettings1, &TMidiForm::SaveSettingsClick},
        {ui_.LoadSettings1, &TMidiForm::LoadSettingsClick},
        {ui_.VersionCheck, &TMidiForm::VersionCheckClick},
        {ui_.WriteBeatGrid1, &TMidiForm::WriteBeatGridClick},
        {ui_.AccurateEngine1, &TMidiForm::AccurateEngineClick},
        {ui_.Exit1, &TMidiForm::ExitBtnClick},
        {ui_.Convert1, &TMidiForm::ConvertBtnClick},
        {ui_.Refilter1, &TMidiForm::FilterBtnClick},
        {ui_.Edit1, &TMidiForm::EditBtnClick},
        {ui_.Play1, &TMidiForm::PlayBtnClick},
        {ui_.InstalledCodecs1, &TMidiForm::InstalledCodecs1Click},
        {ui_.AboutTremolundrix1, &TMidiForm::AboutBtnClick}};
    for (const auto& [action, handler] : actions) {
        connect(action, &QAction::triggered, this, handler);
    }
    // Connected after the defaults are set: the initial label texts are
    // given by the widgets, and the kernels for tuning 0 by the session.
    const std::pair<QSlider*, void (TMidiForm::*)()> bars[] = {
        {ui_.TuningTB, &TMidiForm::TuningTBChange},
        {ui_.PolyTB, &TMidiForm::PolyTBChange},
        {ui_.ChordThresholdTB, &TMidiForm::ChordThresholdTBChange},
        {ui_.NeighbourTB, &TMidiForm::NeighbourTBChange},
        {ui_.MinimumTB, &TMidiForm::MinimumTBChange},
        {ui_.AmplitudeTB, &TMidiForm::AmplitudeTBChange}};
    for (const auto& [bar, handler] : bars) {
        connect(bar, &QSlider::valueChanged, this, handler);
    }
    connect(ui_.PrettyCB, &QCheckBox::toggled, this, &TMidiForm::PrettyCBClick);
}

void TMidiForm::FormCreate() {
    // The analysis picture, the sound file and the note list start empty
    // with the session, whose kernels are built for a factor of 1.0; the
    // map box paints itself black.
    AnalysisBusy = true;
    session_.Saved = true;
    progress_ = 0.0;
    session_.TempFiles.clear();
    ResetProgress();
    QPalette hints = QToolTip::palette();
    hints.setColor(QPalette::ToolTipBase, WindowStyle::HintColor());
    hints.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(hints);
    ui_.StatusPanel2->clear();
    SetStatusText("Welcome to Tremolundrix");
    ui_.StatusBar->repaint();
    RestoreBeatGridChoice();
}

void TMidiForm::FormDestroy() {
    // The session releases the maps, the file and the notes with its
    // members; the player lets go of its temporary file before the
    // temporary files are removed from the disk.
    playback_.Shutdown();
    session_.DeleteTempFiles();
}

void TMidiForm::SetAbortForm(TAbortForm* form) {
    abortForm_ = form;
}

void TMidiForm::SetCodecForm(TCodecForm* form) {
    codecForm_ = form;
}

TCodecForm& TMidiForm::CodecForm() {
    if (codecForm_.isNull()) {
        codecForm_ = new TCodecForm(codecs_.Drivers(), this);
    }
    return *codecForm_;
}

void TMidiForm::SetErrorDlg(TErrorDlg* dialog) {
    errorDlg_ = dialog;
}

TAbortForm& TMidiForm::AbortForm() {
    if (abortForm_.isNull()) {
        abortForm_ = new TAbortForm(this);
    }
    return *abortForm_;
}

TErrorDlg& TMidiForm::ErrorDlg() {
    if (errorDlg_.isNull()) {
        errorDlg_ = new TErrorDlg(this);
    }
    return *errorDlg_;
}

void TMidiForm::SetStatusText(const QString& text) {
    ui_.StatusPanel0->setText(text);
    ui_.StatusBar->repaint();
}

void TMidiForm::SetProgress(double fraction) {
    if (RoundHalfEven(fraction * 100.0) == RoundHalfEven(progress_ * 100.0)) {
        return;
    }
    progress_ = fraction;
    ui_.StatusPanel1->SetFraction(progress_);
    ui_.StatusBar->repaint();
}

void TMidiForm::ResetProgress() {
    progress_ = 0.0;
    ui_.StatusPanel1->SetFraction(progress_);
    SetStatusText(QString());
    RestoreDefaultCursor();
}

void TMidiForm::ReportError(const QString& message, const QString& routine) {
    TErrorDlg& dialog = ErrorDlg();
    dialog.SetMessage(
        QString::fromStdString(OccurredIn(message.toStdString(), routine.toStdString())));
    interaction_.Exec(dialog);
}

void TMidiForm::ShowSystemError(int errorCode) {
    Guarded("ShowSystemError", [&] {
        // The system's texts fit a buffer of 1023 characters.
        const QString text = QString::fromLocal8Bit(std::strerror(errorCode)).left(1023);
        interaction_.Tell(nullptr,
                          {text, "Error occurred", QMessageBox::Ok, QMessageBox::Critical});
    });
}

void TMidiForm::EnableControls(QWidget* container, bool enabled) {
    Guarded("EnableControls", [&] { SetControlsEnabled(container, enabled); });
}

bool TMidiForm::QuerySave() {
    const QMessageBox::StandardButton answer = interaction_.Ask(
        this, {"The current file is not saved. Save midi file now?", "Warning",
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Warning});
    switch (answer) {
    case QMessageBox::Yes:
        return session_.MidiFileName.empty() ? SaveMidiFileAs()
                                             : SaveMidiFile(DisplayPath(session_.MidiFileName));
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

bool TMidiForm::FormCloseQuery() {
    return session_.Saved || QuerySave();
}

void TMidiForm::closeEvent(QCloseEvent* event) {
    // The analysis works on the window's maps until it returns.
    if (analysing_) {
        event->ignore();
        return;
    }
    if (FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}

ConversionSettings TMidiForm::CurrentSettings() const {
    return ui_.Settings();
}

void TMidiForm::OpenBtnClick() {
    if (!analysing_) {
        (void)OpenSoundFile();
    }
}

bool TMidiForm::OpenSoundFile() {
    if (!interaction_.RunOpenDialog(this, OpenDialog1)) {
        ResetProgress();
        return false;
    }
    return OpenSoundFile(OpenDialog1.FileName);
}

bool TMidiForm::OpenSoundFile(const QString& path) {
    if (!session_.Saved && !QuerySave()) {
        ResetProgress();
        return false;
    }
    SetStatusText("Opening file");
    bool result = true;
    session_.Saved = true;

    std::exception_ptr failure;
    try {
        (void)CloseDataFile();
        session_.ReleaseResult();
        results_.HideAll();
        CreateFourierMap(0);
        AnalysisBusy = true;
        ui_.PaintBox1->repaint();

        session_.NameFiles(LocalPath(path));
        const QFileInfo midiName(DisplayPath(DefaultMidiName(session_.WavFileName)));
        SaveDialog1.InitialDir = midiName.path();
        SaveDialog1.FileName = midiName.fileName();
        SaveDialog2.InitialDir = midiName.path();

        WindowOpenObserver observer(*this);
        const OpenResult opened = session_.ReadFile(codecs_, observer);
        switch (opened.Outcome) {
        case OpenResult::Status::Opened:
            RestoreDefaultCursor();
            break;
        case OpenResult::Status::SystemError:
            result = false;
            ShowSystemError(opened.ErrorCode);
            break;
        case OpenResult::Status::Failed:
            result = false;
            ReportOpenError(QString::fromStdString(opened.Message), opened.ErrorCode);
            break;
        }
    } catch (...) {
        result = false;
        failure = std::current_exception();
    }

    // In every outcome, before any error report. Nothing is open after a
    // failure, so the caption names no file.
    RestoreDefaultCursor();
    if (!result) {
        setWindowTitle(kNoFileCaption);
    }
    results_.SetConvertAvailable(result);
    ResetProgress();
    if (failure) {
        ReportError(ErrorText(failure), "OpenSoundFile");
    }
    return result;
}

bool TMidiForm::CloseDataFile() {
    bool result = true;
    Guarded("CloseDataFile", [&] {
        int systemError = 0;
        result = session_.CloseDataFile(systemError);
        if (!result) {
            ShowSystemError(systemError);
        }
    });
    return result;
}

void TMidiForm::ReportOpenError(const QString& message, int pendingSystemError) {
    if (pendingSystemError != 0) {
        ShowSystemError(pendingSystemError);
    }
    (void)CloseDataFile();
    interaction_.Tell(this, {message, "Tremolundrix", QMessageBox::Ok, QMessageBox::NoIcon});
}

void TMidiForm::ConvertBtnClick() {
    if (analysing_) {
        return;
    }
    // A recording shorter than one slice has nothing to analyse, and its
    // empty map could not be filtered.
    if (State().SliceCount() <= 0) {
        interaction_.Tell(this, {QString::fromStdString(TooShortMessage()), "Tremolundrix",
                                 QMessageBox::Ok, QMessageBox::Information});
        return;
    }
    AnalyseWave();
    session_.Engine == TranscriptionEngine::Accurate ? TranscribeAccurately() : FilterAnalysis();
}

void TMidiForm::ConvertAgain() {
    ConvertBtnClick();
}

void TMidiForm::AnalyseWave() {
    Guarded("AnalyseWave", [this] {
        CreateFourierMap(State().SliceCount());
        session_.PrepareAnalysis();
        AnalysisBusy = true;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);

        // Declared first, so that the restoring steps give it back.
        std::optional<ActionLock> menuLock;
        const ScopeExit restore([this, &menuLock] { RestoreAfterAnalysis(menuLock); });
        analysing_ = true;
        AbortForm().show();
        EnableControls(ui_.ControlPanel, false);
        EnableControls(ui_.ButtonPanel, false);
        // The menu's commands would replace the file or the maps under the
        // running analysis.
        menuLock.emplace(*menuBar());
        MidiFormProgress progress(*this);
        session_.Analyse(progress);
    });
}

void TMidiForm::RestoreAfterAnalysis(std::optional<ActionLock>& menuLock) {
    AbortForm().hide();
    // Filtering lets no event in: the window system's request to paint what
    // lay under the progress window is taken now, while the commands are
    // still locked, or the window's ghost stays until the command ends.
    QGuiApplication::sync();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    EnableControls(ui_.ControlPanel, true);
    EnableControls(ui_.ButtonPanel, true);
    if (menuLock) {
        menuLock->Release();
    }
    analysing_ = false;
    RestoreDefaultCursor();
    AnalysisBusy = false;
    results_.ShowResults();
    ui_.ampsPB->repaint();
    ResetProgress();
    // And the window as it is now, for filtering to start on.
    repaint();
}

void TMidiForm::FilterAnalysis() {
    const bool filtered = Guarded("FilterAnalysis", [this] {
        const ConversionSettings settings = CurrentSettings();
        TAnalyserBox* analyser = settings.DrawSpectrum ? ui_.ampsPB : nullptr;
        if (analyser != nullptr) {
            analyser->BeginAnalyserRun(State().NoteKernels.FirstNoteBin);
        }
        MidiFormProgress progress(*this);
        session_.Filter(settings, progress, analyser);
        // Blanks the analyser.
        if (analyser != nullptr) {
            analyser->EndAnalyserRun();
        } else {
            ui_.ampsPB->repaint();
        }
        ResetProgress();
        DrawNoteMap();
        SetStatusText("Note map by the classic engine");
    });
    // The message stays; the failed stage's bar and status go once it is read.
    if (!filtered) {
        ResetProgress();
    }
}

void TMidiForm::CreateFourierMap(std::int32_t sliceCount) {
    Guarded("CreateFourierMap", [&] { ui_.PaintBox1->CreateFourierMap(sliceCount); });
}

void TMidiForm::DrawNoteMap() {
    MidiFormProgress progress(*this);
    ui_.PaintBox1->DrawNoteMap(State().NoteMap, State().NoteMapMaximum, State().SliceCount(),
                               progress);
    session_.Saved = false;
}

void TMidiForm::FilterBtnClick() {
    // Re-filtering never draws the analyser.
    const bool pretty = ui_.PrettyCB->isChecked();
    ui_.PrettyCB->setChecked(false);
    FilterAnalysis();
    ui_.PrettyCB->setChecked(pretty);
}

void TMidiForm::SaveBtnClick() {
    if (!session_.MidiFileName.empty()) {
        (void)SaveMidiFile(DisplayPath(session_.MidiFileName));
    } else {
        (void)SaveMidiFileAs();
    }
}

void TMidiForm::SaveFileAs1Click() {
    (void)SaveMidiFileAs();
}

bool TMidiForm::SaveMidiFile(const QString& path) {
    const bool wantGrid = ui_.WriteBeatGrid1->isChecked();
    std::optional<BeatGrid> grid;
    if (!Guarded("SaveMidiFile", [&] {
            if (wantGrid)
                grid = session_.FindBeatGrid();
            session_.SaveMidiFile(LocalPath(path), ui_.MinimumTB->value(), grid ? &*grid : nullptr);
        })) {
        return false;
    }
    if (wantGrid && !grid)
        SetStatusText("No beat found, written without beat grid");
    results_.ShowPlay();
    return true;
}

bool TMidiForm::SaveMidiFileAs() {
    bool saved = false;
    Guarded("SaveMidiFileAs", [&] {
        const std::optional<QString> path =
            AskSavePath(interaction_, this, SaveDialog1, DisplayPath(session_.MidiFileName));
        saved = path.has_value() && SaveMidiFile(*path);
    });
    return saved;
}

void TMidiForm::SetStopShown(bool shown) {
    ui_.StopBtn->setVisible(shown);
}

void TMidiForm::InstalledCodecs1Click() {
    Guarded("ShowCodecs", [this] { (void)ShowCodecs(codecs_, CodecForm(), interaction_); });
}

void TMidiForm::SaveSettingsClick() {
    settings_.Save();
}

void TMidiForm::LoadSettingsClick() {
    settings_.Load();
}

void TMidiForm::VersionCheckClick() {
    // The action has toggled its own check mark before this runs.
    WriteRegString("Check Version", ui_.VersionCheck->isChecked() ? "1" : "0");
}

void TMidiForm::WriteBeatGridClick() {
    WriteRegString("Write Beat Grid", ui_.WriteBeatGrid1->isChecked() ? "1" : "0");
}

void TMidiForm::RestoreBeatGridChoice() {
    ui_.WriteBeatGrid1->setChecked(ReadRegString("Write Beat Grid") == "1");
    RestoreEngineChoice();
}

void TMidiForm::SetRegistryStore(RegistryStore store) {
    registry_ = std::move(store);
    RestoreBeatGridChoice();
}

void TMidiForm::WriteRegString(const QString& name, const QString& value) {
    Guarded("WriteRegString", [&] { registry_.Write(name, value); });
}

QString TMidiForm::ReadRegString(const QString& name) {
    QString value;
    Guarded("ReadRegString", [&] { value = registry_.Read(name); });
    return value;
}

void TMidiForm::ExitBtnClick() {
    close();
}

void TMidiForm::TuningTBChange() {
    const int cents = ui_.TuningTB->value();
    ui_.TuneLbl->setText(cents == 0 ? QString("True") : QString::number(cents));
    Guarded("CreateFrequencyMap", [&] { session_.SetTuning(cents); });
}

void TMidiForm::SetTuning(int cents) {
    // A slider set to its own value sends no change.
    const QSignalBlocker quiet(ui_.TuningTB);
    ui_.TuningTB->setValue(cents);
    TuningTBChange();
}

} // namespace trx
