#include "app/ui/TErrorDlg.h"

#include "app/ui/DialogFrame.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace trx {

TErrorDlg::TErrorDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setObjectName("ErrorDlg");
    setWindowTitle("Unanticipated Error");
    setModal(true);
    setFixedSize(358, 218);

    auto* bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(8, 8, 345, 165);

    ErrLabel = new QLabel("Error", this);
    ErrLabel->setObjectName("ErrLabel");
    ErrLabel->setGeometry(16, 32, 329, 121);
    ErrLabel->setAlignment(Qt::AlignCenter);
    ErrLabel->setWordWrap(true);
    ErrLabel->setTextFormat(Qt::PlainText);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(143, 184, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TErrorDlg::SetMessage(const QString& text) {
    ErrLabel->setText(text);
}

QString TErrorDlg::Message() const {
    return ErrLabel->text();
}

void TErrorDlg::showEvent(QShowEvent* event) {
    RequestDialogFrame(*this);
    // Centred on the screen, not on the window that failed.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QRect own = frameGeometry();
        move(area.left() + (area.width() - own.width()) / 2,
             area.top() + (area.height() - own.height()) / 2);
    }
    QDialog::showEvent(event);
}

} // namespace trx
