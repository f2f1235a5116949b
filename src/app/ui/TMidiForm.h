#pragma once

#include "app/WorkingState.h"
#include "app/ui/ModalInteraction.h"
#include "app/ui/RegistryStore.h"
#include "audio/CodecList.h"
#include "common/ConversionSettings.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <optional>
#include <utility>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QSlider;
class QStatusBar;

namespace trx {

class ActionLock;
class ProgressPanel;
class TAbortForm;
class TAnalyserBox;
class TCodecForm;
class TErrorDlg;
class THemisphereButton;
class TKeyboardPicture;
class TNoteMapBox;

// The main window: the command buttons, the ten conversion parameters, the
// analysis pictures, the menu and the status bar with its progress panel.
// Every dialog it shows goes through the ModalInteraction it is given.
class TMidiForm : public QMainWindow {
    Q_OBJECT

public:
    // interaction must outlive the window.
    explicit TMidiForm(ModalInteraction& interaction, QWidget* parent = nullptr);
    ~TMidiForm() override;

    // The progress window, the codecs dialog and the error dialog are
    // created at start-up after this window and handed over here; they are
    // created on first use when none was handed over.
    void SetAbortForm(TAbortForm* form);
    void SetCodecForm(TCodecForm* form);
    void SetErrorDlg(TErrorDlg* dialog);
    [[nodiscard]] TAbortForm& AbortForm();
    // Made on Codecs().Drivers().
    [[nodiscard]] TCodecForm& CodecForm();
    [[nodiscard]] TErrorDlg& ErrorDlg();
    [[nodiscard]] ModalInteraction& Interaction() const { return interaction_; }
    // The converters, used to open files and listed by Installed Codecs.
    [[nodiscard]] CodecList& Codecs() { return codecs_; }

    // The open file, its maps, the note list and the kernels.
    [[nodiscard]] WorkingState& State() { return state_; }
    [[nodiscard]] const WorkingState& State() const { return state_; }
    // True while AnalyseWave runs; the commands are locked meanwhile.
    [[nodiscard]] bool AnalysisRunning() const { return analysing_; }

    // Status text in panel 0, shown at once.
    void SetStatusText(const QString& text);
    // fraction in 0..1. The bar moves only when the whole percentage
    // (rounded half to even) changes.
    void SetProgress(double fraction);
    // No bar, no status text, the default cursor.
    void ResetProgress();
    [[nodiscard]] double Progress() const { return progress_; }

    // Shows the error dialog with the message followed by " occured in "
    // and the routine; returns when the user presses OK.
    void ReportError(const std::exception& error, const QString& routine);
    void ReportError(const QString& message, const QString& routine);
    // The system's text for an errno value in a message box of no window.
    void ShowSystemError(int errorCode);

    // Sets the enabled state of every control inside container, depth first;
    // container itself keeps its state.
    void EnableControls(QWidget* container, bool enabled);

    // Where the named values of the version check are kept.
    void SetRegistryStore(RegistryStore store) { registry_ = std::move(store); }
    // Failures are reported as "WriteRegString" / "ReadRegString"; a value
    // that cannot be read reads empty.
    void WriteRegString(const QString& name, const QString& value);
    [[nodiscard]] QString ReadRegString(const QString& name);

    // The Open command: asks for a WAV file, then whether to save an unsaved
    // result, releases the previous file and reads the new one. True when
    // the file is open; Convert is available exactly then.
    [[nodiscard]] bool OpenSoundFile();
    // Releases the open file; false when the system reported an error.
    bool CloseDataFile();
    // A failed open with a message of its own: a pending system error
    // first, then the file is released, then the message is shown.
    void ReportOpenError(const QString& message, int pendingSystemError);

    // The two stages of Convert. AnalyseWave shows the progress window and
    // locks the panels and the menu while it runs; at its end, aborted or
    // not, the result commands are available. FilterAnalysis turns the
    // analysed slices into the note map and redraws the map picture.
    void AnalyseWave();
    void FilterAnalysis();
    // A black map picture sliceCount slices wide.
    void CreateFourierMap(std::int32_t sliceCount);
    // Draws the note map; the result then counts as unsaved.
    void DrawNoteMap();

    // Index of the key signature chosen in the note editor (0..29), -1 for
    // none.
    [[nodiscard]] int KeySelection() const { return -1; }

    // Offers to save an unsaved result. True: the caller may go on (saved,
    // or the user declined); false: the user cancelled or saving failed.
    [[nodiscard]] bool QuerySave();
    // Whether the window may close now.
    [[nodiscard]] bool FormCloseQuery();

    // The conversion parameters as the controls hold them now.
    [[nodiscard]] ConversionSettings CurrentSettings() const;

    // Commands of the buttons and the menu.
    void OpenBtnClick();
    void ConvertBtnClick();
    void FilterBtnClick();
    void SaveBtnClick();
    void SaveFileAs1Click();
    void PlayBtnClick();
    void StopBtnClick();
    void EditBtnClick();
    void AutoTuneBtnClick();
    void AboutBtnClick();
    void InstalledCodecs1Click();
    void SaveSettingsClick();
    void LoadSettingsClick();
    void VersionCheckClick();
    void ExitBtnClick();

    // Writes the result to path; true when the file was written.
    [[nodiscard]] virtual bool SaveMidiFile(const QString& path);
    // Asks for a path and writes the result there; true when written.
    [[nodiscard]] virtual bool SaveMidiFileAs();

