#include "app/ui/TMidiForm.h"

#include "analysis/AmplitudeMap.h"
#include "analysis/ui/TAnalyserBox.h"
#include "analysis/ui/TKeyboardPicture.h"
#include "analysis/ui/TNoteMapBox.h"
#include "app/FileNames.h"
#include "app/SettingsFile.h"
#include "app/ui/ActionLock.h"
#include "app/ui/MidiFormProgress.h"
#include "app/ui/ProgressPanel.h"
#include "app/ui/ScopeExit.h"
#include "app/ui/TAbortForm.h"
#include "app/ui/TErrorDlg.h"
#include "audio/OpenObserver.h"
#include "audio/WavReader.h"
#include "audio/ui/ShowCodecs.h"
#include "audio/ui/TCodecForm.h"
#include "common/Rounding.h"
#include "controls/ui/THemisphereButton.h"
#include "midi/MidiSave.h"
#include "notes/NoteFilter.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <string>

namespace trx {

namespace {

constexpr QRgb kFormColor = qRgb(192, 224, 192);
constexpr QRgb kButtonFace = qRgb(240, 202, 166);
constexpr QRgb kHintColor = qRgb(224, 255, 224);

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

QString Percent(int position) {
    return QString::number(position) + "%";
}

void Paint(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Paths reach the core in the file system's own encoding.
std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Names proposed for the save dialogs, by the core's rules.
QString DefaultMidiName(const QString& wavPath) {
    return QFile::decodeName(trx::DefaultMidiName(LocalPath(wavPath)).c_str());
}

QString ProposedSettingsName(const QString& midiPath) {
    return QFile::decodeName(trx::ProposedSettingsName(LocalPath(midiPath)).c_str());
}

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

const QString kTooShortMessage = QString("The recording is shorter than one time slice (%1 "
                                         "samples); nothing to convert")
                                     .arg(kSliceLength);
const QString kOverwriteQuestion = "File already exists. Overwrite?";

// What the reading of a WAV file shows in the window while it works.
class WindowOpenObserver : public OpenObserver {
public:
    explicit WindowOpenObserver(QWidget& window)
        : window_(window) {}

    void FileSizeKnown(const std::string& fileNameWithoutFolder) override {
        window_.setWindowTitle("Tremolundrix - " +
                               QFile::decodeName(QByteArray::fromStdString(fileNameWithoutFolder)));
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
    setWindowTitle("Tremolundrix - Wave to Midi conversion");
    Paint(this, QColor(kFormColor));
    // The layout is drawn for small dialog text.
    QFont text = font();
    text.setPointSize(8);
    setFont(text);

    OpenDialog1.Filter = "WAV files|*.wav|All files|*.*";
    OpenDialog1.DefaultExt = ".wav";
    OpenDialog1.FileMustExist = true;
    SaveDialog1.Filter = "MIDI files|*.mid;*.mdi;*.midi|All files|*.*";
    SaveDialog1.DefaultExt = ".mid";
    OpenDialog2.Filter = "Tremolundrix Settings Files|*.trs|All files|*.*";
    OpenDialog2.DefaultExt = ".trs";
    OpenDialog2.FileMustExist = true;
    SaveDialog2.Filter = OpenDialog2.Filter;
    SaveDialog2.DefaultExt = ".trs";

    auto* central = new QWidget(this);
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
    setCentralWidget(central);

    BuildMenu();
    BuildStatusBar();

    resize(784, 766);
    setMinimumWidth(784);
    setMaximumHeight(766);

    FormCreate();
}

TMidiForm::~TMidiForm() {
    FormDestroy();
}

void TMidiForm::BuildButtonPanel(QWidget* parent) {
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
    for (THemisphereButton* placeholder : {DummyBtn1, DummyBtn2, DummyBtn3, DummyBtn4, DummyBtn5}) {
        placeholder->setEnabled(false);
    }

    connect(OpenBtn, &THemisphereButton::clicked, this, &TMidiForm::OpenBtnClick);
    connect(SaveBtn, &THemisphereButton::clicked, this, &TMidiForm::SaveBtnClick);
    connect(PlayBtn, &THemisphereButton::clicked, this, &TMidiForm::PlayBtnClick);
    connect(StopBtn, &THemisphereButton::clicked, this, &TMidiForm::StopBtnClick);
    connect(ConvertBtn, &THemisphereButton::clicked, this, &TMidiForm::ConvertBtnClick);
    connect(FilterBtn, &THemisphereButton::clicked, this, &TMidiForm::FilterBtnClick);
    connect(EditBtn, &THemisphereButton::clicked, this, &TMidiForm::EditBtnClick);
    connect(ExitBtn, &THemisphereButton::clicked, this, &TMidiForm::ExitBtnClick);
    connect(AboutBtn, &THemisphereButton::clicked, this, &TMidiForm::AboutBtnClick);
}

THemisphereButton* TMidiForm::AddButton(QWidget* panel, const char* name, const QString& caption,
                                        const QString& hint, QPoint at, QSize size) {
    auto* button = new THemisphereButton(panel);
    button->setObjectName(name);
    button->setGeometry(QRect(at, size));
    button->SetCaption(caption);
    button->SetHint(hint);
    button->SetFaceColor(QColor(kButtonFace));
    return button;
}

void TMidiForm::BuildControlPanel(QWidget* parent) {
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

    const auto addCheckBox = [this](const char* name, const QString& caption, bool checked,
                                    QPoint at) {
        auto* box = new QCheckBox(caption, ControlPanel);
        box->setObjectName(name);
        box->setChecked(checked);
        box->setGeometry(at.x(), at.y(), 190, 20);
        return box;
    };
    const ConversionSettings defaults;
    PhaseCB =
        addCheckBox("PhaseCB", "Phase &Analysis", defaults.PhaseAnalysis, {kColumnA.Left, 98});
    SpikeCB = addCheckBox("SpikeCB", "&Single sample noise removal", defaults.SpikeRemoval,
                          {kColumnB.Left, 98});
    LoudStartCB = addCheckBox("LoudStartCB", "Notes start &loudest", defaults.LoudStart,
                              {kColumnA.Left, 120});
    PrettyCB = addCheckBox("PrettyCB", "&Draw Spectrum Analyser", defaults.DrawSpectrum,
                           {kColumnB.Left, 120});

    Dummy6Btn =
        AddButton(ControlPanel, "Dummy6Btn", "Tune",
                  "Tuning cannot be detected\nuntil file is converted", {119, 14}, {41, 31});
    AutoTuneBtn =
        AddButton(ControlPanel, "AutoTuneBtn", "Tune", "Find best fit tuning", {119, 14}, {41, 31});
    AutoTuneBtn->hide();
    connect(AutoTuneBtn, &THemisphereButton::clicked, this, &TMidiForm::AutoTuneBtnClick);

    // Connected after the defaults are set: the initial label texts are given
    // above, and the kernels for tuning 0 are built by FormCreate.
    connect(TuningTB, &QSlider::valueChanged, this, &TMidiForm::TuningTBChange);
    connect(PolyTB, &QSlider::valueChanged, this, &TMidiForm::PolyTBChange);
    connect(ChordThresholdTB, &QSlider::valueChanged, this, &TMidiForm::ChordThresholdTBChange);
    connect(NeighbourTB, &QSlider::valueChanged, this, &TMidiForm::NeighbourTBChange);
    connect(MinimumTB, &QSlider::valueChanged, this, &TMidiForm::MinimumTBChange);
    connect(AmplitudeTB, &QSlider::valueChanged, this, &TMidiForm::AmplitudeTBChange);
    connect(PrettyCB, &QCheckBox::toggled, this, &TMidiForm::PrettyCBClick);
}

QSlider* TMidiForm::AddTrackBar(const char* name, const char* captionName, const QString& caption,
                                const SettingRange& range, QRect captionRect, QRect barRect) {
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

void TMidiForm::BuildScrollBoxes(QWidget* parent) {
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
    Paint(ScrollBox2->viewport(), Qt::black);
    // One pixel column per slice; no file, no slices.
    PaintBox1 = new TNoteMapBox;
    PaintBox1->SetStateSource([this] {
        return MapPaintState{state_.SliceCount(), state_.LastAnalysedSlice, AnalysisBusy};
    });
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

void TMidiForm::BuildStatusBar() {
    StatusBar = new QStatusBar(this);
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
    setStatusBar(StatusBar);
}

QAction* TMidiForm::AddAction(QMenu* menu, const char* name, const QString& caption,
                              const QString& shortcut, bool enabled) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(QKeySequence(shortcut));
    }
    action->setEnabled(enabled);
    return action;
}

void TMidiForm::BuildMenu() {
    QMenuBar* bar = menuBar();
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

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    help->menuAction()->setObjectName("Help1");
    InstalledCodecs1 = AddAction(help, "InstalledCodecs1", "Installed Codecs", "Ctrl+I", true);
    AboutTremolundrix1 = AddAction(help, "AboutTremolundrix1", "&About Tremolundrix", "F1", true);

    connect(Open1, &QAction::triggered, this, &TMidiForm::OpenBtnClick);
    connect(SaveMidiFile1, &QAction::triggered, this, &TMidiForm::SaveBtnClick);
    connect(SaveFileAs1, &QAction::triggered, this, &TMidiForm::SaveFileAs1Click);
    connect(SaveSettings1, &QAction::triggered, this, &TMidiForm::SaveSettingsClick);
    connect(LoadSettings1, &QAction::triggered, this, &TMidiForm::LoadSettingsClick);
    connect(VersionCheck, &QAction::triggered, this, &TMidiForm::VersionCheckClick);
    connect(Exit1, &QAction::triggered, this, &TMidiForm::ExitBtnClick);
    connect(Convert1, &QAction::triggered, this, &TMidiForm::ConvertBtnClick);
    connect(Refilter1, &QAction::triggered, this, &TMidiForm::FilterBtnClick);
    connect(Edit1, &QAction::triggered, this, &TMidiForm::EditBtnClick);
    connect(Play1, &QAction::triggered, this, &TMidiForm::PlayBtnClick);
    connect(InstalledCodecs1, &QAction::triggered, this, &TMidiForm::InstalledCodecs1Click);
    connect(AboutTremolundrix1, &QAction::triggered, this, &TMidiForm::AboutBtnClick);
}

void TMidiForm::FormCreate() {
    // The analysis picture, the sound file and the note list start empty
    // with the working state, whose kernels are built for a factor of 1.0;
    // the map box paints itself black.
    AnalysisBusy = true;
    Saved = true;
    progress_ = 0.0;
    TempFiles.clear();
    ResetProgress();
    QPalette hints = QToolTip::palette();
    hints.setColor(QPalette::ToolTipBase, QColor(kHintColor));
    hints.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(hints);
    StatusPanel2->clear();
    SetStatusText("Welcome to Tremolundrix");
    StatusBar->repaint();
}

void TMidiForm::FormDestroy() {
    // The working state releases the maps, the file and the notes with its
    // members; temporary files are the window's own to remove.
    while (!TempFiles.isEmpty()) {
        // A file already gone or still locked is left alone.
        QFile::remove(TempFiles.front());
        TempFiles.removeFirst();
    }
}

void TMidiForm::RebuildNoteKernels(int tuningCents) {
    try {
        const int cents =
            std::clamp(tuningCents, kTrackBarRanges[0].Minimum, kTrackBarRanges[0].Maximum);
        state_.NoteKernels.CreateFrequencyMap(CentsRatio()[static_cast<std::size_t>(cents + 50)]);
    } catch (const std::exception& error) {
        ReportError(error, "CreateFrequencyMap");
    }
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
    StatusPanel0->setText(text);
    StatusBar->repaint();
}

void TMidiForm::SetProgress(double fraction) {
    if (RoundHalfEven(fraction * 100.0) == RoundHalfEven(progress_ * 100.0)) {
        return;
    }
    progress_ = fraction;
    StatusPanel1->SetFraction(progress_);
    StatusBar->repaint();
}

void TMidiForm::ResetProgress() {
    progress_ = 0.0;
    StatusPanel1->SetFraction(progress_);
    SetStatusText(QString());
    RestoreDefaultCursor();
}

void TMidiForm::ReportError(const std::exception& error, const QString& routine) {
    ReportError(QString::fromUtf8(error.what()), routine);
}

void TMidiForm::ReportError(const QString& message, const QString& routine) {
    TErrorDlg& dialog = ErrorDlg();
    dialog.SetMessage(message + " occured in " + routine);
    interaction_.Exec(dialog);
}

void TMidiForm::ShowSystemError(int errorCode) {
    try {
        // The system's texts fit a buffer of 1023 characters.
        const QString text = QString::fromLocal8Bit(std::strerror(errorCode)).left(1023);
        interaction_.Tell(nullptr,
                          {text, "Error occurred", QMessageBox::Ok, QMessageBox::Critical});
    } catch (const std::exception& error) {
        ReportError(error, "ShowSystemError");
    }
}

void TMidiForm::EnableControls(QWidget* container, bool enabled) {
    try {
        if (container == nullptr) {
            return;
        }
        const QList<QWidget*> children =
            container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            if (child->isWindow()) {
                continue;
            }
            EnableControls(child, enabled);
            child->setEnabled(enabled);
        }
    } catch (const std::exception& error) {
        ReportError(error, "EnableControls");
    }
}

bool TMidiForm::QuerySave() {
    const QMessageBox::StandardButton answer = interaction_.Ask(
        this, {"The current file is not saved. Save midi file now?", "Warning",
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Warning});
    switch (answer) {
    case QMessageBox::Yes:
        return MidiFileName.isEmpty() ? SaveMidiFileAs() : SaveMidiFile(MidiFileName);
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

bool TMidiForm::FormCloseQuery() {
    return Saved || QuerySave();
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
    if (!Saved && !QuerySave()) {
        ResetProgress();
        return false;
    }
    const QString path = OpenDialog1.FileName;
    SetStatusText("Opening file");
    bool result = true;
    Saved = true;

    std::exception_ptr failure;
    try {
        (void)CloseDataFile();
        state_.ReleaseMaps();
        state_.LastAnalysedSlice = 0;
        HideResultCommands();
        CreateFourierMap(0);
        AnalysisBusy = true;
        PaintBox1->repaint();

        WavFileName = path;
        MidiFileName.clear();
        SettingsFileName.clear();
        const QFileInfo midiName(DefaultMidiName(WavFileName));
        SaveDialog1.InitialDir = midiName.path();
        SaveDialog1.FileName = midiName.fileName();
        SaveDialog2.InitialDir = midiName.path();

        WindowOpenObserver observer(*this);
        const OpenResult opened =
            ReadSoundFile(LocalPath(WavFileName), state_.Sound, codecs_, observer);
        switch (opened.Outcome) {
        case OpenResult::Status::Opened:
            state_.SizeMaps(state_.SliceCount());
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

    // In every outcome, before any error report.
    RestoreDefaultCursor();
    ConvertBtn->setVisible(result);
    Convert1->setEnabled(result);
    ResetProgress();
    if (failure) {
        ReportError(ErrorText(failure), "OpenSoundFile");
    }
    return result;
}

bool TMidiForm::CloseDataFile() {
    bool result = true;
    try {
        int systemError = 0;
        result = trx::CloseDataFile(state_.Sound, systemError);
        if (!result) {
            ShowSystemError(systemError);
        }
        WavFileName.clear();
    } catch (const std::exception& error) {
        ReportError(error, "CloseDataFile");
    }
    return result;
}

void TMidiForm::ReportOpenError(const QString& message, int pendingSystemError) {
    if (pendingSystemError != 0) {
        ShowSystemError(pendingSystemError);
    }
    (void)CloseDataFile();
    interaction_.Tell(this, {message, "Tremolundrix", QMessageBox::Ok, QMessageBox::NoIcon});
}

void TMidiForm::HideResultCommands() {
    ConvertBtn->hide();
    Convert1->setEnabled(false);
    AutoTuneBtn->hide();
    FilterBtn->hide();
    Refilter1->setEnabled(false);
    EditBtn->hide();
    Edit1->setEnabled(false);
    SaveBtn->hide();
    SaveMidiFile1->setEnabled(false);
    SaveFileAs1->setEnabled(false);
    PlayBtn->hide();
    Play1->setEnabled(false);
}

void TMidiForm::ConvertBtnClick() {
    if (analysing_) {
        return;
    }
    // A recording shorter than one slice has nothing to analyse, and its
    // empty map could not be filtered.
    if (state_.SliceCount() <= 0) {
        interaction_.Tell(
            this, {kTooShortMessage, "Tremolundrix", QMessageBox::Ok, QMessageBox::Information});
        return;
    }
    AnalyseWave();
    FilterAnalysis();
}

void TMidiForm::AnalyseWave() {
    try {
        CreateFourierMap(state_.SliceCount());
        PrepareMapsForAnalysis(LocalPath(WavFileName), state_.AnalysedFileName, state_.AmplitudeMap,
                               state_.NoteMap);
        AnalysisBusy = true;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);

        // Declared first, so that the restoring steps give it back.
        std::optional<ActionLock> menuLock;
        const ScopeExit restore([this, &menuLock] { RestoreAfterAnalysis(menuLock); });
        analysing_ = true;
        AbortForm().show();
        EnableControls(ControlPanel, false);
        EnableControls(ButtonPanel, false);
        // The menu's commands would replace the file or the maps under the
        // running analysis.
        menuLock.emplace(*menuBar());
        state_.LastAnalysedSlice = 0;
        MidiFormProgress progress(*this);
        trx::AnalyseWave(state_.Sound.Buffer, state_.NoteKernels, state_.AmplitudeMap,
                         state_.LastAnalysedSlice, progress);
    } catch (const std::exception& error) {
        ReportError(error, "AnalyseWave");
    }
}

void TMidiForm::RestoreAfterAnalysis(std::optional<ActionLock>& menuLock) {
    AbortForm().hide();
    EnableControls(ControlPanel, true);
    EnableControls(ButtonPanel, true);
    if (menuLock) {
        menuLock->Release();
    }
    analysing_ = false;
    RestoreDefaultCursor();
    AnalysisBusy = false;
    SaveBtn->show();
    SaveMidiFile1->setEnabled(true);
    SaveFileAs1->setEnabled(true);
    FilterBtn->show();
    Refilter1->setEnabled(true);
    EditBtn->show();
    Edit1->setEnabled(true);
    AutoTuneBtn->show();
    PlayBtn->show();
    Play1->setEnabled(true);
    ampsPB->repaint();
    ResetProgress();
}

void TMidiForm::FilterAnalysis() {
    try {
        const ConversionSettings settings = CurrentSettings();
        TAnalyserBox* analyser = settings.DrawSpectrum ? ampsPB : nullptr;
        if (analyser != nullptr) {
            analyser->BeginAnalyserRun(state_.NoteKernels.FirstNoteBin);
        }
        MidiFormProgress progress(*this);
        trx::FilterAnalysis(state_.AmplitudeMap, state_.LastAnalysedSlice, state_.NoteKernels,
                            state_.Sound.Buffer, settings, state_.NoteMap,
                            state_.LoudestComponents, state_.NoteMapMaximum, progress, analyser);
        // Blanks the analyser.
        if (analyser != nullptr) {
            analyser->EndAnalyserRun();
        } else {
            ampsPB->repaint();
        }
        ResetProgress();
        DrawNoteMap();
    } catch (const std::exception& error) {
        ReportError(error, "FilterAnalysis");
    }
}

void TMidiForm::CreateFourierMap(std::int32_t sliceCount) {
    try {
        PaintBox1->CreateFourierMap(sliceCount);
    } catch (const std::exception& error) {
        ReportError(error, "CreateFourierMap");
    }
}

void TMidiForm::DrawNoteMap() {
    MidiFormProgress progress(*this);
    PaintBox1->DrawNoteMap(state_.NoteMap, state_.NoteMapMaximum, state_.SliceCount(), progress);
    Saved = false;
}

void TMidiForm::FilterBtnClick() {
    // Re-filtering never draws the analyser.
    const bool pretty = PrettyCB->isChecked();
    PrettyCB->setChecked(false);
    FilterAnalysis();
    PrettyCB->setChecked(pretty);
}

void TMidiForm::SaveBtnClick() {
    if (!MidiFileName.isEmpty()) {
        (void)SaveMidiFile(MidiFileName);
    } else {
        (void)SaveMidiFileAs();
    }
}

void TMidiForm::SaveFileAs1Click() {
    (void)SaveMidiFileAs();
}

bool TMidiForm::SaveMidiFile(const QString& path) {
    try {
        SaveNoteMapAsMidi(LocalPath(path), state_.NoteMap, state_.NoteMapMaximum,
                          state_.NoteKernels.FirstNoteBin, MinimumTB->value(), KeySelection());
    } catch (const std::exception& error) {
        ReportError(error, "SaveMidiFile");
        return false;
    }
    PlayBtn->show();
    Play1->setEnabled(true);
    Saved = true;
    MidiFileName = path;
    return true;
}

bool TMidiForm::SaveMidiFileAs() {
    try {
        const std::optional<QString> path = AskSavePath(SaveDialog1, MidiFileName);
        return path.has_value() && SaveMidiFile(*path);
    } catch (const std::exception& error) {
        ReportError(error, "SaveMidiFileAs");
        return false;
    }
}

std::optional<QString> TMidiForm::AskSavePath(FileDialog& dialog, const QString& current) {
    for (;;) {
        if (!interaction_.RunSaveDialog(this, dialog)) {
            return std::nullopt;
        }
        const QString path = dialog.FileName;
        // Writing the current file again asks nothing.
        if (path == current || !QFileInfo::exists(path)) {
            return path;
        }
        const QMessageBox::StandardButton answer =
            interaction_.Ask(this, {kOverwriteQuestion, "Tremolundrix",
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                    QMessageBox::Question});
        if (answer == QMessageBox::Yes) {
            return path;
        }
        if (answer != QMessageBox::No) {
            return std::nullopt;
        }
    }
}

void TMidiForm::PlayBtnClick() {}
void TMidiForm::StopBtnClick() {}
void TMidiForm::EditBtnClick() {}
void TMidiForm::AutoTuneBtnClick() {}
void TMidiForm::AboutBtnClick() {}

void TMidiForm::InstalledCodecs1Click() {
    try {
        (void)ShowCodecs(codecs_, CodecForm(), interaction_);
    } catch (const std::exception& error) {
        ReportError(error, "ShowCodecs");
    }
}

void TMidiForm::SaveSettingsClick() {
    try {
        // The proposal stays a proposal: only a written file becomes
        // SettingsFileName, so an existing file of that name is not replaced
        // without the question.
        if (SettingsFileName.isEmpty() && !MidiFileName.isEmpty()) {
            SaveDialog2.FileName = ProposedSettingsName(MidiFileName);
        }
        const std::optional<QString> path = AskSavePath(SaveDialog2, SettingsFileName);
        if (!path) {
            return;
        }
        SettingsFileName = *path;
        WriteSettingsFile(LocalPath(*path), CurrentSettings());
    } catch (const std::exception& error) {
        ReportError(error, "SaveSettingsClick");
    }
}

void TMidiForm::LoadSettingsClick() {
    try {
        if (!interaction_.RunOpenDialog(this, OpenDialog2)) {
            return;
        }
        SettingsFileName = OpenDialog2.FileName;
        // Each value goes through its control at once: the track bars limit
        // it to their range and their change handlers update the labels and
        // the kernels; a check box is checked only by a 1.
        QSlider* const bars[kSettingsTrackBarCount] = {TuningTB,    PolyTB,    ChordThresholdTB,
                                                       NeighbourTB, MinimumTB, AmplitudeTB};
        QCheckBox* const boxes[kSettingsValueCount - kSettingsTrackBarCount] = {
            PhaseCB, SpikeCB, LoudStartCB, PrettyCB};
        SettingsFileReader reader(LocalPath(SettingsFileName));
        for (;;) {
            const int index = reader.NextIndex();
            const std::optional<std::int32_t> value = reader.Next();
            if (!value) {
                break;
            }
            if (index < kSettingsTrackBarCount) {
                bars[index]->setValue(*value);
            } else {
                boxes[index - kSettingsTrackBarCount]->setChecked(*value == 1);
            }
        }
    } catch (const std::exception& error) {
        ReportError(error, "LoadSettingClick");
    }
}

void TMidiForm::VersionCheckClick() {
    // The action has toggled its own check mark before this runs.
    WriteRegString("Check Version", VersionCheck->isChecked() ? "1" : "0");
}

void TMidiForm::WriteRegString(const QString& name, const QString& value) {
    try {
        registry_.Write(name, value);
    } catch (const std::exception& error) {
        ReportError(error, "WriteRegString");
    }
}

QString TMidiForm::ReadRegString(const QString& name) {
    try {
        return registry_.Read(name);
    } catch (const std::exception& error) {
        ReportError(error, "ReadRegString");
        return {};
    }
}

void TMidiForm::ExitBtnClick() {
    close();
}

void TMidiForm::TuningTBChange() {
    const int cents = TuningTB->value();
    TuneLbl->setText(cents == 0 ? QString("True") : QString::number(cents));
    RebuildNoteKernels(cents);
}

void TMidiForm::PolyTBChange() {
    const int position = PolyTB->value();
    PolyLbl->setText(position > 9 ? QString("Any") : QString::number(position));
}

void TMidiForm::ChordThresholdTBChange() {
    ThresholdLbl->setText(Percent(ChordThresholdTB->value()));
}

void TMidiForm::NeighbourTBChange() {
    NeighbourLbl->setText(Percent(NeighbourTB->value()));
}

void TMidiForm::MinimumTBChange() {
    MinimumLbl->setText(Percent(MinimumTB->value()));
}

void TMidiForm::AmplitudeTBChange() {
    FluctLbl->setText(Percent(AmplitudeTB->value()));
}

void TMidiForm::PrettyCBClick() {
    // Unchecking clears the analyser box; checking waits for the next run.
    if (!PrettyCB->isChecked()) {
        ampsPB->repaint();
    }
}

} // namespace trx
