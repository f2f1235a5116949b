#include "app/ui/MidiFormWidgets.h"

#include "app/SettingsFile.h"

#include "analysis/ui/TAnalyserBox.h"
#include "analysis/ui/TKeyboardPicture.h"
#include "analysis/ui/TNoteMapBox.h"
#include "app/ui/ActionLock.h"
#include "app/ui/PictureAccessibility.h"
#include "app/ui/ProgressPanel.h"
#include "controls/ui/THemisphereButton.h"
#include "controls/ui/WindowStyle.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

namespace trx {

namespace {

// Columns of the parameter groups on ControlPanel, and their two rows.
struct Column {
    int Left;
    int Width;
};
constexpr Column kColumnA{8, 152};
constexpr Column kColumnB{170, 194};
constexpr Column kColumnC{372, 181};
constexpr int kRow1 = 6;
constexpr int kRow2 = 50;
constexpr int kCaptionHeight = 16;
constexpr int kBarHeight = 24;
constexpr int kValueWidth = 34;

QRect CaptionRect(Column column, int row) {
    return {column.Left, row, column.Width, kCaptionHeight};
}
QRect BarRect(Column column, int row) {
    return {column.Left, row + kCaptionHeight, column.Width - kValueWidth - 2, kBarHeight};
}
QRect ValueRect(Column column, int row) {
    return {column.Left + column.Width - kValueWidth, row + kCaptionHeight, kValueWidth,
            kBarHeight};
}

QAction* AddAction(QMenu* menu, const char* name, const QString& caption, const QString& shortcut,
                   bool enabled) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(QKeySequence(shortcut));
    }
    action->setEnabled(enabled);
    return action;
}

} // namespace

void MidiFormWidgets::Build(QMainWindow& window) {
    auto* central = new QWidget(&window);
    central->setObjectName("ClientArea");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QWidget(central);
    top->setObjectName("TopArea");
    top->setFixedHeight(156);
    column->addWidget(top);
    BuildButtonPanel(top);
    BuildControlPanel(top);
    BuildScrollBoxes(central);
    column->addWidget(ScrollBox1, 1);
    window.setCentralWidget(central);

    BuildMenu(window);
    BuildStatusBar(window);

    InstallPictureAccessibility();
    ampsPB->setAccessibleName("Spectrum analyser");
    Image1->setAccessibleName("Keyboard");
    PaintBox1->setAccessibleName("Note map");
    StatusPanel1->setAccessibleName("Progress");
}

void MidiFormWidgets::BuildButtonPanel(QWidget* parent) {
    ButtonPanel = new QFrame(parent);
    ButtonPanel->setObjectName("ButtonPanel");
    ButtonPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ButtonPanel->setGeometry(8, 8, 193, 145);

    // In each cell the placeholder comes first so that the real button,
    // once shown, covers it.
    OpenBtn = AddButton(ButtonPanel, "OpenBtn", "Open", "Open wave file", {16, 16});
    DummyBtn3 = AddButton(ButtonPanel, "DummyBtn3", "Save",
                          "A file must be converted\nbefore it can be saved", {72, 16});
    SaveBtn = AddButton(ButtonPanel, "SaveBtn", "Save", "Save midi file", {72, 16});
    DummyBtn2 = AddButton(ButtonPanel, "DummyBtn2", "Play",
                          "A file must be converted\nbefore it can be played", {128, 16});
    PlayBtn = AddButton(ButtonPanel, "PlayBtn", "Play", "Play midi file", {128, 16});
    StopBtn = AddButton(ButtonPanel, "StopBtn", "Stop", "Stop playing midi file", {128, 16});
    DummyBtn1 = AddButton(ButtonPanel, "DummyBtn1", "Convert",
                          "A file must be opened\nbefore it can be converted", {16, 56});
    ConvertBtn = AddButton(ButtonPanel, "ConvertBtn", "Convert", "Convert wave\nfile to midi file",
                           {16, 56});
    DummyBtn4 = AddButton(ButtonPanel, "DummyBtn4", "Filter",
                          "A file must be converted\nbefore it can be filtered", {72, 56});
    FilterBtn = AddButton(ButtonPanel, "FilterBtn", "Filter", "Re-filter conversion", {72, 56});
    DummyBtn5 = AddButton(ButtonPanel, "DummyBtn5", "Edit",
                          "A file must be converted\nbefore it can be edited", {128, 56});
    EditBtn = AddButton(ButtonPanel, "EditBtn", "Edit", "Edit midi note data", {128, 56});
    ExitBtn = AddButton(ButtonPanel, "ExitBtn", "Exit", "Close Tremolundrix", {44, 96});
    AboutBtn = AddButton(ButtonPanel, "AboutBtn", "About", "About Tremolundrix", {100, 96});

    for (THemisphereButton* real : {SaveBtn, PlayBtn, StopBtn, ConvertBtn, FilterBtn, EditBtn}) {
        real->hide();
    }
    // A placeholder that looked live after a conversion would do nothing.
    for (THemisphereButton* placeholder : {DummyBtn1, DummyBtn2, DummyBtn3, DummyBtn4, DummyBtn5}) {
        MarkPlaceholder(*placeholder);
    }
}

