#include "audio/ui/TCodecForm.h"

#include "audio/CodecTexts.h"
#include "controls/ui/THemisphereButton.h"
#include "controls/ui/WindowStyle.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStringList>
#include <QTextCursor>

namespace trx {

namespace {

// Right column of details, in dialog pixels.
constexpr int kDetailsLeft = 240;
constexpr int kDetailsWidth = 330;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Unsigned(std::uint32_t value) {
    return QString::number(value);
}

// The seven lines of one format and the empty line after them.
void AppendFormatLines(QStringList& lines, std::uint32_t number, const std::string& description,
                       const TWaveFormatOb& format) {
    const WaveFormat f = format.Decode();
    lines << QStringLiteral("Format %1: %2").arg(Unsigned(number), Text(description))
          << QStringLiteral("Tag: %1").arg(Unsigned(f.FormatTag))
          << QStringLiteral("Channels: %1").arg(Unsigned(f.Channels))
          << QStringLiteral("Rate: %1Hz").arg(Unsigned(f.SamplesPerSec))
          << QStringLiteral("Average bytes per second: %1").arg(Unsigned(f.AvgBytesPerSec))
          << QStringLiteral("Block alignment: %1").arg(Unsigned(f.BlockAlign))
          << QStringLiteral("Bits per sample: %1").arg(Unsigned(f.BitsPerSample)) << QString();
}

} // namespace

TCodecForm::TCodecForm(const DriverList& drivers, QWidget* parent)
    : QDialog(parent)
    , drivers_(drivers) {
    setObjectName(QStringLiteral("CodecForm"));
    setWindowTitle(QStringLiteral("Installed Codecs"));
    setFixedSize(578, 544);
    WindowStyle::ApplyFormColor(*this);

    auto* topPanel = new QFrame(this);
    topPanel->setObjectName(QStringLiteral("Panel1"));
    topPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    topPanel->setGeometry(8, 8, 553, 49);
    ACMVerLbl =
        AddLabel(topPanel, "ACMVerLbl", QStringLiteral("ACM Version:"), QRect(8, 8, 480, 16));
    NumCodecsLbl = AddLabel(topPanel, "NumCodecsLbl", QStringLiteral("Number of codecs:"),
                            QRect(8, 26, 480, 16));
    CloseBtn =
        MakeRoundButton(topPanel, "CloseBtn", QStringLiteral("Close"), {}, {504, 12, 41, 25});
    connect(CloseBtn, &THemisphereButton::clicked, this, &QDialog::accept);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(8, 64, 217, 137);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 208, 217, 297);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    ShortLbl = AddLabel(this, "ShortLbl", {}, QRect(kDetailsLeft, 64, 216, 16));
    IDLbl = AddLabel(this, "IDLbl", {}, QRect(464, 64, 106, 16));
    LongLbl = AddLabel(this, "LongLbl", {}, QRect(kDetailsLeft, 96, kDetailsWidth, 28));
    CopyLbl = AddLabel(this, "CopyLbl", {}, QRect(kDetailsLeft, 128, kDetailsWidth, 44));
    FeatLbl = AddLabel(this, "FeatLbl", {}, QRect(kDetailsLeft, 176, kDetailsWidth, 44));
    // Five lines of features reach the top of the label below by a pixel.
    LicLbl = AddLabel(this, "LicLbl", {}, QRect(kDetailsLeft, 224, kDetailsWidth, 65));
    NumFoLbl = AddLabel(this, "NumFoLbl", {}, QRect(kDetailsLeft, 288, kDetailsWidth, 28));
    NumFiLbl = AddLabel(this, "NumFiLbl", {}, QRect(kDetailsLeft, 320, kDetailsWidth, 16));
    ManIDLbl = AddLabel(this, "ManIDLbl", {}, QRect(kDetailsLeft, 352, 160, 16));
    ProdIDLbl = AddLabel(this, "ProdIDLbl", {}, QRect(408, 352, 162, 16));
    VerLbl = AddLabel(this, "VerLbl", {}, QRect(kDetailsLeft, 384, 160, 16));
    verACMLbl = AddLabel(this, "verACMLbl", {}, QRect(408, 384, 162, 28));

