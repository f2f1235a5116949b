#pragma once

#include "app/ui/ModalInteraction.h"
#include "common/ConversionSettings.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <exception>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QSlider;
class QStatusBar;

namespace trx {

class ProgressPanel;
class TAbortForm;
class TErrorDlg;
class THemisphereButton;

// The main window: the command buttons, the ten conversion parameters, the
// analysis pictures, the menu and the status bar with its progress panel.
// Every dialog it shows goes through the ModalInteraction it is given.
class TMidiForm : public QMainWindow {
    Q_OBJECT

public:
    // interaction must outlive the window.
    explicit TMidiForm(ModalInteraction& interaction, QWidget* parent = nullptr);
    ~TMidiForm() override;

    // The progress window and the error dialog are created at start-up after
    // this window and handed over here; they are created on first use when
    // none was handed over.
    void SetAbortForm(TAbortForm* form);
    void SetErrorDlg(TErrorDlg* dialog);
    [[nodiscard]] TAbortForm& AbortForm();
    [[nodiscard]] TErrorDlg& ErrorDlg();
    [[nodiscard]] ModalInteraction& Interaction() const { return interaction_; }

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
    QPointer<TErrorDlg> errorDlg_;
    double progress_ = 0.0;

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
    QWidget* ampsPB = nullptr;
    QWidget* Image1 = nullptr;
    QLabel* NoteLbl = nullptr;
    QScrollArea* ScrollBox2 = nullptr;
    QWidget* PaintBox1 = nullptr;

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
