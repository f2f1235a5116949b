#include "app/ui/TMidiForm.h"
#include "app/ui/RegistryStore.h"
#include "app/ui/TErrorDlg.h"
#include "common/Errors.h"
#include "controls/ui/THemisphereButton.h"
#include "support/ScriptedInteraction.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cerrno>
#include <cstring>
#include <memory>

using trx::THemisphereButton;
using trx::test::RequestKind;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;

namespace {

// The window with its two saving routines replaced, so that a test sees
// which of them the unsaved-result question chose.
class RecordingForm : public trx::TMidiForm {
public:
    using TMidiForm::TMidiForm;

    bool SaveMidiFile(const QString& path) override {
        SavedTo.append(path);
        return SaveSucceeds;
    }
    bool SaveMidiFileAs() override {
        ++SaveAsCalls;
        return SaveSucceeds;
    }

    QStringList SavedTo;
    int SaveAsCalls = 0;
    bool SaveSucceeds = true;
};

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

const QString kSaveQuestion = "The current file is not saved. Save midi file now?";

} // namespace

class TMidiFormTest : public QObject {
    Q_OBJECT

private:
    template <typename T>
    T* Child(const char* name) const {
        return form->findChild<T*>(name);
    }
    QSlider* Bar(const char* name) const { return Child<QSlider>(name); }
    QString LabelText(const char* name) const {
        const QLabel* label = Child<QLabel>(name);
        return label != nullptr ? label->text() : QString("<missing %1>").arg(name);
    }
    // The caption label whose mnemonic moves the focus to this control.
    QString BuddyCaption(QWidget* control) const {
        for (const QLabel* label : form->findChildren<QLabel*>()) {
            if (label->buddy() == control) {
                return label->text();
            }
        }
        return {};
    }
    QImage GrabProgressPanel() const {
        auto* panel = Child<QWidget>("StatusPanel1");
        return panel->grab().toImage();
    }

    ScriptedInteraction modal;
    QTemporaryDir store;
    std::unique_ptr<RecordingForm> form;

private slots:
    void init() {
        modal.Clear();
        form = std::make_unique<RecordingForm>(modal);
        form->SetRegistryStore(trx::RegistryStore(store.filePath("store.ini")));
    }
    void cleanup() { form.reset(); }

    void WindowOpensWithItsCaptionSizeAndColours() {
        QCOMPARE(form->windowTitle(), QString("Tremolundrix - Wave to Midi conversion"));
        QCOMPARE(form->size(), QSize(784, 766));
        QCOMPARE(form->maximumHeight(), 766);
        QCOMPARE(form->minimumWidth(), 784);
        QCOMPARE(form->palette().color(QPalette::Window), QColor(192, 224, 192));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(224, 255, 224));

        auto* buttons = Child<QWidget>("ButtonPanel");
        auto* controls = Child<QWidget>("ControlPanel");
        QVERIFY(buttons && controls);
        QCOMPARE(buttons->geometry(), QRect(8, 8, 193, 145));
        QCOMPARE(controls->geometry(), QRect(208, 8, 561, 145));

        form->show();
        auto* scroll = Child<QScrollArea>("ScrollBox1");
        QVERIFY(scroll);
        QCOMPARE(scroll->mapTo(form.get(), QPoint(0, 0)).y() - form->menuBar()->height(), 156);
        QCOMPARE(scroll->width(), form->width());
        QCOMPARE(Child<QWidget>("ampsPB")->size(), QSize(64, 512));
        QCOMPARE(Child<QWidget>("Image1")->size(), QSize(64, 512));
        QVERIFY(Child<QLabel>("NoteLbl"));
        auto* spectrum = Child<QScrollArea>("ScrollBox2");
        QVERIFY(spectrum);
        QCOMPARE(spectrum->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(spectrum->widget()->objectName(), QString("PaintBox1"));
        QCOMPARE(spectrum->widget()->height(), 512);
        QCOMPARE(spectrum->viewport()->palette().color(QPalette::Window), QColor(Qt::black));
        const int ampsLeft = Child<QWidget>("ampsPB")->mapTo(scroll, QPoint(0, 0)).x();
        QCOMPARE(Child<QWidget>("Image1")->mapTo(scroll, QPoint(0, 0)).x(), ampsLeft + 64);
    }