THemisphereButton* MidiFormWidgets::AddButton(QWidget* panel, const char* name,
                                              const QString& caption, const QString& hint,
                                              QPoint at, QSize size) {
    return MakeRoundButton(panel, name, caption, hint, QRect(at, size));
}

void MidiFormWidgets::BuildControlPanel(QWidget* parent) {
    ControlPanel = new QFrame(parent);
    ControlPanel->setObjectName("ControlPanel");
    ControlPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ControlPanel->setGeometry(208, 8, 561, 145);

    // Tuning is narrower: the auto-tune button sits at the end of its bar.
    TuningTB = AddTrackBar("TuningTB", "TuningCapLbl", "&Tuning:", kTrackBarRanges[0],
                           {kColumnA.Left, kRow1, 52, kCaptionHeight},
                           {kColumnA.Left, kRow1 + kCaptionHeight, 105, kBarHeight});
    TuneLbl = new QLabel("True", ControlPanel);
    TuneLbl->setGeometry(kColumnA.Left + 54, kRow1, 50, kCaptionHeight);
    PolyTB = AddTrackBar("PolyTB", "PolyCapLbl", "&Polyphony:", kTrackBarRanges[1],
                         CaptionRect(kColumnA, kRow2), BarRect(kColumnA, kRow2));
    PolyLbl = new QLabel("5", ControlPanel);
    PolyLbl->setGeometry(ValueRect(kColumnA, kRow2));
    ChordThresholdTB = AddTrackBar("ChordThresholdTB", "ChordCapLbl",
                                   "Minimum &chord component:", kTrackBarRanges[2],
                                   CaptionRect(kColumnB, kRow1), BarRect(kColumnB, kRow1));
    ThresholdLbl = new QLabel("30%", ControlPanel);
    ThresholdLbl->setGeometry(ValueRect(kColumnB, kRow1));
    NeighbourTB = AddTrackBar("NeighbourTB", "NeighbourCapLbl",
                              "&Neighbouring notes threshold:", kTrackBarRanges[3],
                              CaptionRect(kColumnB, kRow2), BarRect(kColumnB, kRow2));
    NeighbourLbl = new QLabel("80%", ControlPanel);
    NeighbourLbl->setGeometry(ValueRect(kColumnB, kRow2));
    MinimumTB =
        AddTrackBar("MinimumTB", "MinimumCapLbl", "Overall &minimum component:", kTrackBarRanges[4],
                    CaptionRect(kColumnC, kRow1), BarRect(kColumnC, kRow1));
    MinimumLbl = new QLabel("15%", ControlPanel);
    MinimumLbl->setGeometry(ValueRect(kColumnC, kRow1));
    AmplitudeTB =
        AddTrackBar("AmplitudeTB", "AmplitudeCapLbl", "Amplitude &Fluctuation:", kTrackBarRanges[5],
                    CaptionRect(kColumnC, kRow2), BarRect(kColumnC, kRow2));
    FluctLbl = new QLabel("30%", ControlPanel);
    FluctLbl->setGeometry(ValueRect(kColumnC, kRow2));

    const std::pair<QLabel*, const char*> valueLabels[] = {
        {TuneLbl, "TuneLbl"},           {PolyLbl, "PolyLbl"},       {ThresholdLbl, "ThresholdLbl"},
        {NeighbourLbl, "NeighbourLbl"}, {MinimumLbl, "MinimumLbl"}, {FluctLbl, "FluctLbl"}};
    for (const auto& [label, name] : valueLabels) {
        label->setObjectName(name);
    }

    const ConversionSettings defaults;
    PhaseCB =
        AddCheckBox("PhaseCB", "Phase &Analysis", defaults.PhaseAnalysis, {kColumnA.Left, 98});
    SpikeCB = AddCheckBox("SpikeCB", "&Single sample noise removal", defaults.SpikeRemoval,
                          {kColumnB.Left, 98});
    LoudStartCB = AddCheckBox("LoudStartCB", "Notes start &loudest", defaults.LoudStart,
                              {kColumnA.Left, 120});
    PrettyCB = AddCheckBox("PrettyCB", "&Draw Spectrum Analyser", defaults.DrawSpectrum,
                           {kColumnB.Left, 120});

    Dummy6Btn =
        AddButton(ControlPanel, "Dummy6Btn", "Tune",
                  "Tuning cannot be detected\nuntil file is converted", {119, 14}, {41, 31});
    MarkPlaceholder(*Dummy6Btn);
    AutoTuneBtn =
        AddButton(ControlPanel, "AutoTuneBtn", "Tune", "Find best fit tuning", {119, 14}, {41, 31});
    AutoTuneBtn->hide();
}

