#pragma once

#include "app/ConversionSession.h"
#include "app/ui/MainWindowServices.h"
#include "app/ui/MidiFormWidgets.h"
#include "app/ui/ModalInteraction.h"
#include "app/ui/RegistryStore.h"
#include "app/ui/ResultCommands.h"
#include "app/ui/SavePathQuestion.h"
#include "app/ui/SettingsCommands.h"
#include "audio/CodecList.h"
#include "common/ConversionSettings.h"
#include "editor/ui/EditCommand.h"
#include "info/ui/AboutCommand.h"
#include "midi/ui/PlaybackCommands.h"
#include "tuning/ui/AutoTuneCommand.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <exception>
#include <optional>
#include <utility>

namespace trx {

class ActionLock;
class TAboutBox;
class TAbortForm;
class TCodecForm;
class MidiPlayer;
class TEditorForm;
class TErrorDlg;
class TTuningForm;
class TVersionDM;

// The main window: the command buttons, the ten conversion parameters, the
// analysis pictures, the menu and the status bar with its progress panel.
// It owns the conversion session; the features' commands work through its
// MainWindowServices. Every dialog it shows goes through the
// ModalInteraction it is given.
class TMidiForm : public QMainWindow, public MainWindowServices {
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
    [[nodiscard]] ModalInteraction& Interaction() const override { return interaction_; }
    // The converters, used to open files and listed by Installed Codecs.
    [[nodiscard]] CodecList& Codecs() { return codecs_; }

    [[nodiscard]] QWidget& Window() override { return *this; }
    // The open file, its result, the file names and the saved state.
    [[nodiscard]] ConversionSession& Session() override { return session_; }
    [[nodiscard]] const ConversionSession& Session() const { return session_; }
    // The open file, its maps, the note list and the kernels.
    [[nodiscard]] WorkingState& State() { return session_.State; }
    [[nodiscard]] const WorkingState& State() const { return session_.State; }
    // True while AnalyseWave runs; the commands are locked meanwhile.
    [[nodiscard]] bool AnalysisRunning() const { return analysing_; }

    // Status text in panel 0, shown at once.
    void SetStatusText(const QString& text) override;
    // fraction in 0..1. The bar moves only when the whole percentage
    // (rounded half to even) changes.
    void SetProgress(double fraction) override;
    // No bar, no status text, the default cursor.
    void ResetProgress() override;
    [[nodiscard]] double Progress() const { return progress_; }

    // Shows the error dialog with the message followed by " occured in "
    // and the routine; returns when the user presses OK.
    void ReportError(const std::exception& error, const QString& routine) {
        ReportError(QString::fromUtf8(error.what()), routine);
    }
    void ReportError(const QString& message, const QString& routine) override;
    // The system's text for an errno value in a message box of no window.
    void ShowSystemError(int errorCode) override;

    // Sets the enabled state of every control inside container, depth first;
    // container itself keeps its state.
    void EnableControls(QWidget* container, bool enabled);

    // Where the named values of the version check are kept.
    void SetRegistryStore(RegistryStore store);
    [[nodiscard]] const RegistryStore& Registry() const { return registry_; }
    // The about box and the version check created at start-up.
    void SetAboutWindows(TAboutBox* box, TVersionDM* versionCheck) {
        about_.SetWindows(box, versionCheck);
    }
    // The player of Play, the note editor and the tuning dialog made at
    // start-up; each must outlive the window or be destroyed with it.
    void SetMidiPlayer(MidiPlayer* player) { playback_.SetPlayer(player); }
    void SetEditorForm(TEditorForm* form) { edit_.SetForm(form); }
    void SetTuningForm(TTuningForm* form) { autoTune_.SetForm(form); }
    void SetStopShown(bool shown) override;
    void ShowAutoTuneReleased() override { ui_.ShowReleased(ui_.AutoTuneBtn); }
    // Failures are reported as "WriteRegString" / "ReadRegString"; a value
    // that cannot be read reads empty.
    void WriteRegString(const QString& name, const QString& value);
    [[nodiscard]] QString ReadRegString(const QString& name);