    void CommandButtons_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char* name, QRect bounds, const char* hint, bool shown,
                            bool enabled) {
            QTest::newRow(name) << QString(name) << bounds << QString(hint) << shown << enabled;
        };
        row("OpenBtn", {16, 16, 50, 31}, "Open wave file", true, true);
        row("SaveBtn", {72, 16, 50, 31}, "Save midi file", false, true);
        row("DummyBtn3", {72, 16, 50, 31}, "A file must be converted\nbefore it can be saved", true,
            false);
        row("PlayBtn", {128, 16, 50, 31}, "Play midi file", false, true);
        row("StopBtn", {128, 16, 50, 31}, "Stop playing midi file", false, true);
        row("DummyBtn2", {128, 16, 50, 31}, "A file must be converted\nbefore it can be played",
            true, false);
        row("ConvertBtn", {16, 56, 50, 31}, "Convert wave\nfile to midi file", false, true);
        row("DummyBtn1", {16, 56, 50, 31}, "A file must be opened\nbefore it can be converted",
            true, false);
        row("FilterBtn", {72, 56, 50, 31}, "Re-filter conversion", false, true);
        row("DummyBtn4", {72, 56, 50, 31}, "A file must be converted\nbefore it can be filtered",
            true, false);
        row("EditBtn", {128, 56, 50, 31}, "Edit midi note data", false, true);
        row("DummyBtn5", {128, 56, 50, 31}, "A file must be converted\nbefore it can be edited",
            true, false);
        row("ExitBtn", {44, 96, 50, 31}, "Close Tremolundrix", true, true);
        row("AboutBtn", {100, 96, 50, 31}, "About Tremolundrix", true, true);
        row("AutoTuneBtn", {119, 14, 41, 31}, "Find best fit tuning", false, true);
        row("Dummy6Btn", {119, 14, 41, 31}, "Tuning cannot be detected\nuntil file is converted",
            true, false);
    }
    void CommandButtons() {
        QFETCH(QString, name);
        QFETCH(QRect, bounds);
        QFETCH(QString, hint);
        QFETCH(bool, shown);
        QFETCH(bool, enabled);
        auto* button = form->findChild<THemisphereButton*>(name);
        QVERIFY(button);
        const char* panel =
            name.contains("6Btn") || name == "AutoTuneBtn" ? "ControlPanel" : "ButtonPanel";
        QCOMPARE(button->parentWidget()->objectName(), QString(panel));
        QCOMPARE(button->geometry(), bounds);
        QCOMPARE(button->Hint(), hint);
        QCOMPARE(!button->isHidden(), shown);
        QCOMPARE(button->isEnabled(), enabled);
        QCOMPARE(button->FaceColor(), QColor(240, 202, 166));
    }

    void RealButtonsCoverTheirPlaceholdersWhenShown() {
        form->show();
        const auto* parent = Child<QWidget>("ButtonPanel");
        for (const char* real : {"SaveBtn", "PlayBtn", "ConvertBtn", "FilterBtn", "EditBtn"}) {
            auto* button = Child<THemisphereButton>(real);
            button->show();
            QCOMPARE(parent->childAt(button->geometry().center()), button);
        }
        // Stop lies over Play in the same cell.
        Child<THemisphereButton>("StopBtn")->show();
        QCOMPARE(parent->childAt(QPoint(153, 31)), Child<QWidget>("StopBtn"));
        auto* tune = Child<THemisphereButton>("AutoTuneBtn");
        tune->show();
        QCOMPARE(Child<QWidget>("ControlPanel")->childAt(tune->geometry().center()), tune);
    }

    void TrackBars_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("pageStep");
        QTest::addColumn<int>("tickInterval");
        QTest::addColumn<QString>("valueLabel");
        QTest::addColumn<QString>("valueText");
        QTest::newRow("tuning") << "TuningTB"
                                << "&Tuning:" << -50 << 50 << 0 << 10 << 10 << "TuneLbl"
                                << "True";
        QTest::newRow("polyphony") << "PolyTB"
                                   << "&Polyphony:" << 1 << 10 << 5 << 1 << 1 << "PolyLbl"
                                   << "5";
        QTest::newRow("chord") << "ChordThresholdTB"
                               << "Minimum &chord component:" << 0 << 100 << 30 << 5 << 10
                               << "ThresholdLbl"
                               << "30%";
        QTest::newRow("neighbour")
            << "NeighbourTB"
            << "&Neighbouring notes threshold:" << 0 << 100 << 80 << 5 << 10 << "NeighbourLbl"
            << "80%";
        QTest::newRow("minimum") << "MinimumTB"
                                 << "Overall &minimum component:" << 0 << 100 << 15 << 5 << 10
                                 << "MinimumLbl"
                                 << "15%";
        QTest::newRow("fluctuation")
            << "AmplitudeTB"
            << "Amplitude &Fluctuation:" << 0 << 100 << 30 << 5 << 10 << "FluctLbl"
            << "30%";
    }
    void TrackBars() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, position);
        QFETCH(int, pageStep);
        QFETCH(int, tickInterval);
        QFETCH(QString, valueLabel);
        QFETCH(QString, valueText);
        auto* bar = form->findChild<QSlider*>(name);
        QVERIFY(bar);
        QCOMPARE(bar->orientation(), Qt::Horizontal);
        QCOMPARE(bar->parentWidget()->objectName(), QString("ControlPanel"));
        QCOMPARE(BuddyCaption(bar), caption);
        QCOMPARE(bar->minimum(), minimum);
        QCOMPARE(bar->maximum(), maximum);
        QCOMPARE(bar->value(), position);
        QCOMPARE(bar->pageStep(), pageStep);
        QCOMPARE(bar->tickInterval(), tickInterval);
        QCOMPARE(LabelText(valueLabel.toLatin1().constData()), valueText);
    }

    void CheckBoxes() {
        const struct {
            const char* name;
            const char* caption;
            bool checked;
        } boxes[] = {{"PhaseCB", "Phase &Analysis", false},
                     {"SpikeCB", "&Single sample noise removal", true},
                     {"LoudStartCB", "Notes start &loudest", true},
                     {"PrettyCB", "&Draw Spectrum Analyser", false}};
        for (const auto& expected : boxes) {
            auto* box = Child<QCheckBox>(expected.name);
            QVERIFY2(box, expected.name);
            QCOMPARE(box->text(), QString(expected.caption));
            QCOMPARE(box->isChecked(), expected.checked);
        }
        QCOMPARE(form->CurrentSettings(), trx::ConversionSettings{});
    }

    void MainMenu() {
        const QList<QAction*> menus = form->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QString("&File"));
        QCOMPARE(menus[1]->text(), QString("&Midi"));
        QCOMPARE(menus[2]->text(), QString("&Help"));

        // name, caption, short-cut, enabled; a "-" caption is a separator.
        using Item = std::tuple<QString, QString, QString, bool>;
        const QList<QList<Item>> expected = {
            {{"Open1", "&Open Wave file", "Ctrl+O", true},
             {"SaveMidiFile1", "&Save Midi File", "Ctrl+S", false},
             {"SaveFileAs1", "Save File &As", "", false},
             {"N1", "-", "", true},
             {"SaveSettings1", "Sa&ve Settings", "", true},
             {"LoadSettings1", "&Load Settings", "", true},
             {"Options1", "O&ptions", "", true},
             {"N2", "-", "", true},
             {"Exit1", "E&xit", "", true}},
            {{"Convert1", "&Convert", "Ctrl+C", false},
             {"Refilter1", "Re&filter", "Ctrl+F", false},
             {"Edit1", "&Edit", "Ctrl+E", false},
             {"Play1", "&Play", "Ctrl+P", false},
             {"N3", "-", "", true},
             {"WriteBeatGrid1", "&Write Beat Grid", "", true},
             {"AccurateEngine1", "&Accurate Engine", "", true}},
            {{"InstalledCodecs1", "Installed Codecs", "Ctrl+I", true},
             {"AboutTremolundrix1", "&About Tremolundrix", "F1", true}}};
        for (int m = 0; m < 3; ++m) {
            const QList<QAction*> items = menus[m]->menu()->actions();
            QCOMPARE(items.size(), expected[m].size());
            for (int i = 0; i < items.size(); ++i) {
                const auto& [name, caption, shortcut, enabled] = expected[m][i];
                QCOMPARE(items[i]->objectName(), name);
                if (caption == "-") {
                    QVERIFY(items[i]->isSeparator());
                } else {
                    QCOMPARE(items[i]->text(), caption);
                }
                QCOMPARE(items[i]->shortcut().toString(), shortcut);
                QCOMPARE(items[i]->isEnabled(), enabled);
            }
        }

        const QMenu* options = Child<QMenu>("Options1");
        QVERIFY(options);
        QCOMPARE(options->actions().size(), 1);
        const QAction* check = options->actions().front();
        QCOMPARE(check->objectName(), QString("VersionCheck"));
        QCOMPARE(check->text(), QString("&Check for new version on startup"));
        QVERIFY(check->isCheckable());
        QVERIFY(check->isChecked());
        QVERIFY(check->isEnabled());
    }

    void StatusBarStartsWithTheWelcome() {
        QStatusBar* bar = form->statusBar();
        QCOMPARE(bar->objectName(), QString("StatusBar"));
        QCOMPARE(LabelText("StatusPanel0"), QString("Welcome to Tremolundrix"));
        QCOMPARE(Child<QWidget>("StatusPanel0")->width(), 300);
        QCOMPARE(Child<QWidget>("StatusPanel1")->width(), 100);
        QCOMPARE(Child<QWidget>("StatusPanel2")->width(), 250);
        QCOMPARE(LabelText("StatusPanel2"), QString());
    }

    void TuningLabelReadsTrueAtZero() {
        QSlider* tuning = Bar("TuningTB");
        tuning->setValue(-50);
        QCOMPARE(LabelText("TuneLbl"), QString("-50"));
        tuning->setValue(12);
        QCOMPARE(LabelText("TuneLbl"), QString("12"));
        tuning->setValue(0);
        QCOMPARE(LabelText("TuneLbl"), QString("True"));
        tuning->setValue(80); // held at the end of the range
        QCOMPARE(LabelText("TuneLbl"), QString("50"));
    }

    void PolyphonyAboveNineReadsAny() {
        Bar("PolyTB")->setValue(10);
        QCOMPARE(LabelText("PolyLbl"), QString("Any"));
        Bar("PolyTB")->setValue(9);
        QCOMPARE(LabelText("PolyLbl"), QString("9"));
        Bar("PolyTB")->setValue(1);
        QCOMPARE(LabelText("PolyLbl"), QString("1"));
    }

    void ThresholdsReadAsPercentages() {
        Bar("ChordThresholdTB")->setValue(0);
        Bar("NeighbourTB")->setValue(100);
        Bar("MinimumTB")->setValue(7);
        Bar("AmplitudeTB")->setValue(55);
        QCOMPARE(LabelText("ThresholdLbl"), QString("0%"));
        QCOMPARE(LabelText("NeighbourLbl"), QString("100%"));
        QCOMPARE(LabelText("MinimumLbl"), QString("7%"));
        QCOMPARE(LabelText("FluctLbl"), QString("55%"));
        Child<QCheckBox>("PhaseCB")->setChecked(true);
        const trx::ConversionSettings settings = form->CurrentSettings();
        QCOMPARE(settings.ChordThreshold, 0);
        QCOMPARE(settings.NeighbourThreshold, 100);
        QCOMPARE(settings.MinimumComponent, 7);
        QCOMPARE(settings.AmplitudeFluctuation, 55);
        QVERIFY(settings.PhaseAnalysis);
    }

    void UncheckingTheAnalyserClearsItsBoxAtOnce() {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        PaintCounter counter;
        Child<QWidget>("ampsPB")->installEventFilter(&counter);
        auto* pretty = Child<QCheckBox>("PrettyCB");
        pretty->setChecked(true);
        QCOMPARE(counter.Paints, 0);
        pretty->setChecked(false);
        QCOMPARE(counter.Paints, 1);
    }

    void CaptionMnemonicFocusesItsTrackBar() {
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_T, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Bar("TuningTB"));
        QTest::keyClick(form.get(), Qt::Key_P, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Bar("PolyTB"));
    }

    void ProgressMovesInWholePercentsRoundedHalfToEven() {
        form->ResetProgress();
        form->SetProgress(0.004);
        QCOMPARE(form->Progress(), 0.0);
        form->SetProgress(0.005); // 0.5 % rounds to 0
        QCOMPARE(form->Progress(), 0.0);
        form->SetProgress(0.015); // 1.5 % rounds to 2
        QCOMPARE(form->Progress(), 0.015);
        form->SetProgress(0.024); // still 2 %
        QCOMPARE(form->Progress(), 0.015);
        form->SetProgress(0.026);
        QCOMPARE(form->Progress(), 0.026);

        form->ResetProgress();
        form->SetProgress(0.015);
        const QImage panel = GrabProgressPanel();
        QCOMPARE(panel.width(), 100);
        const int middle = panel.height() / 2;
        QCOMPARE(panel.pixelColor(0, middle), QColor(0, 0, 255));
        QCOMPARE(panel.pixelColor(1, middle), QColor(0, 0, 255));
        QCOMPARE(panel.pixelColor(2, middle), QColor(Qt::white));
    }

    void FullProgressFillsThePanelAndNoneLeavesItWhite() {
        form->SetProgress(1.0);
        QImage panel = GrabProgressPanel();
        for (int x = 0; x < panel.width(); x += 9) {
            QCOMPARE(panel.pixelColor(x, 0), QColor(0, 0, 255));
            QCOMPARE(panel.pixelColor(x, panel.height() - 1), QColor(0, 0, 255));
        }
        QCOMPARE(panel.pixelColor(99, 3), QColor(0, 0, 255));

        form->SetStatusText("Analysing waveform");
        QCOMPARE(LabelText("StatusPanel0"), QString("Analysing waveform"));
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        form->ResetProgress();
        QCOMPARE(form->Progress(), 0.0);
        QCOMPARE(LabelText("StatusPanel0"), QString());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        panel = GrabProgressPanel();
        for (int x = 0; x < panel.width(); x += 9) {
            QCOMPARE(panel.pixelColor(x, panel.height() / 2), QColor(Qt::white));
        }
    }

    void ReportedErrorNamesTheRoutine() {
        QString shown;
        modal.Queue(ScriptedAnswer::Run([&shown](QDialog& dialog) {
            shown = dialog.findChild<QLabel*>("ErrLabel")->text();
            return int(QDialog::Accepted);
        }));
        form->ReportError(trx::TremolundrixError("Disk full"), "AnalyseWave");
        QCOMPARE(shown, QString("Disk full occured in AnalyseWave"));
        QCOMPARE(modal.Requests().size(), std::size_t{1});
        const auto& request = modal.Requests().front();
        QCOMPARE(request.Kind, RequestKind::Exec);
        QCOMPARE(request.DialogTitle, QString("Unanticipated Error"));
        QVERIFY(request.Answered);
    }

    void SystemErrorShowsTheSystemText() {
        form->ShowSystemError(ENOENT);
        QCOMPARE(modal.Requests().size(), std::size_t{1});
        const auto& request = modal.Requests().front();
        QCOMPARE(request.Kind, RequestKind::Tell);
        QCOMPARE(request.Text, QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(request.Caption, QString("Error occurred"));
        QCOMPARE(request.Icon, QMessageBox::Critical);
        QCOMPARE(request.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!request.HasOwner);
    }

    void UnsavedResultQuestion() {
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->QuerySave());
        const auto& request = modal.Requests().front();
        QCOMPARE(request.Kind, RequestKind::Ask);
        QCOMPARE(request.Text, kSaveQuestion);
        QCOMPARE(request.Caption, QString("Warning"));
        QCOMPARE(request.Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(request.Icon, QMessageBox::Warning);
        QVERIFY(form->SavedTo.isEmpty());
        QCOMPARE(form->SaveAsCalls, 0);

        modal.Queue(ScriptedAnswer::No());
        QVERIFY(form->QuerySave());
        QVERIFY(form->SavedTo.isEmpty());
        QCOMPARE(form->SaveAsCalls, 0);

        // Yes without a MIDI name asks for one; with a name saves there.
        modal.Queue(ScriptedAnswer::Yes());
        QVERIFY(form->QuerySave());
        QCOMPARE(form->SaveAsCalls, 1);
        form->Session().MidiFileName = "/music/song.mid";
        modal.Queue(ScriptedAnswer::Yes());
        QVERIFY(form->QuerySave());
        QCOMPARE(form->SavedTo, QStringList{"/music/song.mid"});
        QCOMPARE(form->SaveAsCalls, 1);

        // A save that does not happen stops the caller.
        form->SaveSucceeds = false;
        modal.Queue(ScriptedAnswer::Yes());
        QVERIFY(!form->QuerySave());
        QCOMPARE(modal.Unanswered(), 0);
    }

    void ClosingASavedResultAsksNothing() {
        form->show();
        QVERIFY(form->close());
        QVERIFY(modal.Requests().empty());
    }

    void ClosingAnUnsavedResultAsksAndCancelKeepsTheWindow() {
        form->show();
        form->Session().Saved = false;
        modal.Queue(ScriptedAnswer::Cancel());
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(modal.Requests().size(), std::size_t{1});
        QCOMPARE(modal.Requests().front().Text, kSaveQuestion);

        // The Exit button closes the same way.
        modal.Queue(ScriptedAnswer::Cancel());
        auto* exit = Child<THemisphereButton>("ExitBtn");
        QTest::mouseClick(exit, Qt::LeftButton, {}, QPoint(25, 15));
        QVERIFY(form->isVisible());
        QCOMPARE(modal.Requests().size(), std::size_t{2});

        modal.Queue(ScriptedAnswer::No());
        Child<QAction>("Exit1")->trigger();
        QVERIFY(!form->isVisible());
        QCOMPARE(modal.Unanswered(), 0);
    }

    void ShutDownDeletesEveryTemporaryFile() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QStringList names = {folder.filePath("TRB1.tmp"), folder.filePath("TRB2.tmp")};
        for (const QString& name : names) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("MThd");
        }
        std::vector<std::string>& temporary = form->Session().TempFiles;
        for (const QString& name : names)
            temporary.push_back(name.toStdString());
        // One already gone: its failure to delete is ignored.
        temporary.insert(temporary.begin() + 1, folder.filePath("gone.tmp").toStdString());
        form.reset();
        for (const QString& name : names) {
            QVERIFY2(!QFile::exists(name), qPrintable(name));
        }
    }

    void PicturesAndProgressPanelReportNameAndRole() {
        const std::pair<const char*, QString> pictures[] = {
            {"ampsPB", "Spectrum analyser"}, {"Image1", "Keyboard"}, {"PaintBox1", "Note map"}};
        for (const auto& [name, accessibleName] : pictures) {
            QAccessibleInterface* picture =
                QAccessible::queryAccessibleInterface(Child<QWidget>(name));
            QVERIFY2(picture != nullptr, name);
            QCOMPARE(picture->role(), QAccessible::Graphic);
            QCOMPARE(picture->text(QAccessible::Name), accessibleName);
        }
        QAccessibleInterface* panel =
            QAccessible::queryAccessibleInterface(Child<QWidget>("StatusPanel1"));
        QVERIFY(panel != nullptr);
        QCOMPARE(panel->role(), QAccessible::ProgressBar);
        form->SetProgress(0.25);
        QCOMPARE(panel->valueInterface()->currentValue().toInt(), 25);
    }

    void EnableControlsReachesEveryControlButNotTheContainer() {
        auto* buttons = Child<QWidget>("ButtonPanel");
        auto* controls = Child<QWidget>("ControlPanel");
        form->EnableControls(controls, false);
        QVERIFY(controls->isEnabled());
        QVERIFY(!Bar("TuningTB")->isEnabled());
        QVERIFY(!Child<QCheckBox>("PrettyCB")->isEnabled());
        QVERIFY(!Child<QWidget>("Dummy6Btn")->isEnabled());
        QVERIFY(Child<QWidget>("OpenBtn")->isEnabled());

        // The placeholders stay greyed when the end of an analysis enables
        // the panels.
        form->EnableControls(buttons, true);
        form->EnableControls(controls, true);
        for (const char* name :
             {"DummyBtn1", "DummyBtn2", "DummyBtn3", "DummyBtn4", "DummyBtn5", "Dummy6Btn"}) {
            QVERIFY2(!Child<QWidget>(name)->isEnabled(), name);
        }
        QVERIFY(Bar("TuningTB")->isEnabled());

        // Nested containers: every level is set on its own, depth first.
        QWidget outer;
        auto* inner = new QWidget(&outer);
        auto* leaf = new QWidget(inner);
        form->EnableControls(&outer, false);
        QVERIFY(outer.isEnabled());
        QVERIFY(inner->testAttribute(Qt::WA_Disabled));
        QVERIFY(leaf->testAttribute(Qt::WA_Disabled));
        QVERIFY(!leaf->isEnabledTo(inner));
        form->EnableControls(nullptr, true);
    }

    void EveryCommandRunsWithoutAFile() {
        for (QAction* menu : form->menuBar()->actions()) {
            for (QAction* item : menu->menu()->actions()) {
                if (!item->isSeparator() && item->menu() == nullptr &&
                    item->objectName() != "Exit1") {
                    item->setEnabled(true);
                    item->trigger();
                }
            }
        }
        for (THemisphereButton* button : form->findChildren<THemisphereButton*>()) {
            if (button->objectName() != "ExitBtn") {
                button->show();
                button->setEnabled(true);
                QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            }
        }
        // The start-up check option toggles its own mark.
        Child<QAction>("VersionCheck")->trigger();
        QVERIFY(!Child<QAction>("VersionCheck")->isChecked());
        // Every dialog was dismissed: still no file and nothing to save.
        QVERIFY(form->Session().WavFileName.empty());
        QVERIFY(form->Session().Saved);
        QVERIFY(!form->State().Sound.IsOpen());
    }
};

QTEST_MAIN(TMidiFormTest)
#include "TMidiFormTest.moc"