    AsyncCB = AddCheckBox("AsyncCB", QStringLiteral("Supports asynchronous conversions"), 416);
    DifferentTagsCB =
        AddCheckBox("DifferentTagsCB",
                    QStringLiteral("Supports conversions between differing format types"), 440);
    SameTagCB =
        AddCheckBox("SameTagCB", QStringLiteral("Supports conversions within a format type"), 464);
    FilteringCB = AddCheckBox("FilteringCB", QStringLiteral("Supports filtering"), 488);
}

QLabel* TCodecForm::AddLabel(QWidget* parent, const char* name, const QString& text,
                             const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    // Driver texts are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QCheckBox* TCodecForm::AddCheckBox(const char* name, const QString& caption, int top) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(kDetailsLeft, top, kDetailsWidth, 20);
    box->setEnabled(false);
    return box;
}

void TCodecForm::SetEnumerationTexts(const QString& versionText, const QString& countText) {
    ACMVerLbl->setText(versionText);
    NumCodecsLbl->setText(countText);
}

void TCodecForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TCodecForm::FormShow() {
    const int remembered = ListBox1->currentRow() < 0 ? 0 : ListBox1->currentRow();
    {
        // The click runs once, after the list is complete.
        const QSignalBlocker blocker(ListBox1);
        ListBox1->clear();
        if (drivers_.empty()) {
            return;
        }
        for (const auto& driver : drivers_) {
            ListBox1->addItem(Text(driver->ShortName));
        }
        ListBox1->setCurrentRow(remembered < ListBox1->count() ? remembered : 0);
    }
    ListBox1Click();
}

void TCodecForm::ListBox1Click() {
    const int row = ListBox1->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= drivers_.size()) {
        return;
    }
    const TCodecDriver& driver = *drivers_[static_cast<std::size_t>(row)];

    ShortLbl->setText(QStringLiteral("Short name: ") + Text(driver.ShortName));
    IDLbl->setText(Text(DriverIdText(driver.DriverId)));
    LongLbl->setText(QStringLiteral("Long name: ") + Text(driver.LongName));
    CopyLbl->setText(QStringLiteral("Copyright: ") + Text(driver.Copyright));
    // The label at 176 carries the licensing text, the taller one at 224 the
    // features.
    FeatLbl->setText(QStringLiteral("Licensing: ") + Text(driver.Licensing));
    LicLbl->setText(QStringLiteral("Features: ") + Text(driver.Features));
    NumFoLbl->setText(Text(FormatTypesText(driver.FormatTagCount, driver.Tags)));
    NumFiLbl->setText(QStringLiteral("Number of filters: ") + Unsigned(driver.FilterTagCount));
    ManIDLbl->setText(QStringLiteral("Manufacturer ID: ") + Unsigned(driver.ManufacturerId));
    ProdIDLbl->setText(QStringLiteral("Product ID: ") + Unsigned(driver.ProductId));
    VerLbl->setText(Text(DriverVersionText(driver.DriverVersion)));
    verACMLbl->setText(Text(DesignedForVersionText(driver.AcmVersion)));

    AsyncCB->setChecked(driver.SupportsAsync);
    DifferentTagsCB->setChecked(driver.SupportsDifferentTags);
    SameTagCB->setChecked(driver.SupportsSameTag);
    FilteringCB->setChecked(driver.SupportsFiltering);

    QStringList lines;
    std::uint32_t number = 1;
    for (const auto& [description, format] : driver.Formats) {
        AppendFormatLines(lines, number++, description, format);
    }
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    Memo1->moveCursor(QTextCursor::Start);
}

} // namespace trx