    // Change handlers of the parameter controls.
    void TuningTBChange();
    void PolyTBChange();
    void ChordThresholdTBChange();
    void NeighbourTBChange();
    void MinimumTBChange();
    void AmplitudeTBChange();
    void PrettyCBClick();

    // State of the open file and its result.
    // The result is saved, or there is none.
    bool Saved = true;
    QString MidiFileName;
    QString WavFileName;
    QString SettingsFileName;
    // Temporary MIDI files written for playback; deleted at shut-down.
    QStringList TempFiles;
    // No finished analysis picture to show.
    bool AnalysisBusy = true;

    // File dialogs that keep their folder and file name between runs: the
    // WAV file, the MIDI file, and the settings file to load and to save.
    FileDialog OpenDialog1;
    FileDialog SaveDialog1;
    FileDialog OpenDialog2;
    FileDialog SaveDialog2;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // Rebuilds the note frequency table and transform kernels for a tuning
    // offset in cents (-50..50; 0 is a factor of exactly 1.0).
    void RebuildNoteKernels(int tuningCents);

    // The restoring steps of AnalyseWave, in their order; menuLock is given
    // back right after the panels.
    void RestoreAfterAnalysis(std::optional<ActionLock>& menuLock);
    // Shows the save dialog until the user picks a path that is new, equal
    // to current, or confirmed; nothing when the user cancels.
    [[nodiscard]] std::optional<QString> AskSavePath(FileDialog& dialog, const QString& current);
    // Hides and disables every command of a conversion result, Convert too.
    void HideResultCommands();

    void BuildButtonPanel(QWidget* parent);
    void BuildControlPanel(QWidget* parent);
    void BuildScrollBoxes(QWidget* parent);
    void BuildStatusBar();
    void BuildMenu();
    // A command button of the grid: 50 x 31 unless given.
    THemisphereButton* AddButton(QWidget* panel, const char* name, const QString& caption,
                                 const QString& hint, QPoint at, QSize size = {50, 31});
    QSlider* AddTrackBar(const char* name, const char* captionName, const QString& caption,
                         const SettingRange& range, QRect captionRect, QRect barRect);
    QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                       const QString& shortcut, bool enabled);

    ModalInteraction& interaction_;
    QPointer<TAbortForm> abortForm_;
    QPointer<TCodecForm> codecForm_;
    QPointer<TErrorDlg> errorDlg_;
    double progress_ = 0.0;
    WorkingState state_;
    CodecList codecs_;
    RegistryStore registry_;
    bool analysing_ = false;

    QFrame* ButtonPanel = nullptr;
    THemisphereButton* OpenBtn = nullptr;
    THemisphereButton* DummyBtn3 = nullptr;
    THemisphereButton* SaveBtn = nullptr;
    THemisphereButton* DummyBtn2 = nullptr;
    THemisphereButton* PlayBtn = nullptr;
    THemisphereButton* StopBtn = nullptr;
    THemisphereButton* DummyBtn1 = nullptr;
    THemisphereButton* ConvertBtn = nullptr;
    THemisphereButton* DummyBtn4 = nullptr;
    THemisphereButton* FilterBtn = nullptr;
    THemisphereButton* DummyBtn5 = nullptr;
    THemisphereButton* EditBtn = nullptr;
    THemisphereButton* ExitBtn = nullptr;
    THemisphereButton* AboutBtn = nullptr;

    QFrame* ControlPanel = nullptr;
    THemisphereButton* Dummy6Btn = nullptr;
    THemisphereButton* AutoTuneBtn = nullptr;
    QSlider* TuningTB = nullptr;
    QSlider* PolyTB = nullptr;
    QSlider* ChordThresholdTB = nullptr;
    QSlider* NeighbourTB = nullptr;
    QSlider* MinimumTB = nullptr;
    QSlider* AmplitudeTB = nullptr;
    QLabel* TuneLbl = nullptr;
    QLabel* PolyLbl = nullptr;
    QLabel* ThresholdLbl = nullptr;
    QLabel* NeighbourLbl = nullptr;
    QLabel* MinimumLbl = nullptr;
    QLabel* FluctLbl = nullptr;
    QCheckBox* PhaseCB = nullptr;
    QCheckBox* SpikeCB = nullptr;
    QCheckBox* LoudStartCB = nullptr;
    QCheckBox* PrettyCB = nullptr;

    QScrollArea* ScrollBox1 = nullptr;
    TAnalyserBox* ampsPB = nullptr;
    TKeyboardPicture* Image1 = nullptr;
    QLabel* NoteLbl = nullptr;
    QScrollArea* ScrollBox2 = nullptr;
    TNoteMapBox* PaintBox1 = nullptr;

    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;
    ProgressPanel* StatusPanel1 = nullptr;
    QLabel* StatusPanel2 = nullptr;

    QAction* Open1 = nullptr;
    QAction* SaveMidiFile1 = nullptr;
    QAction* SaveFileAs1 = nullptr;
    QAction* SaveSettings1 = nullptr;
    QAction* LoadSettings1 = nullptr;
    QAction* VersionCheck = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Convert1 = nullptr;
    QAction* Refilter1 = nullptr;
    QAction* Edit1 = nullptr;
    QAction* Play1 = nullptr;
    QAction* InstalledCodecs1 = nullptr;
    QAction* AboutTremolundrix1 = nullptr;
};

} // namespace trx
