#include "audio/CodecList.h"
#include "audio/CodecTexts.h"
#include "audio/ui/ShowCodecs.h"
#include "audio/ui/TCodecForm.h"
#include "controls/ui/THemisphereButton.h"
#include "support/ScriptedInteraction.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

using namespace trx;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;

namespace {

WaveFormat Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                  std::uint16_t bits) {
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    return {tag, channels, rate, rate * align, align, bits, 0};
}

std::unique_ptr<TCodecDriver> Driver(const std::string& shortName) {
    auto driver = std::make_unique<TCodecDriver>();
    driver->ShortName = shortName;
    return driver;
}

// A converter offering tags 17, 2 and 17 again, in that order.
std::unique_ptr<TCodecDriver> AdpcmDriver() {
    auto driver = Driver("ADPCM");
    driver->DriverId = 0x1A2B;
    driver->SupportsAsync = true;
    driver->SupportsDifferentTags = true;
    driver->LongName = "Adaptive delta converter";
    driver->Copyright = "Copyright (C) the makers";
    driver->Licensing = "Free to use";
    driver->Features = "Decodes <b>two</b> kinds";
    driver->FormatTagCount = 2;
    driver->FilterTagCount = 0;
    driver->ManufacturerId = 1;
    driver->ProductId = 37;
    driver->AcmVersion = PackVersion(3, 50, 0);
    driver->DriverVersion = PackVersion(4, 0, 612);
    driver->AddFormat("4 bit, 44100 Hz, Mono", TWaveFormatOb(Format(17, 1, 44100, 4)));
    driver->AddFormat("4 bit, 8000 Hz, Stereo", TWaveFormatOb(Format(2, 2, 8000, 4)));
    driver->AddFormat("4 bit, 22050 Hz, Mono", TWaveFormatOb(Format(17, 1, 22050, 4)));
    return driver;
}

QString LabelText(const QDialog& form, const char* name) {
    const auto* label = form.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

QListWidget& List(const QDialog& form) {
    return *form.findChild<QListWidget*>(QStringLiteral("ListBox1"));
}

} // namespace

class CodecFormTest : public QObject {
    Q_OBJECT

private slots:
    void selectedDriverShowsEveryDetailText();
    void memoListsEachFormatInSevenLinesThenABlank();
    void driverWithoutFormatsShowsOnlyTheCount();
    void reopeningKeepsTheSelectedDriverWhileItStillExists();
    void installedCodecsCommandShowsTheRebuiltListAndClosesWithOk();
};

void CodecFormTest::selectedDriverShowsEveryDetailText() {
    TCodecForm::DriverList drivers;
    drivers.push_back(AdpcmDriver());
    TCodecForm form(drivers);
    QCOMPARE(form.windowTitle(), QString("Installed Codecs"));
    QCOMPARE(LabelText(form, "ACMVerLbl"), QString("ACM Version:"));
    QCOMPARE(LabelText(form, "NumCodecsLbl"), QString("Number of codecs:"));
    form.FormShow();

    QCOMPARE(List(form).count(), 1);
    QCOMPARE(List(form).item(0)->text(), QString("ADPCM"));
    QCOMPARE(LabelText(form, "ShortLbl"), QString("Short name: ADPCM"));
    QCOMPARE(LabelText(form, "IDLbl"), QString("ID: 0x00001a2b"));
    QCOMPARE(LabelText(form, "LongLbl"), QString("Long name: Adaptive delta converter"));
    QCOMPARE(LabelText(form, "CopyLbl"), QString("Copyright: Copyright (C) the makers"));
    // The label at 176 tells the licensing, the taller one below the features.
    QCOMPARE(LabelText(form, "FeatLbl"), QString("Licensing: Free to use"));
    QCOMPARE(LabelText(form, "LicLbl"), QString("Features: Decodes <b>two</b> kinds"));
    QCOMPARE(form.findChild<QLabel*>("LicLbl")->textFormat(), Qt::PlainText);
    // Tags sorted as text: "17" before "2".
    QCOMPARE(LabelText(form, "NumFoLbl"), QString("Number of format types: 2 ( 17, 2 )"));
    QCOMPARE(LabelText(form, "NumFiLbl"), QString("Number of filters: 0"));
    QCOMPARE(LabelText(form, "ManIDLbl"), QString("Manufacturer ID: 1"));
    QCOMPARE(LabelText(form, "ProdIDLbl"), QString("Product ID: 37"));
    QCOMPARE(LabelText(form, "VerLbl"), QString("Version: 4.00"));
    QCOMPARE(LabelText(form, "verACMLbl"), QString("Designed for ACM version: 3.50"));

    const QStringList captions{"Supports asynchronous conversions",
                               "Supports conversions between differing format types",
                               "Supports conversions within a format type", "Supports filtering"};
    const QList<bool> states{true, true, false, false};
    const QList<QCheckBox*> boxes = form.findChildren<QCheckBox*>();
    QCOMPARE(boxes.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(boxes[i]->text(), captions[i]);
        QCOMPARE(boxes[i]->isChecked(), states[i]);
        QVERIFY(!boxes[i]->isEnabled());
    }
}