    // The Open command: asks for a WAV file, then whether to save an unsaved
    // result, releases the previous file and reads the new one. True when
    // the file is open; Convert is available exactly then.
    [[nodiscard]] bool OpenSoundFile();
    // The same after the dialog, with path chosen.
    [[nodiscard]] bool OpenSoundFile(const QString& path);
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
    // Convert's second stage under Midi > Accurate Engine: the network makes
    // the note map from the samples; Re-filter stays with the classic one.
    void TranscribeAccurately();
    // A black map picture sliceCount slices wide.
    void CreateFourierMap(std::int32_t sliceCount);
    // Draws the note map; the result then counts as unsaved.
    void DrawNoteMap() override;

    // Index of the key signature chosen in the note editor (0..29), -1 for
    // none.
    [[nodiscard]] int KeySelection() const { return session_.KeySelection.value_or(-1); }

    // Offers to save an unsaved result. True: the caller may go on (saved,
    // or the user declined); false: the user cancelled or saving failed.
    [[nodiscard]] bool QuerySave();
    // Whether the window may close now.
    [[nodiscard]] bool FormCloseQuery();

    // The conversion parameters as the controls hold them now.
    [[nodiscard]] ConversionSettings CurrentSettings() const override;

    // What Convert runs, for the commands that convert again.
    void ConvertAgain() override;
    // Moves TuningTB to cents and runs its change handler.
    void SetTuning(int cents) override;

    // Commands of the buttons and the menu.
    void OpenBtnClick();
    void ConvertBtnClick();
    void FilterBtnClick();
    void SaveBtnClick();
    void SaveFileAs1Click();
    void PlayBtnClick() { playback_.Play(); }
    void StopBtnClick() { playback_.Stop(); }
    void EditBtnClick() { edit_.Run(); }
    void AutoTuneBtnClick() { autoTune_.Run(); }
    void AboutBtnClick() { about_.Run(); }
    void InstalledCodecs1Click();
    void SaveSettingsClick();
    void LoadSettingsClick();
    void VersionCheckClick();
    void WriteBeatGridClick();
    // Midi > Write Beat Grid and Midi > Accurate Engine as the per-user
    // store last had them.
    void RestoreBeatGridChoice();
    void AccurateEngineClick();
    void RestoreEngineChoice();
    void ExitBtnClick();

    // Writes the result to path; true when the file was written.
    [[nodiscard]] bool SaveMidiFile(const QString& path) override;
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

    // No finished analysis picture to show.
    bool AnalysisBusy = true;

    // File dialogs that keep their folder and file name between runs: the
    // WAV file, the MIDI file, and the settings file to load and to save.
    FileDialog OpenDialog1 = WavOpenDialog();
    FileDialog SaveDialog1 = MidiSaveDialog();
    FileDialog OpenDialog2 = SettingsDialog(true);
    FileDialog SaveDialog2 = SettingsDialog(false);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void ConnectCommands();
    // Runs work, reporting an exception under the routine's name; true when
    // it ran to its end.
    template <typename Work>
    bool Guarded(const QString& routine, Work&& work) {
        return RunReported(*this, routine, std::forward<Work>(work));
    }

    // The restoring steps of AnalyseWave, in their order; menuLock is given
    // back right after the panels.
    void RestoreAfterAnalysis(std::optional<ActionLock>& menuLock);

    ModalInteraction& interaction_;
    QPointer<TAbortForm> abortForm_;
    QPointer<TCodecForm> codecForm_;
    QPointer<TErrorDlg> errorDlg_;
    double progress_ = 0.0;
    ConversionSession session_;
    CodecList codecs_;
    RegistryStore registry_;
    bool analysing_ = false;

    MidiFormWidgets ui_;
    ResultCommands results_;
    SettingsCommands settings_{*this, ui_, OpenDialog2, SaveDialog2};
    PlaybackCommands playback_{*this};
    EditCommand edit_{*this};
    AutoTuneCommand autoTune_{*this};
    AboutCommand about_{*this};
};

} // namespace trx
