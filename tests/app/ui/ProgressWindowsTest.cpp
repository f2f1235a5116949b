#include "app/ui/MidiFormProgress.h"
#include "app/ui/QtModalInteraction.h"
#include "app/ui/TAbortForm.h"
#include "app/ui/TErrorDlg.h"
#include "app/ui/TMidiForm.h"
#include "app/ui/TSplashForm.h"
#include "controls/ui/THemisphereButton.h"
#include "support/ScriptedInteraction.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using trx::THemisphereButton;
using trx::test::ScriptedInteraction;

class ProgressWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void AbortFormLooksAsDesigned() {
        ScriptedInteraction modal;
        trx::TMidiForm form(modal);
        trx::TAbortForm& abort = form.AbortForm();
        QCOMPARE(abort.windowTitle(), QString("Converting..."));
        QCOMPARE(abort.size(), QSize(153, 73));
        QVERIFY(abort.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!abort.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!abort.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!abort.isModal());
        QCOMPARE(abort.palette().color(QPalette::Window), QColor(192, 224, 192));
        auto* button = abort.findChild<THemisphereButton*>("AbortBtn");
        QVERIFY(button);
        QCOMPARE(button->geometry(), QRect(40, 16, 73, 41));
        QCOMPARE(button->Caption(), QString("Abort"));
        QVERIFY(button->font().bold());
        QCOMPARE(button->FaceColor(), QColor(128, 0, 0));
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(Qt::white));
        QVERIFY(!abort.isVisible());
    }

    void AbortIsClearedOnEveryShow() {
        ScriptedInteraction modal;
        trx::TMidiForm form(modal);
        trx::TAbortForm& abort = form.AbortForm();
        abort.show();
        QVERIFY(!abort.Aborted());
        auto* button = abort.findChild<THemisphereButton*>("AbortBtn");
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(36, 20));
        QVERIFY(abort.Aborted());
        abort.hide();
        QVERIFY(abort.Aborted());
        abort.show();
        QVERIFY(!abort.Aborted());
    }

    void AbortFormCentresOnTheMainWindow() {
        ScriptedInteraction modal;
        trx::TMidiForm form(modal);
        form.move(101, 51);
        form.show();
        trx::TAbortForm& abort = form.AbortForm();
        abort.show();
        const QRect main = form.frameGeometry();
        const QRect own = abort.frameGeometry();
        QCOMPARE(own.top(), (main.top() * 2 + main.height() - own.height()) / 2);
        QCOMPARE(own.left(), (main.left() * 2 + main.width() - own.width()) / 2);
        abort.hide();

        // Left of the screen the division truncates toward zero.
        form.move(-401, -353);
        abort.show();
        const QRect mainNow = form.frameGeometry();
        const QRect ownNow = abort.frameGeometry();
        const int numerator = mainNow.left() * 2 + mainNow.width() - ownNow.width();
        QVERIFY(numerator < 0);
        QCOMPARE(ownNow.left(), numerator / 2);
        QCOMPARE(ownNow.top(), (mainNow.top() * 2 + mainNow.height() - ownNow.height()) / 2);
    }

    void ReporterForwardsToTheWindowAndReadsAbort() {
        ScriptedInteraction modal;
        trx::TMidiForm form(modal);
        trx::MidiFormProgress progress(form);
        progress.SetStatusText("Analysing waveform");
        QCOMPARE(form.findChild<QLabel*>("StatusPanel0")->text(), QString("Analysing waveform"));
        progress.SetProgress(0.25);
        QCOMPARE(form.Progress(), 0.25);

        trx::TAbortForm& abort = form.AbortForm();
        abort.show();
        // A click waiting in the queue is handled at the checkpoint.
        QTimer::singleShot(0, &abort, &trx::TAbortForm::AbortBtnClick);
        QVERIFY(!abort.Aborted());
        QVERIFY(!progress.ContinueWork());
        abort.hide();
        abort.show();
        QVERIFY(progress.ContinueWork());

        progress.ResetProgress();
        QCOMPARE(form.Progress(), 0.0);
        QCOMPARE(form.findChild<QLabel*>("StatusPanel0")->text(), QString());
    }

    void ErrorDialogLooksAsDesigned() {
        trx::TErrorDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Unanticipated Error"));
        QCOMPARE(dialog.size(), QSize(358, 218));
        QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        auto* label = dialog.findChild<QLabel*>("ErrLabel");
        QVERIFY(label);
        QCOMPARE(label->text(), QString("Error"));
        QCOMPARE(label->geometry(), QRect(16, 32, 329, 121));
        QCOMPARE(label->alignment(), Qt::Alignment(Qt::AlignCenter));
        QVERIFY(label->wordWrap());
        auto* ok = dialog.findChild<QPushButton*>("OKBtn");
        QVERIFY(ok);
        QCOMPARE(ok->text(), QString("OK"));
        QCOMPARE(ok->geometry(), QRect(143, 184, 75, 25));
        QVERIFY(ok->isDefault());

        // OK is the way on.
        QTimer::singleShot(0, ok, &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }

    void StartUpWindowsHandedToTheMainWindowAreUsed() {
        ScriptedInteraction modal;
        trx::TMidiForm form(modal);
        auto* abort = new trx::TAbortForm(&form);
        auto* error = new trx::TErrorDlg(&form);
        form.SetAbortForm(abort);
        form.SetErrorDlg(error);
        QCOMPARE(&form.AbortForm(), abort);
        QCOMPARE(&form.ErrorDlg(), error);
        modal.Queue(trx::test::ScriptedAnswer::Accept());
        form.ReportError(QString("Bad data"), "CloseDataFile");
        QCOMPARE(error->Message(), QString("Bad data occured in CloseDataFile"));
    }

    void SplashIsABorderlessPictureOfItsOwnSize() {
        trx::TSplashForm splash;
        QCOMPARE(splash.windowTitle(), QString("Splash screen"));
        QCOMPARE(splash.size(), QSize(588, 267));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        auto* picture = splash.findChild<QLabel*>("Image1");
        QVERIFY(picture);
        QCOMPARE(picture->geometry(), splash.rect());
        QCOMPARE(picture->pixmap().size(), QSize(588, 267));
    }

    void FileFiltersBecomeNameFilters() {
        QCOMPARE(trx::QtModalInteraction::ToNameFilters("WAV files|*.wav|All files|*.*"),
                 QStringList({"WAV files (*.wav)", "All files (*)"}));
        QCOMPARE(trx::QtModalInteraction::ToNameFilters("MIDI files|*.mid;*.mdi;*.midi"),
                 QStringList({"MIDI files (*.mid *.mdi *.midi)"}));
        QVERIFY(trx::QtModalInteraction::ToNameFilters("").isEmpty());
        QVERIFY(trx::QtModalInteraction::ToNameFilters("dangling").isEmpty());
    }

    void MessageOverABusyWindowShowsTheNormalPointer() {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        bool busyWhileShown = true;
        QTimer::singleShot(0, [&busyWhileShown] {
            busyWhileShown = QGuiApplication::overrideCursor() != nullptr;
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        trx::QtModalInteraction modal;
        modal.Tell(nullptr, {"Unable to convert WAV file to required format", "Tremolundrix",
                             QMessageBox::Ok, QMessageBox::NoIcon});
        QVERIFY(!busyWhileShown);
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QGuiApplication::restoreOverrideCursor();
    }
};

QTEST_MAIN(ProgressWindowsTest)
#include "ProgressWindowsTest.moc"