QSlider* MidiFormWidgets::AddTrackBar(const char* name, const char* captionName,
                                      const QString& caption, const SettingRange& range,
                                      QRect captionRect, QRect barRect) {
    auto* bar = new QSlider(Qt::Horizontal, ControlPanel);
    bar->setObjectName(name);
    bar->setRange(range.Minimum, range.Maximum);
    bar->setValue(range.Default);
    bar->setSingleStep(1);
    bar->setPageStep(range.PageStep);
    bar->setTickInterval(range.TickInterval);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setGeometry(barRect);
    auto* label = new QLabel(caption, ControlPanel);
    label->setObjectName(captionName);
    label->setGeometry(captionRect);
    label->setBuddy(bar);
    return bar;
}

void MidiFormWidgets::BuildScrollBoxes(QWidget* parent) {
    ScrollBox1 = new QScrollArea(parent);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setWidgetResizable(true);
    auto* content = new QWidget;
    content->setObjectName("ScrollBox1Content");
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    ampsPB = new TAnalyserBox(content);
    Image1 = new TKeyboardPicture(content);

    ScrollBox2 = new QScrollArea(content);
    ScrollBox2->setObjectName("ScrollBox2");
    ScrollBox2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    WindowStyle::PaintBackground(*ScrollBox2->viewport(), Qt::black);
    // One pixel column per slice; no file, no slices.
    PaintBox1 = new TNoteMapBox;
    ScrollBox2->setWidget(PaintBox1);
    // Tall enough for the box and the scroll bar, so it never scrolls upright.
    const int frame = 2 * ScrollBox2->frameWidth();
    const int scrollBar = ScrollBox2->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ScrollBox2->setFixedHeight(512 + scrollBar + frame);
    ScrollBox2->setMinimumWidth(64);

    NoteLbl = new QLabel(content);
    NoteLbl->setObjectName("NoteLbl");

    grid->addWidget(ampsPB, 0, 0, Qt::AlignTop);
    grid->addWidget(Image1, 0, 1, Qt::AlignTop);
    grid->addWidget(ScrollBox2, 0, 2, 2, 1, Qt::AlignTop);
    grid->addWidget(NoteLbl, 1, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    ScrollBox1->setWidget(content);
}

void MidiFormWidgets::BuildStatusBar(QMainWindow& window) {
    StatusBar = new QStatusBar(&window);
    StatusBar->setObjectName("StatusBar");
    StatusPanel0 = new QLabel(StatusBar);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusPanel0->setFixedWidth(300);
    StatusPanel1 = new ProgressPanel(StatusBar);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setFixedWidth(100);
    StatusPanel2 = new QLabel(StatusBar);
    StatusPanel2->setObjectName("StatusPanel2");
    StatusPanel2->setFixedWidth(250);
    StatusBar->addWidget(StatusPanel0);
    StatusBar->addWidget(StatusPanel1);
    StatusBar->addWidget(StatusPanel2);
    window.setStatusBar(StatusBar);
}

void MidiFormWidgets::BuildMenu(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu("&File");
    file->setObjectName("File1");
    file->menuAction()->setObjectName("File1");
    Open1 = AddAction(file, "Open1", "&Open Wave file", "Ctrl+O", true);
    SaveMidiFile1 = AddAction(file, "SaveMidiFile1", "&Save Midi File", "Ctrl+S", false);
    SaveFileAs1 = AddAction(file, "SaveFileAs1", "Save File &As", {}, false);
    file->addSeparator()->setObjectName("N1");
    SaveSettings1 = AddAction(file, "SaveSettings1", "Sa&ve Settings", {}, true);
    LoadSettings1 = AddAction(file, "LoadSettings1", "&Load Settings", {}, true);
    QMenu* options = file->addMenu("O&ptions");
    options->setObjectName("Options1");
    options->menuAction()->setObjectName("Options1");
    VersionCheck =
        AddAction(options, "VersionCheck", "&Check for new version on startup", {}, true);
    VersionCheck->setCheckable(true);
    VersionCheck->setChecked(true);
    file->addSeparator()->setObjectName("N2");
    Exit1 = AddAction(file, "Exit1", "E&xit", {}, true);

    QMenu* midi = bar->addMenu("&Midi");
    midi->setObjectName("Midi1");
    midi->menuAction()->setObjectName("Midi1");
    Convert1 = AddAction(midi, "Convert1", "&Convert", "Ctrl+C", false);
    Refilter1 = AddAction(midi, "Refilter1", "Re&filter", "Ctrl+F", false);
    Edit1 = AddAction(midi, "Edit1", "&Edit", "Ctrl+E", false);
    Play1 = AddAction(midi, "Play1", "&Play", "Ctrl+P", false);
    midi->addSeparator()->setObjectName("N3");
    WriteBeatGrid1 = AddAction(midi, "WriteBeatGrid1", "&Write Beat Grid", {}, true);
    WriteBeatGrid1->setCheckable(true);
    AccurateEngine1 = AddAction(midi, "AccurateEngine1", "&Accurate Engine", {}, true);
    AccurateEngine1->setCheckable(true);

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    help->menuAction()->setObjectName("Help1");
    InstalledCodecs1 = AddAction(help, "InstalledCodecs1", "Installed Codecs", "Ctrl+I", true);
    AboutTremolundrix1 = AddAction(help, "AboutTremolundrix1", "&About Tremolundrix", "F1", true);
}

QCheckBox* MidiFormWidgets::AddCheckBox(const char* name, const QString& caption, bool checked,
                                        QPoint at) {
    auto* box = new QCheckBox(caption, ControlPanel);
    box->setObjectName(name);
    box->setChecked(checked);
    box->setGeometry(at.x(), at.y(), 190, 20);
    return box;
}

ConversionSettings MidiFormWidgets::Settings() const {
    ConversionSettings settings;
    settings.TuningCents = TuningTB->value();
    settings.Polyphony = PolyTB->value();
    settings.ChordThreshold = ChordThresholdTB->value();
    settings.NeighbourThreshold = NeighbourTB->value();
    settings.MinimumComponent = MinimumTB->value();
    settings.AmplitudeFluctuation = AmplitudeTB->value();
    settings.PhaseAnalysis = PhaseCB->isChecked();
    settings.SpikeRemoval = SpikeCB->isChecked();
    settings.LoudStart = LoudStartCB->isChecked();
    settings.DrawSpectrum = PrettyCB->isChecked();
    return settings;
}

void MidiFormWidgets::SetSettingValue(int index, std::int32_t value) {
    // The track bars limit a value to their range; a check box is checked
    // only by a 1.
    QSlider* const bars[kSettingsTrackBarCount] = {TuningTB,    PolyTB,    ChordThresholdTB,
                                                   NeighbourTB, MinimumTB, AmplitudeTB};
    QCheckBox* const boxes[kSettingsValueCount - kSettingsTrackBarCount] = {PhaseCB, SpikeCB,
                                                                            LoudStartCB, PrettyCB};
    if (index >= 0 && index < kSettingsTrackBarCount) {
        bars[index]->setValue(value);
    } else if (index >= kSettingsTrackBarCount && index < kSettingsValueCount) {
        boxes[index - kSettingsTrackBarCount]->setChecked(value == 1);
    }
}

void MidiFormWidgets::ShowReleased(THemisphereButton* button) {
    button->SetDown(false);
    button->repaint();
}

} // namespace trx