void CodecFormTest::memoListsEachFormatInSevenLinesThenABlank() {
    TCodecForm::DriverList drivers;
    drivers.push_back(AdpcmDriver());
    TCodecForm form(drivers);
    form.FormShow();
    const auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
    QVERIFY(memo->isReadOnly());
    const QStringList lines = memo->toPlainText().split('\n');
    // Eight lines per format, the last of them empty.
    QCOMPARE(lines.size(), 3 * 8);
    QCOMPARE(lines[23], QString());
    const QStringList first{"Format 1: 4 bit, 44100 Hz, Mono",
                            "Tag: 17",
                            "Channels: 1",
                            "Rate: 44100Hz",
                            "Average bytes per second: 0",
                            "Block alignment: 0",
                            "Bits per sample: 4",
                            ""};
    QCOMPARE(lines.mid(0, 8), first);
    QCOMPARE(lines[8], QString("Format 2: 4 bit, 8000 Hz, Stereo"));
    QCOMPARE(lines[9], QString("Tag: 2"));
    QCOMPARE(lines[10], QString("Channels: 2"));
    QCOMPARE(lines[12], QString("Average bytes per second: 8000"));
    QCOMPARE(lines[13], QString("Block alignment: 1"));
    QCOMPARE(lines[16], QString("Format 3: 4 bit, 22050 Hz, Mono"));
    QCOMPARE(memo->textCursor().position(), 0);
}

void CodecFormTest::driverWithoutFormatsShowsOnlyTheCount() {
    TCodecForm::DriverList drivers;
    drivers.push_back(AdpcmDriver());
    drivers.push_back(Driver("Error"));
    drivers[1]->FormatTagCount = 3;
    TCodecForm form(drivers);
    form.FormShow();
    List(form).setCurrentRow(1);
    QCOMPARE(LabelText(form, "ShortLbl"), QString("Short name: Error"));
    QCOMPARE(LabelText(form, "LongLbl"), QString("Long name: "));
    QCOMPARE(LabelText(form, "NumFoLbl"), QString("Number of format types: 3"));
    QCOMPARE(LabelText(form, "VerLbl"), QString("Version: 0.00"));
    QVERIFY(form.findChild<QPlainTextEdit*>("Memo1")->toPlainText().isEmpty());
    QVERIFY(!form.findChild<QCheckBox*>("AsyncCB")->isChecked());
}

void CodecFormTest::reopeningKeepsTheSelectedDriverWhileItStillExists() {
    TCodecForm::DriverList drivers;
    drivers.push_back(Driver("PCM"));
    drivers.push_back(Driver("Float"));
    drivers.push_back(AdpcmDriver());
    TCodecForm form(drivers);
    form.show();
    QCOMPARE(List(form).currentRow(), 0);
    QCOMPARE(LabelText(form, "ShortLbl"), QString("Short name: PCM"));
    List(form).setCurrentRow(2);
    QCOMPARE(LabelText(form, "ShortLbl"), QString("Short name: ADPCM"));
    form.hide();

    // The list is rebuilt between openings: new objects, same places.
    drivers.clear();
    drivers.push_back(Driver("PCM"));
    drivers.push_back(Driver("Float"));
    drivers.push_back(Driver("GSM"));
    form.show();
    QCOMPARE(List(form).count(), 3);
    QCOMPARE(List(form).currentRow(), 2);
    QCOMPARE(LabelText(form, "ShortLbl"), QString("Short name: GSM"));
    form.hide();

    // A shorter list falls back to the first driver.
    drivers.resize(1);
    form.show();
    QCOMPARE(List(form).count(), 1);
    QCOMPARE(List(form).currentRow(), 0);
    QCOMPARE(LabelText(form, "ShortLbl"), QString("Short name: PCM"));
    form.hide();

    drivers.clear();
    form.show();
    QCOMPARE(List(form).count(), 0);
    form.hide();
}

void CodecFormTest::installedCodecsCommandShowsTheRebuiltListAndClosesWithOk() {
    CodecList codecs;
    TCodecForm form(codecs.Drivers());
    ScriptedInteraction modal;
    int listed = -1;
    modal.Queue(ScriptedAnswer::Run([&](QDialog& dialog) {
        dialog.show();
        listed = List(dialog).count();
        auto* close = dialog.findChild<THemisphereButton*>("CloseBtn");
        QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
        return dialog.result();
    }));
    QVERIFY(ShowCodecs(codecs, form, modal));

    QCOMPARE(modal.Requests().size(), std::size_t{1});
    QCOMPARE(modal.Requests()[0].DialogTitle, QString("Installed Codecs"));
    QVERIFY(!codecs.Drivers().empty());
    QCOMPARE(listed, static_cast<int>(codecs.Drivers().size()));
    QCOMPARE(form.result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(!form.isVisible());
    QCOMPARE(LabelText(form, "ACMVerLbl"), QString::fromStdString(codecs.VersionText()));
    QCOMPARE(LabelText(form, "NumCodecsLbl"), QString::fromStdString(codecs.CountText()));
}

QTEST_MAIN(CodecFormTest)
#include "CodecFormTest.moc"
