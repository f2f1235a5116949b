// Every label, check box and button of every window, filled with the
// longest text the program really puts there, shows its text whole in the
// application font.

#include "app/ui/ApplicationFont.h"
#include "app/ui/TAbortForm.h"
#include "app/ui/TErrorDlg.h"
#include "app/ui/TMidiForm.h"
#include "app/ui/TSplashForm.h"
#include "audio/CodecList.h"
#include "audio/ui/ShowCodecs.h"
#include "audio/ui/TCodecForm.h"
#include "controls/ui/THemisphereButton.h"
#include "editor/ui/TEditorForm.h"
#include "info/ui/TAboutBox.h"
#include "support/ScriptedInteraction.h"
#include "tuning/ui/TTuningForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QTest>

#include <cmath>

using trx::THemisphereButton;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;

namespace {

QString Shown(QString text) {
    // A mnemonic's "&" is not drawn, "&&" draws one.
    text.replace("&&", "\x01");
    text.remove('&');
    text.replace('\x01', '&');
    return text;
}

QString Describe(const QWidget& widget, const QString& text, QSize needed) {
    return QString("%1 \"%2\": needs %3 x %4, has %5 x %6")
        .arg(widget.objectName(), text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(widget.width())
        .arg(widget.height());
}

// The texts of window that do not fit their controls, one line each.
QStringList Misfits(const QWidget& window) {
    QStringList misfits;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) {
            continue;
        }
        const int margin = label->margin();
        const QRect area = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        const QString text = label->buddy() != nullptr ? Shown(label->text()) : label->text();
        const QSize needed =
            label->wordWrap()
                ? label->fontMetrics()
                      .boundingRect(area, int(label->alignment()) | Qt::TextWordWrap, text)
                      .size()
                : label->fontMetrics().size(0, text);
        if (needed.width() > area.width() || needed.height() > area.height()) {
            misfits << Describe(*label, text, needed);
        }
    }
    for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
        const QSize needed = box->sizeHint();
        if (needed.width() > box->width() || needed.height() > box->height()) {
            misfits << Describe(*box, Shown(box->text()), needed);
        }
    }
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin) +
                           button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        const QSize needed = text + QSize(2 * margin, 2 * margin);
        if (needed.width() > button->width() || text.height() > button->height()) {
            misfits << Describe(*button, button->text(), needed);
        }
    }
    for (const THemisphereButton* button : window.findChildren<THemisphereButton*>()) {
        // The centred caption's corners lie on the face ellipse.
        const QSize text = button->fontMetrics().size(0, button->Caption());
        const double x = text.width() / double(button->width());
        const double y = text.height() / double(button->height());
        if (!button->Caption().isEmpty() && x * x + y * y > 1.0) {
            misfits << Describe(*button, button->Caption(), text);
        }
    }
    return misfits;
}

} // namespace

class TextFitTest : public QObject {
    Q_OBJECT

private:
    void Check(const QWidget& window, const QString& state = {}) {
        for (const QString& misfit : Misfits(window)) {
            misfits << window.objectName() + " " + state + ": " + misfit;
        }
    }

    QStringList misfits;

    ScriptedInteraction modal;

private slots:
    void initTestCase() {
        QApplication::setFont(trx::ApplicationFont());
        const QFontInfo used(trx::ApplicationFont());
        QVERIFY2(used.family() == "DejaVu Sans" && used.styleName().contains("Condensed"),
                 qPrintable("the condensed DejaVu Sans is missing (fonts-dejavu-extra): got " +
                            used.family() + " " + used.styleName()));
    }
    void init() { misfits.clear(); }
    void cleanup() { QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join('\n'))); }

    void MainWindowTextsFit() {
        trx::TMidiForm form(modal);
        // The widest value of each parameter label.
        form.findChild<QSlider*>("TuningTB")->setValue(-50);
        form.findChild<QSlider*>("PolyTB")->setValue(9);
        for (const char* bar : {"ChordThresholdTB", "NeighbourTB", "MinimumTB", "AmplitudeTB"}) {
            form.findChild<QSlider*>(bar)->setValue(100);
        }
        Check(form);
        form.findChild<QSlider*>("PolyTB")->setValue(10);
        for (const char* status : {"Welcome to Tremolundrix", "Opening file", "Analysing waveform",
                                   "Filtering midi sections", "Creating analysis map",
                                   "Analysing tuning", "Finding single notes", "Analysing notes"}) {
            form.SetStatusText(status);
            Check(form, status);
        }
    }

    void CodecDialogTextsFitForEveryConverter() {
        trx::CodecList codecs;
        trx::TCodecForm form(codecs.Drivers());
        modal.Queue(ScriptedAnswer::Accept());
        QVERIFY(trx::ShowCodecs(codecs, form, modal));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* list = form.findChild<QListWidget*>("ListBox1");
        auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
        QVERIFY(list->count() > 0);
        const int memoWidth =
            memo->viewport()->width() - 2 * int(std::ceil(memo->document()->documentMargin()));
        const QRegularExpression description("^Format \\d+: ");
        for (int row = 0; row < list->count(); ++row) {
            list->setCurrentRow(row);
            const QString name = list->item(row)->text();
            Check(form, name);
            if (list->fontMetrics().horizontalAdvance(name) > list->viewport()->width()) {
                misfits << "list item " + name;
            }
            // The numbered lines; a format's description may wrap.
            for (const QString& line : memo->toPlainText().split('\n')) {
                const int width = memo->fontMetrics().horizontalAdvance(line);
                if (!description.match(line).hasMatch() && width > memoWidth) {
                    misfits << QString("%1 memo \"%2\": needs %3, has %4")
                                   .arg(name, line)
                                   .arg(width)
                                   .arg(memoWidth);
                }
            }
        }
    }

    void SmallWindowsTextsFit() {
        trx::TMidiForm main(modal);
        Check(main.AbortForm());

        trx::TErrorDlg error;
        error.SetMessage("Unable to write the value \"Check Version\" to "
                         "/home/somebody/.config/Tremolundrix/Tremolundrix.conf occured in "
                         "WriteRegString");
        Check(error);
        error.SetMessage("Invalid WAV file - channel count or sample rate is 0 occured in "
                         "PerformPhaseBinning");
        Check(error);

        trx::TAboutBox about("0.100.100.1000", "http://tremolundrix.example/");
        Check(about);

        trx::TTuningForm tuning;
        tuning.findChild<QSlider*>("TuningTB")->setValue(-50);
        Check(tuning);

        trx::TEditorForm editor;
        Check(editor);
        trx::TSplashForm splash;
        Check(splash);
    }
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
