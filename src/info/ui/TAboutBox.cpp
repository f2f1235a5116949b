#include "info/ui/TAboutBox.h"

#include "app/ui/TSplashForm.h"
#include "controls/ui/THemisphereButton.h"
#include "info/ui/TLumoraURLLabel.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace trx {

TAboutBox::TAboutBox(const QString& programVersion, const QString& homePageUrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("AboutBox");
    setWindowTitle("Tremolundrix");
    setFixedSize(586, 327);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(162, 203, 180));
    setPalette(background);
    setAutoFillBackground(true);

    // The splash picture has the box's size: the same artwork.
    BackgroundImage = new QLabel(this);
    BackgroundImage->setObjectName("BackgroundImage");
    BackgroundImage->setGeometry(0, 0, 588, 267);
    BackgroundImage->setScaledContents(true);
    BackgroundImage->setPixmap(TSplashForm::DrawPicture(BackgroundImage->size()));

    Version = new QLabel(this);
    Version->setObjectName("Version");
    Version->setTextFormat(Qt::PlainText);
    QFont small = Version->font();
    small.setPixelSize(13);
    Version->setFont(small);
    QPalette black = Version->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Version->setPalette(black);
    Version->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // Right-aligned: the caption grows to the left of where the design
    // text "Version ?.?.?.?" ends.
    const QFontMetrics metrics(small);
    const int right = 480 + metrics.horizontalAdvance("Version ?.?.?.?");
    constexpr int kWidth = 300;
    Version->setGeometry(right - kWidth, 96, kWidth, metrics.size(0, "Version").height());

    AuthorLbl = new QLabel("Written by the Tremolundrix developers", this);
    AuthorLbl->setObjectName("AuthorLbl");
    QPalette maroon = AuthorLbl->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    AuthorLbl->setPalette(maroon);
    AuthorLbl->move(176, 234);
    AuthorLbl->adjustSize();

    HemisphereButton1 = new THemisphereButton(this);
    HemisphereButton1->setObjectName("HemisphereButton1");
    HemisphereButton1->setGeometry(512, 232, 65, 25);
    HemisphereButton1->SetCaption("OK");
    HemisphereButton1->SetFaceColor(QColor(240, 202, 166));
    connect(HemisphereButton1, &THemisphereButton::clicked, this,
            &TAboutBox::HemisphereButton1Click);

    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(8, 272, 571, 49);

    HomePageLink = new TLumoraURLLabel(Panel2);
    HomePageLink->setObjectName("HomePageLink");
    HomePageLink->setText("Visit Tremolundrix home page");
    HomePageLink->move(208, 16);
    HomePageLink->adjustSize();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    FormCreate(programVersion, homePageUrl);
}

QString TAboutBox::VersionCaption(const QString& programVersion) {
    QString caption = "Version " + programVersion;
    if (programVersion.startsWith('0')) {
        caption += " (beta)";
    }
    return caption;
}

void TAboutBox::FormCreate(const QString& programVersion, const QString& homePageUrl) {
    Version->setText(VersionCaption(programVersion));
    SetHomePageUrl(homePageUrl);
}

void TAboutBox::SetHomePageUrl(const QString& homePageUrl) {
    if (!homePageUrl.isEmpty()) {
        HomePageLink->SetUrl(homePageUrl);
    }
}

void TAboutBox::HemisphereButton1Click() {
    done(QDialog::Accepted);
}

} // namespace trx
