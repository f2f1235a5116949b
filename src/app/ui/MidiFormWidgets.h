#pragma once

#include "common/ConversionSettings.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QSlider;
class QStatusBar;
class QWidget;

namespace trx {

class ProgressPanel;
class TAnalyserBox;
class THemisphereButton;
class TKeyboardPicture;
class TNoteMapBox;

// The controls of the main window, built on it with their names, captions,
// hints, ranges and places. The window connects them to its handlers.
struct MidiFormWidgets {
    // Builds every control on window; window owns them.
    void Build(QMainWindow& window);
    // The conversion parameters as the controls hold them now.
    [[nodiscard]] ConversionSettings Settings() const;
    // Moves value number index of a settings file (0..9) through its
    // control, whose change handler then runs.
    void SetSettingValue(int index, std::int32_t value);
    // Shows a command button released (not down) and repaints it.
    static void ShowReleased(THemisphereButton* button);

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
    QAction* WriteBeatGrid1 = nullptr;
    QAction* AccurateEngine1 = nullptr;
    QAction* InstalledCodecs1 = nullptr;
    QAction* AboutTremolundrix1 = nullptr;

private:
    void BuildButtonPanel(QWidget* parent);
    void BuildControlPanel(QWidget* parent);
    void BuildScrollBoxes(QWidget* parent);
    void BuildStatusBar(QMainWindow& window);
    void BuildMenu(QMainWindow& window);
    // A command button of the grid: 50 x 31 unless given.
    static THemisphereButton* AddButton(QWidget* panel, const char* name, const QString& caption,
                                        const QString& hint, QPoint at, QSize size = {50, 31});
    QSlider* AddTrackBar(const char* name, const char* captionName, const QString& caption,
                         const SettingRange& range, QRect captionRect, QRect barRect);
    QCheckBox* AddCheckBox(const char* name, const QString& caption, bool checked, QPoint at);
};

} // namespace trx
